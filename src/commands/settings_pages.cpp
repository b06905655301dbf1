// The "drawing" pages (mark settings, scanning area, field) and the page of
// several selected objects.

#include "commands/settings_pages.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "commands/arrange.h"
#include "commands/page_rows.h"
#include "model/edit.h"
#include "model/units.h"

namespace lumetch {

namespace {

using Layers = std::array<int32_t, kLayerCount>;

// Settings rows repaint nothing of the selection.
constexpr PageRow setting_row(int32_t id, std::string_view label, RowKind kind, RowRead read,
                              RowApply apply, PageRepaint repaint = PageRepaint::None) {
  PageRow r{id, label, kind, read, apply};
  r.repaint = repaint;
  return r;
}

// --- settings rows -------------------------------------------------------

template <double MarkSettings::*M>
std::string measure_read(const CketralDoc& doc) {
  return page::fixed(doc.settings.*M);
}

template <double MarkSettings::*M>
PageEdit measure_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const double v = page::read_measure(text);
  return page::change_document(doc, key, [v](CketralDoc& d, PageEdit&) {
    d.settings.*M = v;
    return true;
  });
}

template <double MarkSettings::*M>
constexpr PageRow measure_row(int32_t id, std::string_view label,
                              PageRepaint repaint = PageRepaint::None) {
  return setting_row(id, label, RowKind::Measure, &measure_read<M>, &measure_apply<M>, repaint);
}

template <int32_t MarkSettings::*M>
std::string flag_read(const CketralDoc& doc) {
  return doc.settings.*M != 0 ? "1" : "0";
}

template <int32_t MarkSettings::*M>
PageEdit flag_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int32_t v = text == "1" ? 1 : 0;
  return page::change_document(doc, key, [v](CketralDoc& d, PageEdit&) {
    d.settings.*M = v;
    return true;
  });
}

template <int32_t MarkSettings::*M>
constexpr PageRow flag_row(int32_t id, std::string_view label) {
  return setting_row(id, label, RowKind::Check, &flag_read<M>, &flag_apply<M>);
}

// A value outside the group (an edited settings file) ticks no radio: "-1"
// names none of them, nor a radio of the next group.
template <int32_t MarkSettings::*M, int32_t N>
std::string choice_read(const CketralDoc& doc) {
  const int32_t v = doc.settings.*M;
  return v >= 0 && v < N ? std::to_string(v) : "-1";
}

// A radio index outside the group is no choice.
template <int32_t MarkSettings::*M, int32_t N>
PageEdit choice_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t v = page::read_count(text);
  if (v < 0 || v >= N) return {};
  return page::change_document(doc, key, [v](CketralDoc& d, PageEdit&) {
    d.settings.*M = static_cast<int32_t>(v);
    return true;
  });
}

template <int32_t MarkSettings::*M, std::size_t N>
constexpr PageRow choice_row(int32_t id, std::string_view group,
                             const std::string_view (&choices)[N],
                             PageRepaint repaint = PageRepaint::None) {
  constexpr auto n = static_cast<int32_t>(N);
  PageRow r =
      setting_row(id, group, RowKind::Choice, &choice_read<M, n>, &choice_apply<M, n>, repaint);
  r.choices = choices;
  r.group = group;
  return r;
}

// --- the layer rows ------------------------------------------------------

// A layer index from an edited settings file may lie outside the arrays.
std::size_t shown_layer(const MarkSettings& s) {
  return s.mark_layer >= 0 && s.mark_layer < kLayerCount ? static_cast<std::size_t>(s.mark_layer)
                                                         : 0;
}

template <Layers MarkSettings::*M>
std::string layer_read(const CketralDoc& doc) {
  return std::to_string((doc.settings.*M)[shown_layer(doc.settings)]);
}

