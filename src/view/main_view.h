#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <optional>
#include <unordered_map>

#include <cstdint>

#include "commands/object_style.h"
#include "geometry/mapping.h"
#include "model/cketral_doc.h"
#include "view/frame_drag.h"
#include "view/pick.h"
#include "view/qt_canvas.h"
#include "view/scene_cache.h"

class QPainter;

namespace lumetch {

// The editing view: the edit area, grid, scanning-area marker, every object
// and the selection marks, in view units of 0.01 mm with Y up over a
// 32000 × 32000 scroll area.
class Cmainview : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int32_t kScrollSize = 32000;
  static constexpr int32_t kPageStep = 1600;
  static constexpr int32_t kLineStep = 160;

  explicit Cmainview(CketralDoc& doc, QWidget* parent = nullptr);

  CketralDoc& doc() { return doc_; }

  // Paints the whole view into `p` (device pixels) through `m`, afresh.
  void OnDraw(QPainter& p, const ViewMapping& m);

  // The paint event copies the scene (all but the selection marks) from a
  // picture kept per zoom, scale and settings, drawn once for the whole
  // scroll area and mended where objects changed. Off: every paint draws
  // every object (the picture is the same, pixel for pixel).
  void set_scene_cache(bool on);
  bool scene_cache_on() const { return cache_on_; }
  const SceneCache& scene_cache() const { return cache_; }
  SceneCache& scene_cache() { return cache_; }
  // What an edit changed: the kept picture is drawn again where the changed
  // objects were and are.
  void document_changed(const ChangeNotice& notice);
  // Something changed that no notice names: the kept pictures go.
  void scene_changed();
  // The part of the field the painter's area (or clip) shows through `m`.
  FieldWindow field_window(const QPainter& p, const ViewMapping& m) const;
  // The selection marks, drawn NOT-XOR so a second drawing erases them.
  void DrawSelectionMarks(QPainter& p, const ViewMapping& m);
  // Asks for a repaint of the selection marks after the selection changed.
  void DrawSelectionMarks();

  // Zoom in / out one step; false (and nothing changed) at the limit.
  bool zoom_in();
  bool zoom_out();
  void toggle_grid();
  bool grid_on() const { return doc_.view.grid_on != 0; }

  // Repaints the area of the changed selection (mm, degrees).
  void InvalidateSelection(double width, double height, double angle);
  // Repaints the band along the scanning-area marker.
  void InvalidateScanArea();
  // The pixel areas the two operations above repaint, through `m`.
  QRegion selection_area(double width, double height, double angle, const ViewMapping& m) const;
  QRegion scan_area_band(const ViewMapping& m) const;
  // The pixels of the dotted frame and the handles of `frame` through `m`.
  QRegion marks_region(const FrameRect& frame, const ViewMapping& m) const;
  // The pixels of the rubber band's outline from the anchor to `corner`.
  QRegion band_region(ViewPoint corner, const ViewMapping& m) const;

  // Device pixels per view unit (physical size of the screen).
  double pixels_per_unit() const { return scale_; }
  void set_pixels_per_unit(double scale);
  // Widget pixels ↔ view units at the current scroll position.
  ViewMapping mapping() const;
  // The view point at the top-left corner of the pane (Y negative below the
  // top of the scroll area), as kept in "screen.$".
  QPoint scroll_position() const;
  void set_scroll_position(int32_t x, int32_t y);

  // Draws the printed page: objects only, at true size, with the field centre
  // at 99 mm from the page's left and 140 mm from its top. `pixels_per_unit`
  // is the device's resolution per 0.01 mm. Zoom, grid and origin are the
  // same afterwards as before.
  void print_page(QPainter& p, double pixels_per_unit);

  // Status-bar text for the pointer at view point (x, y).
  QString readout_text(int32_t view_x, int32_t view_y) const;
  // Recomputes the selection frame from the selected objects.
  void update_frame();
  // After an arrangement command: the frame follows the selection and the
  // area it left and reached is repainted.
  void arranged(const std::optional<StyleInvalidate>& area);

 signals:
  void readout_changed(const QString& text);
  void zoom_changed(int zoom_index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void update_scroll_bars();
  void apply_zoom();

  // Marks of the old and the new frame repainted, not the whole view.
  void repaint_marks();
  // While a drag or a band is under way the picture under the marks is kept
  // in `scene_`, so a mouse step copies back the few pixels the marks left
  // and draws them anew instead of drawing every object again.
  bool tracking() const { return drag_.has_value() || band_anchor_.has_value(); }
  void capture_scene();
  void drop_scene() { scene_ = QImage(); }

  // OnDraw without the marks. `drawn` (when given) gets the pixels of the
  // whole scroll area each object drew; `stamped` is set when blocks of
  // copies were put.
  void draw_scene(QPainter& p, const ViewMapping& m, std::unordered_map<ObjectId, QRect>* drawn,
                  bool* stamped);
  SceneKey scene_key() const;
  uint64_t ring_print() const;
  // The kept picture holding the pane's pixels through `m`, drawn or mended
  // as needed; null when none can be kept.
  const SceneCache::Entry* scene_for(const ViewMapping& m, QSize size);
  // The pixels of the scroll area the pane can show, and the part of them
  // to keep around `needed`.
  QRect cache_area(const ViewMapping& m, const QRect& needed) const;
  // Draws `area` (pixels of the scroll area, inside e.area) of e's picture again.
  void redraw(SceneCache::Entry& e, const QRect& area);
  // Where `obj` draws inside `area` (pixels of the scroll area).
  QRect footprint(const MarkObject& obj, const QRect& area);
  // The selection marks and the rubber band over the scene.
  void draw_overlay(QPainter& p, const ViewMapping& m);

  CketralDoc& doc_;
  double scale_ = 96.0 / 2540.0;
  // A drag of the frame or of a handle, from press to release.
  std::optional<FrameDrag> drag_;
  FrameRect drag_start_{};
  // A rubber band, from its anchor (view units) to the pointer.
  std::optional<ViewPoint> band_anchor_;
  ViewPoint band_corner_{};
  ViewPoint band_drawn_{};
  bool band_ctrl_ = false;
  QImage scene_;
  bool marks_hidden_ = false;
  bool cache_on_ = true;
  uint64_t seen_notices_ = 0;  // doc_.notices when document_changed was last told
  SceneCache cache_;
};

}  // namespace lumetch
