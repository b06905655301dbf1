#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "model/cketral_doc.h"
#include "platform/job_lock.h"
#include "platform/operator.h"

namespace lumetch {

// Recovery copies: while a layout has changes that are not saved, the desktop
// program keeps a copy of its objects in the working directory, so that a
// crash or a power cut does not cost the operator the layout.

// The name a layout file is known by: absolute, without "." and "..".
std::filesystem::path layout_name(const std::filesystem::path& layout);

// The copy of a layout in the working directory: "NAME.mrk.1a2b3c4d.recovery",
// the hash of the layout's absolute path keeping two layouts of one name
// apart, or "untitled.recovery" for a layout without a file (empty `layout`).
std::filesystem::path recovery_file(const std::filesystem::path& work_dir,
                                    const std::filesystem::path& layout);

// The copy of the document: a first line "0,recovery,PATH" naming its layout
// (empty for an untitled one; '%', CR and LF escaped as %25, %0D, %0A), which
// the layout reader skips as it skips every line of type 0, then each object's
// record as the layout file holds it.
std::string recovery_text(const CketralDoc& doc);

// Writes a copy as layouts are written: a temporary in the same folder,
// flushed, renamed over the old copy. False with the reason when any step
// fails; the old copy then stays as it was.
bool write_recovery_copy(const std::filesystem::path& file, std::string_view text,
                         std::string* reason = nullptr);

struct RecoveryCopy {
  std::filesystem::path file;
  std::filesystem::path layout;  // empty: untitled
  std::filesystem::file_time_type written{};
};

// The copy in `file`; nullopt when there is none or the file is not one (no
// recovery line first, not readable).
std::optional<RecoveryCopy> read_recovery_copy(const std::filesystem::path& file);

// A copy holds changes its layout lacks unless the layout was written at or
// after the copy (it was saved since). An untitled copy, or one whose layout
// is gone, always does.
bool copy_is_newer(const RecoveryCopy& copy);

// Locks a copy for the window that keeps it (see JobLock::lock_layout).
// False when another window holds it; where no lock can be made at all the
// copies are kept unlocked (true, `lock` not held).
bool lock_copy(JobLock& lock, const std::filesystem::path& file);

// The copy to offer for `layout`, or without one (empty) the newest copy of
// the working directory, whatever layout it belongs to: that is what the
// last run left. Copies whose layout was saved after them are removed on the
// way; a copy a window still keeps (it holds the copy's lock) is left alone. Nullopt when there is
// nothing to offer.
std::optional<RecoveryCopy> find_recovery(const std::filesystem::path& work_dir,
                                          const std::filesystem::path& layout);

// Asks whether to restore `copy`. Yes: its objects are opened into `doc` as
// Open adds a layout (a fresh history), an empty document takes the copy's
// layout as its name, and the document counts as unsaved; the copy stays
// until the layout is saved or closed. No: the copy is removed. True when
// the copy was restored.
bool offer_recovery(CketralDoc& doc, const RecoveryCopy& copy, Operator& op);

// Start of the desktop program, with the layout of its command line (empty:
// none): a copy the last run left is offered first (see find_recovery); when
// it is not restored, the layout is opened. True when objects were opened.
bool open_at_start(CketralDoc& doc, const std::filesystem::path& layout, Operator& op);

}  // namespace lumetch
