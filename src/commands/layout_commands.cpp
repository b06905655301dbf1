#include "commands/layout_commands.h"

#include "geometry/text_objects.h"

namespace lumetch {

LoadHooks layout_load_hooks() {
  LoadHooks hooks;
  hooks.object_loaded = [](CketralDoc& doc, MarkObject& obj) {
    if (obj.type == LINE_TEXT || obj.type == ARC_TEXT) WriteObjectGlyphFile(doc, obj);
  };
  return hooks;
}

OpenResult open_layout_file(CketralDoc& doc, const std::filesystem::path& path) {
  return open_layout(doc, path, layout_load_hooks());
}

}  // namespace lumetch
