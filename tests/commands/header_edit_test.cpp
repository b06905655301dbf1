#include "commands/header_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/page_table.h"
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
  // A spin never takes a count below 0.
  EXPECT_EQ(spin_row(d.doc, PageId::Rect, 1108, "0", false), std::nullopt);
}

}  // namespace
}  // namespace lumetch
