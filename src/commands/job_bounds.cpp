#include "commands/job_bounds.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "commands/draw_object.h"
#include "commands/engrave.h"
#include "marker/channels.h"
#include "marker/pen_emitter.h"
#include "model/units.h"

namespace lumetch {

namespace {

// The dry run asks nothing and hears no key.
class SilentOperator : public Operator {
 public:
  bool confirm(std::string_view, std::string_view) override { return true; }
  Answer ask(std::string_view, std::string_view, AskButtons) override { return Answer::No; }
  void message(std::string_view, std::string_view) override {}
  bool ask_continue() override { return false; }
  std::optional<std::filesystem::path> choose_file(const FileRequest&) override { return {}; }
  void set_status(int, std::string_view) override {}
  void redraw() override {}
  std::optional<KeyEvent> next_key() override { return std::nullopt; }
};

// Puts back what the dry run changes on the document and on an object.
class DryRunState {
 public:
  explicit DryRunState(CketralDoc& doc)
      : doc_(doc), engraving_(doc.engraving), stop_(doc.stop_requested), raster_(doc.raster_mode) {
    doc.engraving = 1;  // the generators choose the marker
    doc.stop_requested = 0;
    doc.raster_mode = 0;
  }
  ~DryRunState() {
    doc_.engraving = engraving_;
    doc_.stop_requested = stop_;
    doc_.raster_mode = raster_;
  }
  DryRunState(const DryRunState&) = delete;
  DryRunState& operator=(const DryRunState&) = delete;

 private:
  CketralDoc& doc_;
  int32_t engraving_, stop_, raster_;
};

// Squeezes a copy array to its corner copies: with two columns whose gap is
// that of the first and last column, the two copies land where those do
// (likewise rows). Every copy is its corner's geometry moved along the array,
// so the corners bound them all. Restores the array when it goes.
class CornerCopies {
 public:
  explicit CornerCopies(MarkObject& obj)
      : obj_(obj),
        rows_(obj.rows),
        columns_(obj.columns),
        row_gap_(obj.row_gap),
        column_gap_(obj.column_gap) {
    if (obj.columns > 2) {
      obj.column_gap = (obj.columns - 1) * column_gap_ + (obj.columns - 2) * obj.width;
      obj.columns = 2;
    }
    if (obj.rows > 2) {
      obj.row_gap = (obj.rows - 1) * row_gap_ + (obj.rows - 2) * obj.height;
      obj.rows = 2;
    }
  }
  ~CornerCopies() {
    obj_.rows = rows_;
    obj_.columns = columns_;
    obj_.row_gap = row_gap_;
    obj_.column_gap = column_gap_;
  }
  CornerCopies(const CornerCopies&) = delete;
  CornerCopies& operator=(const CornerCopies&) = delete;

