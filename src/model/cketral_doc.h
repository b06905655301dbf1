#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "model/creation_defaults.h"
#include "model/edit.h"
#include "model/mark_settings.h"
#include "model/object_list.h"
#include "model/object_ring.h"
#include "model/selection.h"
#include "model/variable_data.h"
#include "model/view_state.h"
#include "platform/font_engine.h"

namespace lumetch {

// Told about document changes that a window shows; every call has a no-op default.
class DocObserver {
 public:
  virtual ~DocObserver() = default;
  // The property sheet should show the page of this kind (0 drawing, -1 group, 1..13 type).
  virtual void sheet_switched(int32_t /*kind*/) {}
  // Entries or the selection of the object list changed.
  virtual void list_changed() {}
  // The area of a new or changed selected object (width × height mm turned
  // by angle degrees about its centre) must be repainted.
  virtual void invalidate_selection(double /*width*/, double /*height*/, double /*angle*/) {}
  // The whole view must be repainted.
  virtual void invalidate_all() {}
  // An edit was made, undone or redone: what changed.
  virtual void document_changed(const ChangeNotice& /*notice*/) {}
};

// The program's state: objects, settings, job flags and the view's window-free part.
// Operations live with their subsystem and take the document by reference.
class CketralDoc {
 public:
  CketralDoc() = default;
  CketralDoc(const CketralDoc&) = delete;
  CketralDoc& operator=(const CketralDoc&) = delete;

  ObjectRing ring;
  // Which objects are selected and which is current; the one record of it.
  Selection selection;
  ObjectList object_list{ring, selection};
  EditHistory history;
  MarkSettings settings;
  ViewState view;

  int32_t engraving = 0;       // 1 while an engraving job runs
  int32_t stop_requested = 0;  // set by the Escape poll or a failed port
  int32_t raster_mode = 0;     // 1 while the scan job renders into its bitmap
  double raster_left = 0.0;
  double raster_top = 0.0;
  // Size of the raster being drawn (pixels); fills on the raster target are
  // clipped to it. 0 when unknown.
  int32_t raster_width = 0;
  int32_t raster_height = 0;

  std::filesystem::path work_dir;
  // The layout file the objects were opened from or last saved to (absolute);
  // empty while the layout is untitled.
  std::filesystem::path layout_path;
  DocObserver* observer = nullptr;
  uint64_t notices = 0;  // notify() calls: a view keeping pictures sees one it was not told of

  CreationDefaults defaults;
  // Kept in "plot.$" beside "$.1".
  PlotReading plot_reading = PlotReading::kFull;
  // The data file, its next row and the shift table of the layout's fields.
  VariableData variable_data;
  // The request every glyph outline is made with; text objects copy their
  // face, weight, italic flag and character set into it before their glyph
  // file is written.
  FontDescription outline_font;
  // Null: the system's FreeType/fontconfig engine. Tests put their own here.
  FontEngine* font_engine = nullptr;
  FontEngine& fonts() const { return font_engine != nullptr ? *font_engine : system_font_engine(); }

  // A file of the working directory.
  std::filesystem::path work_file(std::string_view name) const { return work_dir / name; }

  // Where objects keep their temporary files (glyph files of texts, stroke
  // files of plots): the working directory unless a tool that must not leave
  // files there sets its own.
  std::filesystem::path scratch_directory;
  const std::filesystem::path& scratch_dir() const {
    return scratch_directory.empty() ? work_dir : scratch_directory;
  }

  // Tells the observer to show the page of `kind`.
  void switch_sheet(int32_t kind);
  // Tells the observer what an edit changed: the page of the selection kind
  // and the list when the selection or the objects changed, then the notice.
  void notify(const ChangeNotice& notice);
  void notify_list_changed();
  void invalidate_selection(double width, double height, double angle);
  void invalidate_all();

  // screen_rect of an object at the view's current zoom and origin.
  void update_screen_rect(MarkObject& obj) const;
};

// The current object (the one the pages and dialogs edit), null when none.
MarkObject* current_object(CketralDoc& doc);
const MarkObject* current_object(const CketralDoc& doc);
bool is_selected(const CketralDoc& doc, const MarkObject& obj);

// 0 when nothing is selected, -1 for several objects, else the type of the
// one selected object.
int32_t selection_kind(const CketralDoc& doc);

// Removes the selected objects (all = false) or every object (all = true) as
// one edit named `step_name`; afterwards the oldest remaining object is current,
// nothing is selected and the drawing page is shown.
void delete_objects(CketralDoc& doc, bool all, const std::string& step_name = "Delete");

// The operator chose entry `index` of the object list: the object at that
// list position becomes the only selected one and current, and the sheet
// switches to its type; entry 0, "drawing", selects nothing and shows the
// settings pages. An index outside the list changes nothing.
void select_list_entry(CketralDoc& doc, int index);

}  // namespace lumetch