// Changes the shown layer's value only; a number outside [Min, Max] is
// refused and the layer keeps its value.
template <Layers MarkSettings::*M, int64_t Min, int64_t Max>
PageEdit layer_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t n = page::read_count(text);
  if (n < Min || n > Max) {
    PageEdit refused;
    refused.status = "A " + std::string(key.label) + " of " + std::to_string(n) +
                     " is refused: it must lie between " + std::to_string(Min) + " and " +
                     std::to_string(Max) + ".";
    return refused;
  }
  return page::change_document(doc, key, [n](CketralDoc& d, PageEdit&) {
    (d.settings.*M)[shown_layer(d.settings)] = static_cast<int32_t>(n);
    return true;
  });
}

template <Layers MarkSettings::*M, int64_t Min = std::numeric_limits<int32_t>::min(),
          int64_t Max = std::numeric_limits<int32_t>::max()>
constexpr PageRow layer_row(int32_t id, std::string_view label) {
  return setting_row(id, label, RowKind::Count, &layer_read<M>, &layer_apply<M, Min, Max>);
}

std::string constant_speed_read(const CketralDoc& doc) {
  return doc.settings.pen_add[shown_layer(doc.settings)] != 0 ? "1" : "0";
}

PageEdit constant_speed_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int32_t v = text == "1" ? 1 : 0;
  return page::change_document(doc, key, [v](CketralDoc& d, PageEdit&) {
    d.settings.pen_add[shown_layer(d.settings)] = v;
    return true;
  });
}

// --- the scanning area ---------------------------------------------------

std::string pixels_text(double n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, n < 1e15 ? "%.0f" : "%.3g", n);
  return buf;
}

double raster_side(double mm, int32_t resolution) {
  return std::fabs(std::round(resolution * mm));
}

// Empty when the raster of `s` can be made, else why not.
std::string raster_refusal(const MarkSettings& s) {
  if (scan_raster_pixels(s) <= kMaxScanPixels) return {};
  return "A scan raster of " + pixels_text(raster_side(s.scan_size_x, s.resolution)) + " x " +
         pixels_text(raster_side(s.scan_size_y, s.resolution)) + " pixels is refused: at most " +
         pixels_text(kMaxScanPixels) + " pixels. Lower the resolution or the scanning area.";
}

template <double MarkSettings::*M>
PageEdit scan_size_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const double v = page::read_measure(text);
  return page::change_document(doc, key, [v](CketralDoc& d, PageEdit& e) {
    d.settings.*M = v;
    e.status = raster_refusal(d.settings);
    return e.status.empty();  // a refusal is reverted by the commit
  });
}

std::string resolution_read(const CketralDoc& doc) {
  return std::to_string(doc.settings.resolution);
}

PageEdit resolution_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t n = page::read_count(text);
  if (n < 0 || n > kMaxResolution) {
    PageEdit refused;
    refused.status = "A resolution of " + std::to_string(n) +
                     " dots/mm is refused: it must lie between 0 and " +
                     std::to_string(kMaxResolution) + ".";
    return refused;
  }
  return page::change_document(doc, key, [n](CketralDoc& d, PageEdit& e) {
    d.settings.resolution = static_cast<int32_t>(n);
    e.status = raster_refusal(d.settings);
    return e.status.empty();
  });
}

// --- the field -----------------------------------------------------------

template <double MarkSettings::*M>
constexpr PageRow offset_row(int32_t id, std::string_view label) {
  // Typing stores nothing: a spin step or "プロッタの移動" reads the box.
  PageRow r =
      setting_row(id, label, RowKind::Measure, &measure_read<M>, nullptr, PageRepaint::Preview);
  r.acts_on_spin = true;
  return r;
}

// --- several objects -----------------------------------------------------

enum class GroupBox : uint8_t { OffsetX, OffsetY, SizeX, SizeY };

// The frame's centre and size in mm.
std::optional<double> group_value(const CketralDoc& doc, GroupBox box) {
  const auto frame = selection_frame(doc);
  if (!frame) return std::nullopt;
  const auto [l, t, r, b] = *frame;
  const double z = doc.view.zoom();
  switch (box) {
    case GroupBox::OffsetX:
      return ((l + r) / 2 - doc.view.origin_x) / z / 2;
    case GroupBox::OffsetY:
      return ((t + b) / 2 + doc.view.origin_y) / z / 2;
    case GroupBox::SizeX:
      return std::fabs(r - l) / 2 / z;
    case GroupBox::SizeY:
      return std::fabs(b - t) / 2 / z;
  }
  return std::nullopt;
}

