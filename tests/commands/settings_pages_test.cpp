#include "commands/settings_pages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "commands/arrange.h"
#include "commands/edit_commands.h"
#include "model/edit.h"
#include "support/desk.h"

namespace lumetch {
namespace {

using Get = double (*)(const MarkSettings&);

TEST(SettingsPages, BoxesStoreTheirSettingOrRefuseWhatWouldFailLater) {
  const struct {
    PageId page;
    int32_t id;
    const char* text;
    Get get;
    double expect;        // the setting afterwards
    const char* refusal;  // part of the status, null when stored
  } rows[] = {
      // Passes of the shown layer (layer 1 here); the other layers keep theirs.
      {PageId::Mark, 1107, "3", [](const MarkSettings& s) { return 1.0 * s.mark_num[1]; }, 3,
       nullptr},
      {PageId::Mark, 1107, "1000", [](const MarkSettings& s) { return 1.0 * s.mark_num[1]; }, 1000,
       nullptr},
      {PageId::Mark, 1107, "1001", [](const MarkSettings& s) { return 1.0 * s.mark_num[1]; }, 1,
       "A 彫刻回数 of 1001 is refused: it must lie between 0 and 1000."},
      {PageId::Mark, 1107, "-2", [](const MarkSettings& s) { return 1.0 * s.mark_num[1]; }, 1,
       "A 彫刻回数 of -2 is refused"},
      {PageId::Mark, 1108, "0", [](const MarkSettings& s) { return 1.0 * s.power[1]; }, 0, nullptr},
      {PageId::Mark, 1101, "abc", [](const MarkSettings& s) { return s.disp_size; }, 0, nullptr},
      {PageId::Scan, 1105, "-1", [](const MarkSettings& s) { return 1.0 * s.resolution; }, 40,
       "A resolution of -1 dots/mm is refused: it must lie between 0 and 10000."},
      {PageId::Scan, 1105, "10001", [](const MarkSettings& s) { return 1.0 * s.resolution; }, 40,
       "A resolution of 10001 dots/mm is refused"},
      {PageId::Scan, 1105, "1000", [](const MarkSettings& s) { return 1.0 * s.resolution; }, 1000,
       nullptr},  // 40000 x 40000 pixels
      {PageId::Scan, 1105, "2000", [](const MarkSettings& s) { return 1.0 * s.resolution; }, 40,
       "A scan raster of 80000 x 80000 pixels is refused: at most 2147483648 pixels."},
      {PageId::Scan, 1103, "60000", [](const MarkSettings& s) { return s.scan_size_x; }, 40,
       "A scan raster of 2400000 x 1600 pixels is refused"},
      {PageId::Scan, 1104, "-2000", [](const MarkSettings& s) { return s.scan_size_y; }, -2000,
       nullptr},
      // Nothing divides by the field size: the preview leaves out a field of 1 mm or less.
      {PageId::Locate, 1101, "-5", [](const MarkSettings& s) { return s.mark_size_x; }, -5,
       nullptr},
  };
  for (const auto& row : rows) {
    CketralDoc doc;
    doc.settings.mark_layer = 1;
    const MarkSettings before = doc.settings;
    const PageEdit e = apply_row(doc, row.page, row.id, row.text);
    EXPECT_EQ(e.applied, row.refusal == nullptr) << row.id << " " << row.text;
    EXPECT_EQ(row.get(doc.settings), row.expect) << row.id << " " << row.text;
    if (row.refusal != nullptr) {
      EXPECT_NE(e.status.find(row.refusal), std::string::npos) << e.status;
      EXPECT_EQ(doc.settings, before);
      EXPECT_FALSE(doc.history.can_undo());
      continue;
    }
    EXPECT_EQ(doc.settings.mark_num[0], 1);
    EXPECT_EQ(doc.settings.mark_num[2], 1);
    ASSERT_TRUE(UndoCommand(doc)) << row.id;
    EXPECT_EQ(doc.settings, before) << row.id;
  }
  // Typing into a field offset box stores nothing; the button's reading does.
  CketralDoc doc;
  EXPECT_FALSE(apply_row(doc, PageId::Locate, 1103, "12").applied);
  EXPECT_EQ(doc.settings.locate_cent_x, 0.0);
  EXPECT_TRUE(store_field_offset(doc, "12", std::nullopt).applied);
  EXPECT_EQ(std::pair(doc.settings.locate_cent_x, doc.settings.locate_cent_y),
            std::pair(12.0, 0.0));
}

TEST(SettingsPages, FieldPreviewScalesTheFieldAndPlacesOutlineAndPlotter) {
  const struct {
    double field_x, field_y, scan_x, scan_y, offset_x;
    int32_t outline, style;
    int32_t width, height;  // of the field; 0 when not drawn
    PreviewPoint centre;    // of the outline
    int32_t a, b;
    PreviewPoint dot;
    PreviewPoint first;  // first polygon point, {0, 0} when none
  } rows[] = {
      {100, 100, 40, 40, 0, 0, 0, 160, 160, {120, 80}, 32, 32, {120, 80}, {0, 0}},
      // k = 0.4: 25 mm right is 20 pixels; left top is a left and b up.
      {300, 100, 40, 20, 25, 4, 3, 240, 80, {140, 80}, 16, 8, {124, 72}, {140, 88}},
      {100, 100, 40, 20, 0, 3, 8, 160, 160, {120, 80}, 32, 16, {152, 96}, {120, 64}},
      {1, 100, 40, 40, 0, 0, 0, 0, 0, {}, 0, 0, {}, {}},
  };
  for (const auto& row : rows) {
    MarkSettings s;
    s.mark_size_x = row.field_x;
    s.mark_size_y = row.field_y;
    s.scan_size_x = row.scan_x;
    s.scan_size_y = row.scan_y;
    s.locate_cent_x = row.offset_x;
    s.scan_outline = row.outline;
    s.locate_style = row.style;
    const FieldPreview p = field_preview(s);
    ASSERT_EQ(p.drawn, row.width != 0) << row.field_x;
    if (!p.drawn) continue;
    EXPECT_EQ(p.right - p.left, row.width);
    EXPECT_EQ(p.bottom - p.top, row.height);
    EXPECT_EQ((p.left + p.right) / 2, 120);
    EXPECT_EQ(p.centre, row.centre);
    EXPECT_EQ(std::pair(p.a, p.b), std::pair(row.a, row.b));
    EXPECT_EQ(p.dot, row.dot);
    EXPECT_EQ(p.polygon.empty() ? PreviewPoint{} : p.polygon.front(), row.first);
  }
}

struct Desk : test::Desk {
  double box(int32_t id) const { return page::read_measure(row_text(doc, PageId::Group, id)); }
};

TEST(SettingsPages, GroupSizeScalesEveryObjectAboutTheFrameCentre) {
  Desk d;
  MarkObject* a = d.add(-15, 10, 10, 30);
  MarkObject* b = d.add(60, 0, 20, 10);
  b->columns = 2;  // 20 + 4 + 20 wide
  b->column_gap = 4;
  d.doc.update_screen_rect(*b);
  // Frame x from -20 to 82, y from -5 to 25.
  EXPECT_EQ(std::pair(d.box(1101), d.box(1103)), std::pair(31.0, 102.0));
  EXPECT_EQ(std::pair(d.box(1102), d.box(1104)), std::pair(10.0, 30.0));

  const struct {
    int32_t id;
    const char* text;
    double s;  // the scale expected; 1 when nothing changes
  } rows[] = {{1103, "204", 2.0}, {1104, "30", 0.5}, {1103, "0", 1.0}, {1104, "-3", 1.0}};
  for (const auto& row : rows) {
    const MarkObject a0 = *a;
    const MarkObject b0 = *b;
    const double cx = d.box(1101);
    const double cy = d.box(1102);
    const PageEdit e = apply_row(d.doc, PageId::Group, row.id, row.text);
    EXPECT_EQ(e.applied, row.s != 1.0) << row.text;
    for (const auto& [now, was] : {std::pair(a, &a0), std::pair(b, &b0)}) {
      EXPECT_DOUBLE_EQ(now->width, was->width * row.s) << row.text;
      EXPECT_DOUBLE_EQ(now->height, was->height * row.s);
      EXPECT_NEAR(now->cent_x - cx, (was->cent_x - cx) * row.s, 1e-9);
      EXPECT_NEAR(now->cent_y - cy, (was->cent_y - cy) * row.s, 1e-9);
      EXPECT_DOUBLE_EQ(std::get<RectangleParams>(now->params).size_x, now->width);
    }
    EXPECT_DOUBLE_EQ(b->column_gap, b0.column_gap * row.s);
    EXPECT_NEAR(d.box(1101), cx, 1e-9);  // the frame keeps its centre
  }
  EXPECT_NEAR(d.box(1103), 102.0, 1e-9);

  // The offset moves every object by the same amount; undo takes it back.
  const double gap = b->cent_x - a->cent_x;
  EXPECT_TRUE(apply_row(d.doc, PageId::Group, 1101, "5").applied);
  EXPECT_NEAR(d.box(1101), 5.0, 1e-9);
  EXPECT_DOUBLE_EQ(b->cent_x - a->cent_x, gap);
  ASSERT_TRUE(UndoCommand(d.doc));
  EXPECT_NEAR(d.box(1101), 31.0, 1e-9);

  // A frame without height cannot be scaled: said, nothing changed.
  a->height = b->height = 0;
  a->cent_y = b->cent_y = 0;
  const PageEdit flat = apply_row(d.doc, PageId::Group, 1103, "50");
  EXPECT_FALSE(flat.applied);
  EXPECT_NE(flat.status.find("a frame without width or height cannot be scaled"), std::string::npos)
      << flat.status;
  EXPECT_DOUBLE_EQ(a->width, 10.0);
}

}  // namespace
}  // namespace lumetch
