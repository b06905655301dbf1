#pragma once

#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>

#include "marker/marker_sim.h"
#include "model/mark_settings.h"

class QDockWidget;

namespace lumetch {

// What the built-in marker simulator marked: the marking field, the strokes
// and ellipses Y up and scaled to fit, the pen position, and a caption with
// the job's totals. During a job refresh() draws only what arrived since the
// last call into a kept picture, so it stays cheap however long the job is.
class SimPane : public QWidget {
  Q_OBJECT

 public:
  SimPane(const MarkerSim& sim, const MarkSettings& settings, QWidget* parent = nullptr);

  // A job starts: forgets the last job's picture and totals.
  void clear();
  // Takes in what the simulator received since the last call and asks for a
  // repaint.
  void refresh();
  // The job has ended: takes in the rest and shows its totals as the last job's.
  void finish();

  // "Last job: N strokes, M ellipses, L mm marked" (during a job "Marking: ...").
  QString caption() const;
  std::size_t stroke_count() const { return sim_.strokes().size(); }
  std::size_t ellipse_count() const { return sim_.ellipses().size(); }
  // Length of the pen-down moves in millimetres of the field.
  double marked_mm() const { return marked_mm_; }
  bool job_running() const { return running_; }

  // The picture of the field as last drawn (without pen mark and caption).
  const QImage& picture() const { return picture_; }
  // Where a point in marker units lies in the picture and in the widget.
  QPointF to_pixel(MarkerSim::Point p) const;

  QSize sizeHint() const override { return {320, 340}; }
  QSize minimumSizeHint() const override { return {120, 140}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Box {
    double x0 = 0, y0 = 0, x1 = 1, y1 = 1;
    bool operator==(const Box&) const = default;
  };
  // The marking field in marker units, as the marker's axes see it.
  void field_units(double& width, double& height) const;
  // Millimetres per marker unit on the marker's X and Y axes.
  void mm_per_unit(double& mx, double& my) const;
  Box field_box() const;
  QRect plot_rect() const;
  // Walks the new strokes and ellipses: totals, extent, and drawing when the
  // picture is current.
  void take_in();
  void grow_box(double x0, double y0, double x1, double y1);
  // Draws everything afresh into a picture of the plot area's size.
  void redraw_picture();
  void update_mapping();
  void reset_progress();

  const MarkerSim& sim_;
  const MarkSettings& settings_;
  QImage picture_;
  Box box_;                           // shown area in marker units: the field, widened to the marks
  double field_w_ = 0, field_h_ = 0;  // the field the box was made from
  double scale_ = 1, off_x_ = 0, off_y_ = 0;
  bool stale_ = true;  // the picture must be drawn afresh
  // Progress through the simulator: the stroke being read, points of it read,
  // ellipses read, commands seen.
  std::size_t stroke_ = 0, point_ = 0, ellipse_ = 0, commands_ = 0;
  double marked_mm_ = 0.0;
  bool running_ = false;
};

// A dock for the simulator pane, titled "Marker simulator".
QDockWidget* make_sim_dock(SimPane* pane, QWidget* parent);

}  // namespace lumetch