template <GroupBox B>
std::string group_read(const CketralDoc& doc) {
  const auto v = group_value(doc, B);
  return v ? page::fixed(*v) : std::string();
}

// Every selected object moves by the same amount, so that the frame's
// centre lands on the typed value.
template <GroupBox B>
PageEdit group_offset_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  PageEdit out;
  const auto now = group_value(doc, B);
  if (!now) return out;
  const double d = page::read_measure(text) - *now;
  Commit commit(doc);
  StyleInvalidate area{0.0, 0.0, 90.0};
  for (MarkObject& o : doc.ring.oldest_first()) {
    if (!is_selected(doc, o)) continue;
    commit.modify(o);
    (B == GroupBox::OffsetX ? o.cent_x : o.cent_y) += d;
    doc.update_screen_rect(o);
    widen_to_turned(area, o);
  }
  commit.push("Edit " + std::string(key.label), key.merge);
  out.applied = true;
  out.area = area;
  return out;
}

// The frame takes the typed size, keeping its proportions, and every
// selected object is scaled into it about the frame's centre exactly as the
// keyboard resize scales (type sizes and array gaps included). A size of 0
// or less changes nothing.
template <GroupBox B>
PageEdit group_size_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  PageEdit out;
  const auto w = group_value(doc, GroupBox::SizeX);
  const auto h = group_value(doc, GroupBox::SizeY);
  if (!w || !h) return out;
  const double v = page::read_measure(text);
  if (!(v > 0)) return out;
  if (!(*w > 0) || !(*h > 0)) {
    out.status = "The selection is " + page::fixed(*w) + " mm wide and " + page::fixed(*h) +
                 " mm high: a frame without width or height cannot be scaled.";
    return out;
  }
  const double s = v / (B == GroupBox::SizeX ? *w : *h);
  if (s == 1) {
    out.applied = true;
    return out;
  }
  const auto area = ScaleSelection(doc, s, s, "Edit " + std::string(key.label), key.merge);
  if (!area) return out;
  out.applied = true;
  out.area = *area;
  return out;
}

template <GroupBox B>
constexpr PageRow group_row(int32_t id, std::string_view label) {
  const bool offset = B == GroupBox::OffsetX || B == GroupBox::OffsetY;
  return {id, label, RowKind::Measure, &group_read<B>,
          offset ? &group_offset_apply<B> : &group_size_apply<B>};
}

// --- the tables ----------------------------------------------------------

using S = MarkSettings;

constexpr std::string_view kLayers[] = {"黒", "赤", "黄", "緑", "シアン", "青", "マゼンタ", "白"};

constexpr PageRow kMarkRows[] = {
    measure_row<&S::disp_size>(1101, "編集エリア", PageRepaint::View),
    measure_row<&S::grid_size>(1102, "グリッド", PageRepaint::View),
    measure_row<&S::rate_x>(1103, "スケールX"),
    measure_row<&S::rate_y>(1104, "スケールY"),
    flag_row<&S::change_xy>(1048, "X Y 軸交換"),
    flag_row<&S::change_x>(1049, "X軸交換"),
    flag_row<&S::change_y>(1050, "Y軸交換"),
    flag_row<&S::pen_home>(1051, "彫刻後のホーム"),
    [] {
      PageRow r = measure_row<&S::pen_x>(1105, "ホームX");
      r.acts_on_spin = true;  // the pen goes to the new home at once
      return r;
    }(),
    [] {
      PageRow r = measure_row<&S::pen_y>(1106, "ホームY");
      r.acts_on_spin = true;
      return r;
    }(),
    choice_row<&S::mark_layer>(1301, "レイヤー", kLayers),
    layer_row<&S::mark_num, 0, kMaxPasses>(1107, "彫刻回数"),
    layer_row<&S::power>(1108, "パワー"),
    layer_row<&S::speed>(1109, "スピード"),
    setting_row(1052, "一定速度", RowKind::Check, &constant_speed_read, &constant_speed_apply),
};

