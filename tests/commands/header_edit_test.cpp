#include "commands/header_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/edit.h"

namespace lumetch {
namespace {

struct Desk {
  CketralDoc doc;
  MarkObject* obj = nullptr;
  Desk() {
    auto o = std::make_unique<MarkObject>();
    o->type = RECTANGLE;
    o->width = 10;
    o->height = 5;
    o->params = RectangleParams{10, 5, 0, 0, 0};
    Commit c(doc);
    obj = c.add(std::move(o));
    doc.selection = Selection::only(obj->id);
    c.push("Create");
  }
};

TEST(HeaderEdit, EveryKeystrokeAppliesAndTheTypingIsOneUndoStep) {
  Desk d;
  const std::size_t steps = d.doc.history.size();
  std::vector<double> applied;
  for (const char* text : {"1", "12", "12.", "12.5"}) {
    ASSERT_TRUE(apply_header_text(d.doc, HeaderField::Width, text).applied);
    applied.push_back(d.obj->width);
  }
  EXPECT_EQ(applied, (std::vector<double>{1, 12, 12, 12.5}));
  EXPECT_EQ(d.obj->block<RectangleParams>()->size_x, 12.5);  // the shape is drawn that wide
  EXPECT_EQ(d.doc.history.size(), steps + 1);
  ASSERT_TRUE(undo(d.doc));
  EXPECT_EQ(d.doc.ring.find(d.obj->id)->width, 10);
}

TEST(HeaderEdit, TextsBecomeNumbersAsTheBoxesReadThem) {
  const struct {
    HeaderField field;
    const char* text;
    double value;
  } rows[] = {
      {HeaderField::CentX, "abc", 0},
      {HeaderField::CentY, " -3.25mm", -3.25},
      {HeaderField::Angle, "12345678901", 123456789},
      {HeaderField::RowGap, "+1.5", 1.5},
      {HeaderField::Rows, "7 rows", 7},
      {HeaderField::Columns, "", 0},
  };
  for (const auto& row : rows) {
    Desk d;
    ASSERT_TRUE(apply_header_text(d.doc, row.field, row.text).applied) << row.text;
    EXPECT_EQ(std::stod(header_text(*d.obj, row.field)), row.value) << row.text;
  }
}

TEST(HeaderEdit, KeepAspectCarriesTheOtherSizeAndSaysItsText) {
  Desk d;
  ASSERT_TRUE(set_keep_aspect(d.doc, true));
  const HeaderEdit e = apply_header_text(d.doc, HeaderField::Width, "20");
  EXPECT_EQ(d.obj->height, 10);
  ASSERT_TRUE(e.echo);
  EXPECT_EQ(e.echo->first, HeaderField::Height);
  EXPECT_EQ(e.echo->second, " 10.000");
  // From a width of 0 nothing scales.
  apply_header_text(d.doc, HeaderField::Width, "0");
  EXPECT_FALSE(apply_header_text(d.doc, HeaderField::Width, "5").echo);
}

TEST(HeaderEdit, CountsThatWouldMakeAHugeOrNegativeArrayAreRefused) {
  Desk d;
  ASSERT_TRUE(apply_header_text(d.doc, HeaderField::Columns, "1000").applied);
  const HeaderEdit huge = apply_header_text(d.doc, HeaderField::Rows, "1001");
  EXPECT_FALSE(huge.applied);
  EXPECT_NE(huge.status.find("1000000 copies"), std::string::npos) << huge.status;
  EXPECT_EQ(d.obj->rows, 1);
  EXPECT_TRUE(apply_header_text(d.doc, HeaderField::Rows, "1000").applied);
  EXPECT_FALSE(apply_header_text(d.doc, HeaderField::Columns, "-2").applied);
  EXPECT_EQ(d.obj->columns, 1000);
  // With no columns at all the rows alone are bounded (and never wrap a 32-bit count).
  ASSERT_TRUE(apply_header_text(d.doc, HeaderField::Columns, "0").applied);
  EXPECT_FALSE(apply_header_text(d.doc, HeaderField::Rows, "99999999999").applied);
}

TEST(HeaderEdit, SpinButtonsStepByTheStepAndCountsByOne) {
  Desk d;
  d.doc.settings.move_step = 3;  // 0.5 mm
  EXPECT_EQ(spin_text(d.doc, HeaderField::CentX, " 10.000", true), " 10.500");
  EXPECT_EQ(spin_text(d.doc, HeaderField::Angle, "  0.000", false), " -0.500");
  EXPECT_EQ(spin_text(d.doc, HeaderField::Rows, "3", true), "4");
  EXPECT_EQ(spin_text(d.doc, HeaderField::Columns, "0", false), std::nullopt);
}

}  // namespace
}  // namespace lumetch
