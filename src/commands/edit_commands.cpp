#include "commands/edit_commands.h"

#include <optional>

#include "geometry/text_objects.h"

namespace lumetch {

namespace {

void rewrite_glyph_files(CketralDoc& doc, const ChangeNotice& notice) {
  // Writing a glyph file sets the outline font to the text's own; the edit
  // has just put the outline font back as it was.
  const FontDescription kept = doc.outline_font;
  const auto rewrite = [&](ObjectId id) {
    MarkObject* obj = doc.ring.find(id);
    if (obj != nullptr && (obj->type == LINE_TEXT || obj->type == ARC_TEXT)) {
      WriteObjectGlyphFile(doc, *obj);
    }
  };
  for (ObjectId id : notice.added) rewrite(id);
  for (const ChangeNotice::Fields& f : notice.modified) rewrite(f.id);
  doc.outline_font = kept;
}

bool finish(CketralDoc& doc, const std::optional<ChangeNotice>& notice) {
  if (!notice) return false;
  rewrite_glyph_files(doc, *notice);
  doc.invalidate_all();
  return true;
}

}  // namespace

bool UndoCommand(CketralDoc& doc) {
  return finish(doc, undo(doc));
}

bool RedoCommand(CketralDoc& doc) {
  return finish(doc, redo(doc));
}

}  // namespace lumetch
