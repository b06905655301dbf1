#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/cketral_doc.h"
#include "model/mark_object.h"
#include "platform/text_file.h"

namespace lumetch {

// Layout files ("mrk") and the clipboard file: one record line per object in
// ring order, a 17-field header followed by the type's tail. Numbers are
// written with the C locale whatever the process locale is.

// The record line(s) of one object, each ending in "\n". With `offset` the
// centre is written 1 mm right and 1 mm up (copy to the clipboard). Types
// without a record format give an empty string.
std::string format_record(const MarkObject& obj, bool offset);

// Reads one record line (a trailing "\n" or "\r\n" is allowed). Returns nullptr
// unless every field of the header and the tail is present and well formed:
// a bad line is refused whole, never read as half an object. The object comes
// back with `selected` = 1, no links and no screen_rect.
std::unique_ptr<MarkObject> parse_record(std::string_view line);

// Writes every object (all) or the selected ones in ring order. The file is
// written beside the target and renamed over it, so a failed save leaves the
// previous layout as it was. False when the file cannot be created or written
// (`reason` then says why); a path naming anything but a regular file is
// refused.
bool save_layout(const CketralDoc& doc, const std::filesystem::path& path, bool all, bool offset,
                 std::string* reason = nullptr);

// One character line of a line text: its seven CharRecord numbers.
std::optional<CharRecord> parse_char_line(std::string_view line);

// Lines of type 0 carry additions to the record read before them (plain
// readers skip them). True when `line` is one; a known addition is applied to
// `obj` (may be null).
bool apply_extension_line(std::string_view line, MarkObject* obj);

// The layout lines of the data source ("0,data,ROW,PATH", "0,shifts,TABLE"),
// empty for none; written before the first record of a saved layout.
std::string format_variable_data(const VariableData& data);
// Applies one such line to `data`; false when `line` is none of them. A
// damaged data line is taken as read and leaves `data` as it was.
bool apply_variable_data_line(std::string_view line, VariableData& data);

struct OpenResult {
  int objects_read = 0;        // -1: the file could not be opened and nothing changed
  int lines_skipped = 0;       // malformed or unknown records; blank lines do not count
  int char_lines_missing = 0;  // line texts cut short; their remaining records are zero
  ReadResult file;             // missing, or why it could not be read

  // 1-based: the lines skipped, and the records of texts cut short.
  std::vector<int> damaged_lines = {};
  bool opened() const { return objects_read >= 0; }
};

// Work of the layers above the model that an opened object needs: glyph
// files of texts, the files of imported objects.
struct LoadHooks {
  // Called for each object once it is in the ring, named, and (texts) has
  // its glyph file path.
  std::function<void(CketralDoc&, MarkObject&)> object_loaded;
  // The name of the undo step (empty: "Open").
  std::string step_name;
};

// Adds the file's objects to the ring as one edit. The objects read end up
// the only selected ones, named in the object list and the newest of them
// current; the property sheet switches to the kind read (0 none, the type for
// one object, -1 for several).
OpenResult open_layout(CketralDoc& doc, const std::filesystem::path& path,
                       const LoadHooks& hooks = {});
// The same for the text of a layout or clipboard file already in memory.
OpenResult read_layout(CketralDoc& doc, std::string_view text, const LoadHooks& hooks = {});

}  // namespace lumetch
