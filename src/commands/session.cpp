#include "commands/session.h"

#include "marker/speed_modes.h"
#include "model/defaults_file.h"
#include "model/settings_file.h"

namespace lumetch {

SessionStart start_session(CketralDoc& doc, const std::filesystem::path& work_dir) {
  SessionStart start;
  const auto note = [&start](const ReadResult& r) {
    if (r.unreadable()) start.unreadable.push_back(r.message);
  };
  doc.work_dir = work_dir;
  doc.settings = MarkSettings{};
  note(load_settings(doc.work_file("$.1"), doc.settings));
  doc.defaults = CreationDefaults{};
  note(load_defaults(doc.work_file("default.$"), doc.defaults));
  ReadResult fix;
  const SpeedModes modes = load_speed_modes(doc.work_file("fix.txt"), &fix);
  note(fix);
  doc.view.stable_speed_cmd = modes.stable_speed_cmd;
  doc.view.variable_speed_cmd = modes.variable_speed_cmd;
  doc.view.zoom_index = doc.settings.view_zoom_num;
  doc.view.saved_zoom_index = doc.view.zoom_index;
  doc.ring.current = doc.ring.end();
  doc.view.selection.selection_kind = 0;
  doc.engraving = 0;
  doc.stop_requested = 0;
  doc.raster_mode = 0;
  return start;
}

bool end_session(CketralDoc& doc) {
  for (MarkObject& o : doc.ring.oldest_first()) release_resources(o);
  doc.ring.clear();
  create_fix_file_if_missing(doc.work_file("fix.txt"));
  const bool settings_saved = save_settings(doc.work_file("$.1"), doc.settings);
  const bool defaults_saved = save_defaults(doc.work_file("default.$"), doc.defaults);
  return settings_saved && defaults_saved;
}

}  // namespace lumetch
