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
  // Only how plots are read: a file that cannot be read leaves every pair
  // read, and is said when it cannot be written back at the end.
  load_plot_options(doc.work_file("plot.$"), doc.plot_reading);
  ReadResult fix;
  const SpeedModes modes = load_speed_modes(doc.work_file("fix.txt"), &fix);
  note(fix);
  doc.view.stable_speed_cmd = modes.stable_speed_cmd;
  doc.view.variable_speed_cmd = modes.variable_speed_cmd;
  doc.view.zoom_index = doc.settings.view_zoom_num;
  doc.view.saved_zoom_index = doc.view.zoom_index;
  doc.selection = Selection{};
  doc.history.clear();
  doc.engraving = 0;
  doc.stop_requested = 0;
  doc.raster_mode = 0;
  return start;
}

std::vector<std::string> save_session_files(const CketralDoc& doc) {
  std::vector<std::string> failed;
  if (!create_fix_file_if_missing(doc.work_file("fix.txt"))) failed.emplace_back("fix.txt");
  if (!save_settings(doc.work_file("$.1"), doc.settings)) failed.emplace_back("$.1");
  if (!save_defaults(doc.work_file("default.$"), doc.defaults)) failed.emplace_back("default.$");
  if (!save_plot_options(doc.work_file("plot.$"), doc.plot_reading)) failed.emplace_back("plot.$");
  return failed;
}

bool set_plot_reading(CketralDoc& doc, PlotReading reading) {
  doc.plot_reading = reading;
  return save_plot_options(doc.work_file("plot.$"), reading);
}

std::vector<std::string> end_session(CketralDoc& doc, bool files_saved) {
  // The objects' temporary files go with the last copy of each: the ring's
  // and the history's.
  doc.history.clear();
  doc.ring.clear();
  doc.selection = Selection{};
  if (files_saved) return {};
  return save_session_files(doc);
}

}  // namespace lumetch
