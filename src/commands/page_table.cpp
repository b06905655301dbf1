#include "commands/page_table.h"

#include <array>
#include <cstdio>
#include <iterator>

#include "commands/arrange.h"
#include "commands/page_rows.h"
#include "model/edit.h"
#include "platform/text_file.h"

namespace lumetch {

namespace page {

std::string fixed(double v) {
  return box_text(v);
}

double read_measure(std::string_view text) {
  return read_box_text(text);
}

int64_t read_count(std::string_view text) {
  return leading_integer(text.substr(0, 9));
}

MarkObject* current_of(CketralDoc& doc, int32_t type) {
  MarkObject* o = current_object(doc);
  return o != nullptr && (type == 0 || o->type == type) ? o : nullptr;
}

const MarkObject* current_of(const CketralDoc& doc, int32_t type) {
  return current_of(const_cast<CketralDoc&>(doc), type);
}

PageEdit change_current(CketralDoc& doc, const RowKey& key,
                        const std::function<bool(MarkObject&, PageEdit&)>& change) {
  PageEdit out;
  MarkObject* obj = current_of(doc);
  if (obj == nullptr) return out;
  Commit commit(doc);
  commit.modify(*obj);
  if (!change(*obj, out)) return out;  // the commit reverts what was staged
  doc.update_screen_rect(*obj);
  commit.push("Edit " + std::string(key.label), key.merge);
  out.applied = true;
  out.area = {obj->width, obj->height, obj->angle};
  widen_to_turned(out.area, *obj);
  return out;
}

PageEdit change_document(CketralDoc& doc, const RowKey& key,
                         const std::function<bool(CketralDoc&, PageEdit&)>& change) {
  PageEdit out;
  Commit commit(doc);
  if (!change(doc, out)) return out;
  commit.push("Edit " + std::string(key.label), key.merge);
  out.applied = true;
  return out;
}

std::string keep_aspect_read(const CketralDoc& doc) {
  const MarkObject* o = current_of(doc);
  return o != nullptr && o->keep_aspect == 1 ? "1" : "0";
}

PageEdit keep_aspect_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    o.keep_aspect = text == "1" ? 1 : 0;
    return true;
  });
}

}  // namespace page

namespace {

constexpr PageDef kPages[] = {
    {PageId::Mark, "データ設定", {}},
    {PageId::Scan, "スキャニングエリア設定", {}},
    {PageId::Locate, "フィールド設定", {}},
    {PageId::Line, "直線のプロパティ", {}},
    {PageId::Rect, "四角形のプロパティ", {}},
    {PageId::Circle, "円形のプロパティ", {}},
    {PageId::Triangle, "三角形のプロパティ", {}},
    {PageId::Rhombic, "菱形のプロパティ", {}},
    {PageId::Polygon, "多角形のプロパティ", {}},
    {PageId::Barcode, "Barcode Property", {}},
    {PageId::LineText, "直線文字列のプロパティ", {}},
    {PageId::ArcText, "回し文字のプロパティ", {}},
    {PageId::PerWord, "単一文字のプロパティ", {}},
    {PageId::Plt, "PLTのプロパティ", {}},
    {PageId::Bmp, "Bmpのプロパティ", {}},
    {PageId::Vct, "VCTのプロパティ", {}},
    {PageId::Group, "プロパティ", {}},
    {PageId::Code, "コードのプロパティ", {}},
};

std::span<const PageRow> rows_of(PageId id) {
  switch (id) {
    case PageId::Mark:
    case PageId::Scan:
    case PageId::Locate:
    case PageId::Group:
      return settings_page_rows(id);
    case PageId::LineText:
    case PageId::ArcText:
    case PageId::PerWord:
      return text_page_rows(id);
    case PageId::Code:
      return code_page_rows();
    default:
      return shape_page_rows(id);
  }
}

bool object_page(PageId id) {
  return id != PageId::Mark && id != PageId::Scan && id != PageId::Locate;
}

const char* page_name(PageId id) {
  return kPages[static_cast<std::size_t>(id)].title.data();
}

}  // namespace

const PageDef& page_def(PageId id) {
  // The rows live beside their page's own code; the titles here.
  static const auto pages = [] {
    std::array<PageDef, std::size(kPages)> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i] = kPages[i];
      out[i].rows = rows_of(kPages[i].id);
    }
    return out;
  }();
  return pages[static_cast<std::size_t>(id)];
}

std::vector<PageId> pages_for_kind(int32_t kind) {
  switch (kind) {
    case 0:
      return {PageId::Mark, PageId::Scan, PageId::Locate};
    case -1:
      return {PageId::Group};
    case LINE:
      return {PageId::Line};
    case RECTANGLE:
      return {PageId::Rect};
    case CIRCLE:
      return {PageId::Circle};
    case LINE_TEXT:
      return {PageId::LineText, PageId::PerWord};
    case PLT:
      return {PageId::Plt};
    case ARC_TEXT:
      return {PageId::ArcText, PageId::PerWord};
    case BMP:
      return {PageId::Bmp};
    case TRIANGLE:
      return {PageId::Triangle};
    case RHOMBIC:
      return {PageId::Rhombic};
    case POLYGON:
      return {PageId::Polygon};
    case BARCODE:
      return {PageId::Barcode};
    case VCT:
      return {PageId::Vct};
    case CODE:
      return {PageId::Code};
    default:
      return {};
  }
}

const PageRow* find_row(PageId page, int32_t id) {
  for (const PageRow& r : page_def(page).rows) {
    if (r.id == id) return &r;
  }
  return nullptr;
}

std::string row_text(const CketralDoc& doc, PageId page, int32_t id) {
  const PageRow* r = find_row(page, id);
  return r != nullptr && r->read != nullptr ? r->read(doc) : std::string();
}

PageEdit apply_row(CketralDoc& doc, PageId page, int32_t id, std::string_view text) {
  const PageRow* r = find_row(page, id);
  if (r == nullptr || r->apply == nullptr) return {};
  if (object_page(page) && doc.ring.is_empty()) return {};
  const MarkObject* o = current_object(doc);
  const RowKey key{std::string(page_name(page)) + " " + std::to_string(id) + " " +
                       std::to_string(o != nullptr ? o->id : kNoObject),
                   r->label};
  return r->apply(doc, text, key);
}

std::optional<std::string> spin_row(const CketralDoc& doc, PageId page, int32_t id,
                                    std::string_view text, bool up) {
  const PageRow* r = find_row(page, id);
  if (r == nullptr || !r->spins) return std::nullopt;
  if (r->kind == RowKind::Count) {
    const int64_t n = page::read_count(text) + (up ? 1 : -1);
    if (n < 0) return std::nullopt;
    return std::to_string(n);
  }
  if (r->kind != RowKind::Measure) return std::nullopt;
  const double s = current_step(doc);
  return page::fixed(page::read_measure(text) + (up ? s : -s));
}

}  // namespace lumetch