constexpr std::string_view kOutlines[] = {"四角形", "円形", "菱形", "三角形", "逆三角形"};
constexpr std::string_view kScanStyles[] = {"凹彫刻", "凸彫刻"};
constexpr std::string_view kDirections[] = {"水平方向", "垂直方向"};
constexpr std::string_view kOutputStyles[] = {"アウトライン", "スキャニング"};
constexpr std::string_view kConversions[] = {"スキャニングPlt", "BMPファイル", "アウトラインVct",
                                             "アウトラインPlt"};

constexpr PageRow kScanRows[] = {
    measure_row<&S::scan_cent_x>(1101, "オフセットX", PageRepaint::ScanArea),
    measure_row<&S::scan_cent_y>(1102, "オフセットY", PageRepaint::ScanArea),
    setting_row(1103, "横幅", RowKind::Measure, &measure_read<&S::scan_size_x>,
                &scan_size_apply<&S::scan_size_x>, PageRepaint::ScanArea),
    setting_row(1104, "縦幅", RowKind::Measure, &measure_read<&S::scan_size_y>,
                &scan_size_apply<&S::scan_size_y>, PageRepaint::ScanArea),
    setting_row(1105, "解像度(Dot/mm)", RowKind::Count, &resolution_read, &resolution_apply),
    measure_row<&S::scan_dot>(1106, "走査間隔"),
    choice_row<&S::scan_outline>(1311, "アウトライン", kOutlines, PageRepaint::ScanArea),
    choice_row<&S::scan_style_yz>(1321, "スキャニングのスタイル", kScanStyles),
    choice_row<&S::scan_style_hz>(1331, "スキャニング方向", kDirections),
    choice_row<&S::output_style>(1341, "出力のスタイル", kOutputStyles),
    choice_row<&S::convert_style>(1351, "ファイル変換スタイル", kConversions),
    {1199, "変換", RowKind::Button},
};

constexpr std::string_view kPositions[] = {"中央", "中央上", "中央下", "左上", "左中",
                                           "左下", "右上",   "右中",   "右下"};

constexpr PageRow kLocateRows[] = {
    measure_row<&S::mark_size_x>(1101, "フィールドX", PageRepaint::Preview),
    measure_row<&S::mark_size_y>(1102, "フィールドY", PageRepaint::Preview),
    offset_row<&S::locate_cent_x>(1103, "オフセットX"),
    offset_row<&S::locate_cent_y>(1104, "オフセットY"),
    choice_row<&S::locate_style>(1301, "プロッタの位置", kPositions, PageRepaint::Preview),
    {1041, "プロッタの移動", RowKind::Button},
    {1042, "アウトラインのテスト", RowKind::Button},
};

constexpr PageRow kGroupRows[] = {
    group_row<GroupBox::OffsetX>(1101, "オフセットX"),
    group_row<GroupBox::OffsetY>(1102, "オフセットY"),
    group_row<GroupBox::SizeX>(1103, "サイズX"),
    group_row<GroupBox::SizeY>(1104, "サイズY"),
};

