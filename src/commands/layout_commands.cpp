#include "commands/layout_commands.h"

#include <optional>
#include <string>

#include "commands/recovery.h"
#include "geometry/text_objects.h"
#include "imports/bmp.h"
#include "imports/plt.h"
#include "imports/vct.h"

namespace lumetch {

namespace {

constexpr const char* kAppTitle = "Lumetch";
constexpr const char* kSavePrompt = "Svae the Current Document?";
constexpr const char* kLayoutFilter = "标刻文件(*.mrk)|*.mrk|";

struct ImportKind {
  const char* initial_name;
  const char* filter;
};

ImportKind import_kind(int32_t type) {
  switch (type) {
    case PLT:
      return {"*.plt", kPlotFileFilter};
    case BMP:
      return {"*.bmp", "BMP File(*.bmp)|*.bmp|"};
    default:
      return {"*.vct", "VCT File(*.vct)|*.vct|"};
  }
}

// The missing-file prompt: a message, then the preview dialog. Nullopt when
// the operator cancels (the object keeps its stored path).
std::optional<std::filesystem::path> relocate(Operator* op, int32_t type,
                                              const std::string& stored) {
  if (op == nullptr) return std::nullopt;
  op->message("File " + stored + " is not exist,Please Locate it again!", kAppTitle);
  const ImportKind kind = import_kind(type);
  FileRequest request;
  request.initial_name = kind.initial_name;
  request.filter = kind.filter;
  return op->choose_file(request);
}

void load_plt(CketralDoc& doc, MarkObject& obj, PltBlock& p, Operator* op) {
  const std::string base = own_scratch_file(obj, doc.scratch_dir(), "-pen").string();
  const ReadProgress progress = reading_progress(op);
  // A plot with nothing to draw keeps its object here: the layout holds it.
  PltParse parse = ParsePlt(p.source_path, base, progress, doc.plot_reading);
  if (parse.result == PltParse::kCannotOpen && parse.error.empty()) {
    if (const auto chosen = relocate(op, PLT, p.source_path)) {
      parse = ParsePlt(*chosen, base, progress, doc.plot_reading);
      p.source_path = chosen->string();
    }
  }
  if (progress) op->end_progress();
  if (!parse.error.empty() && op != nullptr) op->message(parse.error, kAppTitle);
  p.min_x = parse.min_x;
  p.min_y = parse.min_y;
  p.max_x = parse.max_x;
  p.max_y = parse.max_y;
  p.src_width = std::abs(static_cast<double>(parse.max_x) - parse.min_x);
  p.src_height = std::abs(static_cast<double>(parse.max_y) - parse.min_y);
  for (std::size_t i = 0; i < 8; ++i) {
    p.pen_file[i] = parse.pen_file[i];
    if (!p.pen_file[i].empty()) obj.scratch->keep(p.pen_file[i]);
    p.pen_used[i] = parse.result == PltParse::kRead ? parse.pen_used[i] : 0;
    p.pen_layer[i] = static_cast<int32_t>(i);
  }
  p.init_width = obj.width;
  p.init_height = obj.height;
}

void load_bmp(CketralDoc& doc, MarkObject& obj, BmpBlock& p, Operator* op) {
  p.image_width = obj.width;
  p.image_height = obj.height;
  BmpLoad load = LoadBmp(p.source_path, doc.settings.resolution, op);
  if (load.result == BmpLoad::kCannotOpen) {
    if (const auto chosen = relocate(op, BMP, p.source_path)) {
      p.source_path = chosen->string();
      load = LoadBmp(*chosen, doc.settings.resolution, op);
    }
  }
  if (load.result != BmpLoad::kLoaded) return;  // no image: draws nothing
  p.width_px = load.width_px;
  p.height_px = load.height_px;
  p.top_down = load.top_down;
  p.bits_offset = load.bits_offset;
  p.dib = SharedBytes(std::move(load.dib));
}

void load_vct(MarkObject& obj, VctBlock& p, Operator* op) {
  ReadResult file;
  std::optional<VctHeader> header = read_vct_header(p.source_path, &file);
  if (file.missing()) {
    if (const auto chosen = relocate(op, VCT, p.source_path)) {
      p.source_path = chosen->string();
      header = read_vct_header(p.source_path, &file);
    }
  }
  // There but not readable: said, and the object draws nothing.
  if (file.unreadable() && op != nullptr) op->message(file.message, kAppTitle);
  // A header without extents leaves them zero: the object draws nothing.
  if (header) {
    if (auto block = vct_block_from(*header, p.source_path)) p = std::move(*block);
  }
  p.init_width = obj.width;
  p.init_height = obj.height;
}

// Writes a layout; a failure is said in plain words.
bool save_or_say(const CketralDoc& doc, const std::filesystem::path& path, bool all, bool offset,
                 Operator& op) {
  std::string reason;
  if (save_layout(doc, path, all, offset, &reason)) return true;
  std::string text = "The layout could not be saved to " + path.string();
  if (!reason.empty()) text += ": " + reason;
  op.message(text + ".", kAppTitle);
  return false;
}

}  // namespace

LoadHooks layout_load_hooks(Operator* op) {
  LoadHooks hooks;
  hooks.object_loaded = [op](CketralDoc& doc, MarkObject& obj) {
    if (obj.type == LINE_TEXT || obj.type == ARC_TEXT) {
      WriteObjectGlyphFile(doc, obj);
    } else if (auto* plt = obj.block<PltBlock>()) {
      load_plt(doc, obj, *plt, op);
    } else if (auto* bmp = obj.block<BmpBlock>()) {
      load_bmp(doc, obj, *bmp, op);
    } else if (auto* vct = obj.block<VctBlock>()) {
      load_vct(obj, *vct, op);
    }
  };
  return hooks;
}

OpenResult open_layout_file(CketralDoc& doc, const std::filesystem::path& path, Operator* op) {
  return open_layout(doc, path, layout_load_hooks(op));
}

bool open_layout_and_report(CketralDoc& doc, const std::filesystem::path& path, Operator& op) {
  const OpenResult r = open_layout_file(doc, path, &op);
  if (!r.opened()) {
    op.message("The layout " + path.string() + " could not be opened: " + r.file.reason + ".",
               "Open");
    return false;
  }
  if (r.lines_skipped > 0 || r.char_lines_missing > 0) {
    op.message(path.string() + ": " + std::to_string(r.objects_read) + " objects read, " +
                   std::to_string(r.lines_skipped) + " damaged lines skipped, " +
                   std::to_string(r.char_lines_missing) + " texts cut short.",
               "Open");
  }
  return true;
}

bool open_named_layout(CketralDoc& doc, const std::filesystem::path& path, Operator& op) {
  const bool was_empty = doc.ring.is_empty();
  if (!open_layout_and_report(doc, path, op)) return false;
  doc.history.clear();
  if (was_empty) {
    doc.layout_path = layout_name(path);
  } else {
    // What the ring holds now is in no file.
    doc.history.mark_unsaved();
  }
  doc.notify({});
  return true;
}

std::filesystem::path clipboard_file(const CketralDoc& doc) {
  return doc.work_file("#.1");
}

void NewCommand(CketralDoc& doc, Operator& op) {
  if (doc.ring.is_empty()) return;
  // A save that was asked for but cancelled or failed keeps the layout.
  if (op.ask(kSavePrompt, "Warning", AskButtons::YesNo) == Answer::Yes && !SaveCommand(doc, op)) {
    return;
  }
  delete_objects(doc, true);
  doc.layout_path.clear();
  doc.history.clear();
  doc.notify({});
  doc.invalidate_all();
}

void OpenCommand(CketralDoc& doc, Operator& op) {
  FileRequest request;
  request.default_extension = "mrk";
  request.filter = kLayoutFilter;
  if (const auto path = op.choose_file(request)) {
    // The copy of the layout the document is named after is this run's own.
    std::optional<RecoveryCopy> copy;
    if (layout_name(*path) != doc.layout_path) copy = find_recovery(doc.work_dir, *path);
    if (!copy || !offer_recovery(doc, *copy, op)) open_named_layout(doc, *path, op);
  }
  doc.invalidate_all();
}

bool SaveCommand(CketralDoc& doc, Operator& op) {
  FileRequest request;
  request.save = true;
  request.default_extension = "mrk";
  request.filter = kLayoutFilter;
  request.overwrite_prompt = true;
  request.initial_name = doc.layout_path.string();
  const auto path = op.choose_file(request);
  if (!path) return false;
  if (!save_or_say(doc, *path, true, false, op)) return false;
  doc.layout_path = layout_name(*path);
  doc.history.mark_clean();
  doc.notify({});
  return true;
}

bool CloseRequest(CketralDoc& doc, Operator& op) {
  switch (op.ask(kSavePrompt, "Warning", AskButtons::YesNoCancel)) {
    case Answer::Yes:
      // Cancelling the save dialog, or a save that failed, cancels the close.
      return doc.ring.is_empty() || SaveCommand(doc, op);
    case Answer::Cancel:
      return false;
    default:
      return true;
  }
}

namespace {

// With nothing selected, cut and copy leave the clipboard as it is: writing
// an empty one would lose what was cut before.
bool any_selected(const CketralDoc& doc) {
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    if (is_selected(doc, obj)) return true;
  }
  return false;
}

}  // namespace

void CutCommand(CketralDoc& doc, Operator& op) {
  if (!any_selected(doc)) return;
  // Objects whose copy did not reach the clipboard are not deleted.
  if (!save_or_say(doc, clipboard_file(doc), false, false, op)) return;
  delete_objects(doc, false, "Cut");
  doc.invalidate_all();
}

void CopyCommand(CketralDoc& doc, Operator& op) {
  if (!any_selected(doc)) return;
  save_or_say(doc, clipboard_file(doc), false, true, op);
}

void PasteCommand(CketralDoc& doc, Operator& op) {
  // No clipboard file yet: nothing to paste. One that cannot be read is said.
  LoadHooks hooks = layout_load_hooks(&op);
  hooks.step_name = "Paste";
  const OpenResult r = open_layout(doc, clipboard_file(doc), hooks);
  if (r.file.unreadable()) op.message(r.file.message, kAppTitle);
  doc.invalidate_all();
}

}  // namespace lumetch
