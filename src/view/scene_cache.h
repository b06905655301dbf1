#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>

#include "model/mark_object.h"
#include "platform/rgb.h"

namespace lumetch {

// Everything besides the objects and the scroll position that the picture of
// the scene depends on: a kept picture is for one of these only.
struct SceneKey {
  double scale = 0.0;
  int32_t zoom = 0;
  int32_t origin_x = 0;
  int32_t origin_y = 0;
  int32_t grid_on = 0;
  int32_t printing = 0;
  int32_t raster_mode = 0;
  int32_t engraving = 0;
  double disp_size = 0.0;
  double grid_size = 0.0;
  double scan_cent_x = 0.0;
  double scan_cent_y = 0.0;
  double scan_size_x = 0.0;
  double scan_size_y = 0.0;
  int32_t scan_outline = 0;
  std::array<Rgb, 8> layer_colours{};

  bool operator==(const SceneKey&) const = default;
};

// Pictures of the scene (everything but the selection marks), in pixels of
// the whole scroll area, kept so that a repaint copies what did not change
// instead of drawing every object again. Bounded by bytes; the least
// recently used picture goes first.
class SceneCache {
 public:
  static constexpr std::size_t kDefaultLimit = std::size_t{128} << 20;

  struct Entry {
    SceneKey key;
    QRect area;   // the pixels the image holds
    QImage image;
    // Where each object drew inside `area`, for what an edit must redraw.
    std::unordered_map<ObjectId, QRect> drawn;
    QRegion dirty;          // to be drawn again before the image is shown
    uint64_t ring_print = 0;  // the objects' order the image was drawn for
    // False when the picture depends on what was in sight (blocks of copies
    // put by the canvas): such a scene is painted afresh every time.
    bool exact = true;
    uint64_t used = 0;
  };

  // The picture for `key` that holds `needed`; null when there is none.
  Entry* find(const SceneKey& key, const QRect& needed);
  // The newest picture for `key`, whatever it holds.
  Entry* current(const SceneKey& key);
  // Keeps `e`, replacing any other picture of its key, then drops the least
  // recently used others until the limit is kept.
  Entry& insert(Entry e);
  // Drops every picture but `keep` (null: all).
  void drop_all_but(const Entry* keep);
  void clear() { drop_all_but(nullptr); }

  std::size_t bytes() const;
  std::size_t size() const { return entries_.size(); }
  std::size_t limit() const { return limit_; }
  void set_limit(std::size_t bytes) { limit_ = bytes; }
  // The largest picture kept: half the limit, so that a zoom step back
  // finds the picture it left.
  std::size_t entry_limit() const { return limit_ / 2; }

 private:
  void trim(const Entry* keep);

  std::list<Entry> entries_;
  std::size_t limit_ = kDefaultLimit;
  uint64_t clock_ = 0;
};

}  // namespace lumetch