// Keeps preview numbers far from the int32 limits whatever the settings.
int32_t bounded(double v) {
  constexpr double kLimit = 100000.0;
  return nearest_int(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

std::span<const PageRow> settings_page_rows(PageId id) {
  switch (id) {
    case PageId::Mark:
      return kMarkRows;
    case PageId::Scan:
      return kScanRows;
    case PageId::Locate:
      return kLocateRows;
    case PageId::Group:
      return kGroupRows;
    default:
      return {};
  }
}

double scan_raster_pixels(const MarkSettings& s) {
  return raster_side(s.scan_size_x, s.resolution) * raster_side(s.scan_size_y, s.resolution);
}

void MovePenHome(PenEmitter& pen) {
  const MarkSettings& s = pen.doc().settings;
  pen.EmitMove(nearest_int((s.mark_size_x / 2 + s.pen_x) * s.rate_x * kUnitsPerMm),
               nearest_int((s.mark_size_y / 2 + s.pen_y) * s.rate_y * kUnitsPerMm), false);
}

PageEdit store_field_offset(CketralDoc& doc, std::optional<std::string_view> x,
                            std::optional<std::string_view> y) {
  const RowKey key{x && y ? "field offset"
                   : x    ? "field offset x"
                          : "field offset y",
                   x && y ? "プロッタの移動" : "オフセット"};
  return page::change_document(doc, key, [x, y](CketralDoc& d, PageEdit&) {
    if (x) d.settings.locate_cent_x = page::read_measure(*x);
    if (y) d.settings.locate_cent_y = page::read_measure(*y);
    return true;
  });
}

std::optional<FileRequest> convert_request(const MarkSettings& s) {
  FileRequest r;
  r.save = true;
  r.overwrite_prompt = true;
  switch (s.convert_style) {
    case 0:
    case 3:
      r.default_extension = "PLT";
      r.filter = "PLT File(*.PLT)|*.PLT|";
      break;
    case 1:
      r.default_extension = "BMP";
      r.filter = "BMP File(*.BMP)|*.BMP|";
      break;
    case 2:
      r.default_extension = "VCT";
      r.filter = "VCT File(*.VCT)|*.VCT";
      break;
    default:
      return std::nullopt;
  }
  r.initial_name = "*." + r.default_extension;
  return r;
}

FieldPreview field_preview(const MarkSettings& s) {
  FieldPreview p;
  if (!(s.mark_size_x > 1) || !(s.mark_size_y > 1)) return p;
  constexpr int32_t kCx = kPreviewWidth / 2;
  constexpr int32_t kCy = kPreviewHeight / 2;
  // k is pixels per half millimetre: the field spans centre ± size·k.
  double k = 0.0;
  int32_t hw = 0;
  int32_t hh = 0;
  if (s.mark_size_x < 1.5 * s.mark_size_y) {
    hh = 80;
    k = 80 / s.mark_size_y;
    hw = nearest_int(s.mark_size_x * k);
  } else {
    hw = 120;
    k = 120 / s.mark_size_x;
    hh = nearest_int(s.mark_size_y * k);
  }
  p.drawn = true;
  p.left = kCx - hw;
  p.top = kCy - hh;
  p.right = kCx + hw;
  p.bottom = kCy + hh;

  p.outline = s.scan_outline;
  p.a = bounded(std::fabs(s.scan_size_x * k));
  p.b = bounded(std::fabs(s.scan_size_y * k));
  // The offset is a whole millimetre length, 2k pixels per mm like the field,
  // so that the outline sits where the plotter goes.
  p.centre = {kCx + bounded(2 * k * s.locate_cent_x), kCy - bounded(2 * k * s.locate_cent_y)};
  const auto [cx, cy] = p.centre;
  const int32_t a = p.a;
  const int32_t b = p.b;
  switch (s.scan_outline) {
    case 2:
      p.polygon = {{cx, cy - b}, {cx + a, cy}, {cx, cy + b}, {cx - a, cy}};
      break;
    case 3:  // apex at the top
      p.polygon = {{cx, cy - b}, {cx + a, cy + b}, {cx - a, cy + b}};
      break;
    case 4:  // apex at the bottom
      p.polygon = {{cx, cy + b}, {cx - a, cy - b}, {cx + a, cy - b}};
      break;
    default:
      break;
  }
  // The reference point of each plotter position: -1 left or down, 1 right or up.
  static constexpr int32_t kSide[9][2] = {{0, 0},   {0, 1}, {0, -1}, {-1, 1}, {-1, 0},
                                          {-1, -1}, {1, 1}, {1, 0},  {1, -1}};
  if (s.locate_style >= 0 && s.locate_style <= 8) {
    const int32_t* side = kSide[s.locate_style];
    p.dot = PreviewPoint{cx + side[0] * a, cy - side[1] * b};
  }
  return p;
}

}  // namespace lumetch
