#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "model/creation_defaults.h"
#include "model/mark_settings.h"
#include "model/object_list.h"
#include "model/object_ring.h"
#include "model/view_state.h"
#include "platform/font_engine.h"

namespace lumetch {

// Told about document changes that a window shows; every call has a no-op default.
class DocObserver {
 public:
  virtual ~DocObserver() = default;
  // The property sheet should show the page of this kind (0 drawing, -1 group, 1..12 type).
  virtual void sheet_switched(int32_t /*kind*/) {}
  // Entries or the selection of the object list changed.
  virtual void list_changed() {}
  // The area of a new or changed selected object (width × height mm turned
  // by angle degrees about its centre) must be repainted.
  virtual void invalidate_selection(double /*width*/, double /*height*/, double /*angle*/) {}
  // The whole view must be repainted.
  virtual void invalidate_all() {}
};

// The program's state: objects, settings, job flags and the view's window-free part.
// Operations live with their subsystem and take the document by reference.
class CketralDoc {
 public:
  ObjectRing ring;
  ObjectList object_list;
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
  DocObserver* observer = nullptr;

  CreationDefaults defaults;
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

  // Shows the page of `kind` and records it as the selection kind.
  void switch_sheet(int32_t kind);
  void notify_list_changed();
  void invalidate_selection(double width, double height, double angle);
  void invalidate_all();

  // screen_rect of an object at the view's current zoom and origin.
  void update_screen_rect(MarkObject& obj) const;
};

// Removes the selected objects (all = false) or every object (all = true),
// keeping the object list in step; afterwards `current` is the oldest
// remaining object (or the head sentinel), the drawing page is shown and
// list entry 0 is selected.
void delete_objects(CketralDoc& doc, bool all);

// The operator chose entry `index` of the object list: the old selection is
// dropped, the object at that list position becomes `current` and selected,
// and the sheet switches to its type (entry 0, "drawing", shows the settings
// pages). An index outside the list changes nothing.
void select_list_entry(CketralDoc& doc, int index);

// Frees what an object owns outside its record (temporary files). A file that
// is already gone is not an error.
void release_resources(MarkObject& obj);

}  // namespace lumetch
