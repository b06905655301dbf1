#pragma once

// Row builders shared by the tables of the property pages.

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "commands/header_edit.h"
#include "commands/page_table.h"

namespace lumetch::page {

// The shared rows: offset, size, angle, counts and gaps through the header
// edit, which also keeps a shape's own size fields equal to its size.
template <HeaderField F>
std::string header_read(const CketralDoc& doc) {
  const MarkObject* o = current_of(doc);
  return o != nullptr ? header_text(*o, F) : std::string();
}

template <HeaderField F>
PageEdit header_apply(CketralDoc& doc, std::string_view text, const RowKey& /*key*/) {
  PageEdit out;
  if (doc.ring.is_empty()) return out;
  const HeaderEdit e = apply_header_text(doc, F, text);
  out.applied = e.applied;
  out.status = e.status;
  out.area = e.area;
  return out;
}

template <HeaderField F>
constexpr PageRow header_row(int32_t id, std::string_view label) {
  const bool count = F == HeaderField::Rows || F == HeaderField::Columns;
  return {id, label, count ? RowKind::Count : RowKind::Measure, &header_read<F>, &header_apply<F>};
}

std::string keep_aspect_read(const CketralDoc& doc);
PageEdit keep_aspect_apply(CketralDoc& doc, std::string_view text, const RowKey& key);
inline constexpr PageRow keep_aspect_row(int32_t id = 1051) {
  return {id, "縦横の比率を固定する", RowKind::Check, &keep_aspect_read, &keep_aspect_apply};
}

// A member of the current object's block, `Member` a pointer to a double or
// int32_t member of the block type.
template <class Block, class T>
Block block_type_of(T Block::*);

template <auto Member>
std::string block_read(const CketralDoc& doc) {
  using Block = decltype(block_type_of(Member));
  const auto& v = current_block<Block>(doc).*Member;
  if constexpr (std::is_same_v<std::decay_t<decltype(v)>, double>) {
    return fixed(v);
  } else {
    return std::to_string(v);
  }
}

// Stores the typed value; a whole number below 0 or above `Max` is refused.
template <auto Member, int64_t Max = 1'000'000>
PageEdit block_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  using Block = decltype(block_type_of(Member));
  return change_current(doc, key, [text](MarkObject& o, PageEdit& e) {
    Block* b = o.block<Block>();
    if (b == nullptr) return false;
    auto& v = b->*Member;
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, double>) {
      v = read_measure(text);
    } else {
      const int64_t n = read_count(text);
      if (n < 0 || n > Max) {
        e.status = "A value of " + std::to_string(n) + " is refused: it must lie between 0 and " +
                   std::to_string(Max) + ".";
        return false;
      }
      v = static_cast<int32_t>(n);
    }
    return true;
  });
}

template <auto Member>
constexpr PageRow block_row(int32_t id, std::string_view label) {
  using Block = decltype(block_type_of(Member));
  using T = std::decay_t<decltype(std::declval<Block>().*Member)>;
  return {id, label, std::is_same_v<T, double> ? RowKind::Measure : RowKind::Count,
          &block_read<Member>, &block_apply<Member>};
}

// A radio group that stores the chosen index in a block member; `Also`,
// when given, makes the choice the default of objects made later too.
using DefaultSetter = void (*)(CreationDefaults& defaults, int32_t value);

template <auto Member, const auto& Choices, DefaultSetter Also = nullptr>
PageEdit choice_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  using Block = decltype(block_type_of(Member));
  const int64_t v = read_count(text);
  if (v < 0 || v >= static_cast<int64_t>(std::size(Choices))) return {};
  return change_current(doc, key, [&, v](MarkObject& o, PageEdit&) {
    Block* b = o.block<Block>();
    if (b == nullptr) return false;
    b->*Member = static_cast<int32_t>(v);
    if constexpr (Also != nullptr) Also(doc.defaults, b->*Member);
    return true;
  });
}

template <auto Member, const auto& Choices, DefaultSetter Also = nullptr>
constexpr PageRow choice_row(int32_t id, std::string_view group) {
  return {
      id,      group, RowKind::Choice, &block_read<Member>, &choice_apply<Member, Choices, Also>,
      Choices, group};
}

// A tick stored in an int32_t block member as 0 or 1.
template <auto Member>
PageEdit tick_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  using Block = decltype(block_type_of(Member));
  return change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    Block* b = o.block<Block>();
    if (b == nullptr) return false;
    b->*Member = text == "1" ? 1 : 0;
    return true;
  });
}

template <auto Member>
std::string tick_read(const CketralDoc& doc) {
  using Block = decltype(block_type_of(Member));
  return current_block<Block>(doc).*Member != 0 ? "1" : "0";
}

template <auto Member>
constexpr PageRow tick_row(int32_t id, std::string_view label) {
  return {id, label, RowKind::Check, &tick_read<Member>, &tick_apply<Member>};
}

// The ticks of a variable text or barcode: "可変テキスト" a serial number
// (variable 1), "可変データ" data fields filled at each pass (variable 2);
// the two exclude each other.
std::string serial_tick_read(const CketralDoc& doc);
PageEdit serial_tick_apply(CketralDoc& doc, std::string_view text, const RowKey& key);
std::string fields_tick_read(const CketralDoc& doc);
PageEdit fields_tick_apply(CketralDoc& doc, std::string_view text, const RowKey& key);
inline constexpr PageRow serial_tick_row(int32_t id = 1051) {
  return {id, "可変テキスト", RowKind::Check, &serial_tick_read, &serial_tick_apply};
}
inline constexpr PageRow fields_tick_row(int32_t id = 1052) {
  return {id, "可変データ", RowKind::Check, &fields_tick_read, &fields_tick_apply};
}

}  // namespace lumetch::page
