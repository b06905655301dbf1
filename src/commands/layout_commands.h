#pragma once

#include <filesystem>

#include "model/cketral_doc.h"
#include "model/layout_file.h"
#include "platform/operator.h"

namespace lumetch {

// Command identifiers of the file and clipboard commands.
inline constexpr int32_t kCmdNew = 32820, kCmdOpen = 57601, kCmdSave = 32789, kCmdCut = 57635,
                         kCmdCopy = 57634, kCmdPaste = 57637;

// What opening a layout needs beyond reading its records: glyph files for
// texts, stroke files for plots, bitmaps and outline headers for the other
// imports. A missing imported file is offered for relocation through `op`
// (no relocation without an operator).
LoadHooks layout_load_hooks(Operator* op);

// Opens a layout into the document with those hooks.
OpenResult open_layout_file(CketralDoc& doc, const std::filesystem::path& path,
                            Operator* op = nullptr);

// Opens a layout and tells the operator what went wrong: a file that cannot
// be read, damaged records skipped, texts cut short. False when nothing was
// opened.
bool open_layout_and_report(CketralDoc& doc, const std::filesystem::path& path, Operator& op);

// Opens a layout the operator named (Open, the command line) with a fresh
// history. Opened into an empty document it names the document; added to
// objects already there it keeps the name, and the document counts as
// unsaved. False when nothing was opened (said through `op`).
bool open_named_layout(CketralDoc& doc, const std::filesystem::path& path, Operator& op);

// The clipboard file of the working directory.
std::filesystem::path clipboard_file(const CketralDoc& doc);

// New: offers to save a non-empty layout, then removes every object; a save
// that is cancelled or fails keeps them.
void NewCommand(CketralDoc& doc, Operator& op);
// Open: the file dialog, then the layout added to the ring; the view repaints.
// A recovery copy of the chosen layout that the last run left is offered
// instead of the file.
void OpenCommand(CketralDoc& doc, Operator& op);
// Save: the file dialog (proposing the document's name), then every object
// written; the file names the document. False when cancelled or the file
// could not be written (said through `op`).
bool SaveCommand(CketralDoc& doc, Operator& op);
// The main window's close request: true when the window may close; false
// when the operator cancels, at the prompt or in the save dialog, or the
// save fails.
bool CloseRequest(CketralDoc& doc, Operator& op);
// Cut, copy and paste through the clipboard file. A clipboard that cannot be
// written is said through `op`, and cut then keeps the objects; with nothing
// selected cut and copy change nothing.
void CutCommand(CketralDoc& doc, Operator& op);
void CopyCommand(CketralDoc& doc, Operator& op);
void PasteCommand(CketralDoc& doc, Operator& op);

}  // namespace lumetch