 private:
  MarkObject& obj_;
  int32_t rows_, columns_;
  double row_gap_, column_gap_;
};

bool marked_by_job(const MarkSettings& s, const MarkObject& obj) {
  if (obj.layer < 0 || obj.layer >= kLayerCount || !has_generator(obj.type)) return false;
  if (obj.type == PLT) return true;
  const auto l = static_cast<std::size_t>(obj.layer);
  return s.power[l] > 0 && s.mark_num[l] > 0;
}

// How far, in mm, the box reaches past 0 … field on either axis.
double beyond_mm(const MoveBox& b, int32_t fx, int32_t fy, const MarkSettings& s) {
  const double x = std::max(
      {0.0, -static_cast<double>(b.min_x), static_cast<double>(b.max_x) - static_cast<double>(fx)});
  const double y = std::max(
      {0.0, -static_cast<double>(b.min_y), static_cast<double>(b.max_y) - static_cast<double>(fy)});
  const double ux = s.rate_x * kUnitsPerMm;
  const double uy = s.rate_y * kUnitsPerMm;
  return std::max(ux > 0 ? x / ux : x, uy > 0 ? y / uy : y);
}

}  // namespace

void MoveBox::add(int32_t x, int32_t y) {
  if (empty) {
    min_x = max_x = x;
    min_y = max_y = y;
    empty = false;
    return;
  }
  min_x = std::min(min_x, x);
  max_x = std::max(max_x, x);
  min_y = std::min(min_y, y);
  max_y = std::max(max_y, y);
}

void MoveBox::add(const MoveBox& other) {
  if (other.empty) return;
  add(other.min_x, other.min_y);
  add(other.max_x, other.max_y);
}

FieldCheck CheckJobField(CketralDoc& doc) {
  const MarkSettings& s = doc.settings;
  FieldCheck check;
  check.field_x = nearest_int(s.mark_size_x * s.rate_x * kUnitsPerMm);
  check.field_y = nearest_int(s.mark_size_y * s.rate_y * kUnitsPerMm);
  auto note = [&](std::string name, const MoveBox& box) {
    if (box.empty) return;
    if (box.min_x >= 0 && box.min_y >= 0 && box.max_x <= check.field_x &&
        box.max_y <= check.field_y) {
      return;
    }
    check.outside.push_back(
        {std::move(name), box, beyond_mm(box, check.field_x, check.field_y, s)});
  };

  if (s.output_style == 1) {
    if (s.power[0] > 0) {
      // Every scan line lies inside the scanning area, placed at the field position.
      MoveBox area;
      const double left = s.mark_size_x / 2 - s.scan_size_x / 2 + s.locate_cent_x;
      const double bottom = s.mark_size_y / 2 - s.scan_size_y / 2 + s.locate_cent_y;
      area.add(nearest_int(left * s.rate_x * kUnitsPerMm),
               nearest_int(bottom * s.rate_y * kUnitsPerMm));
      area.add(nearest_int((left + s.scan_size_x) * s.rate_x * kUnitsPerMm),
               nearest_int((bottom + s.scan_size_y) * s.rate_y * kUnitsPerMm));
      note("the scanning area", area);
    }
  } else {
    SilentOperator quiet;
    PortWriter nowhere(std::make_unique<NullChannel>());
    PenEmitter pen(doc, nowhere, quiet);
    MoveBox box;
    pen.set_probe([&box](int32_t x, int32_t y, bool) { box.add(x, y); });
    const DryRunState state(doc);
    GeomContext g{doc, &pen};
    for (MarkObject* obj = doc.ring.oldest(); obj != doc.ring.head(); obj = obj->prev) {
      if (!marked_by_job(s, *obj)) continue;
      box = MoveBox{};
      {
        const CornerCopies corners(*obj);
        run_generator(g, nullptr, *obj);
      }
      note(object_name(doc, *obj), box);
    }
  }
  if (s.pen_home != 0) {
    MoveBox park;
    park.add(nearest_int((s.mark_size_x / 2 + s.pen_x) * s.rate_x * kUnitsPerMm),
             nearest_int((s.mark_size_y / 2 + s.pen_y) * s.rate_y * kUnitsPerMm));
    note("the park position", park);
  }
  return check;
}

std::string describe_outside(const FieldCheck& check) {
  if (check.inside()) return {};
  char line[256];
  std::snprintf(line, sizeof line,
                "Moves of this job would leave the marking field (0..%d x 0..%d units):\n",
                check.field_x, check.field_y);
  std::string text = line;
  constexpr std::size_t kListed = 10;
  for (std::size_t i = 0; i < check.outside.size() && i < kListed; ++i) {
    const FieldCheck::Outside& o = check.outside[i];
    std::snprintf(line, sizeof line, "  %s: x %d..%d, y %d..%d, up to %.1f mm outside\n",
                  o.name.c_str(), o.box.min_x, o.box.max_x, o.box.min_y, o.box.max_y, o.beyond_mm);
    text += line;
  }
  if (check.outside.size() > kListed) {
    text += "  and " + std::to_string(check.outside.size() - kListed) + " more\n";
  }
  return text;
}

}  // namespace lumetch
