#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/creation_defaults.h"
#include "model/mark_object.h"

namespace lumetch {

// The fields of the object header and of every parameter block, once: their
// names in the code (and in change notices), the property pages' labels,
// their units and how a layout record writes them. The tables list the
// fields in record order; what a record holds beyond them (a text's line
// lengths and character records) is written by the record code itself.

enum class FieldFormat : uint8_t {
  Integer,  // decimal
  Real,     // fixed point of `width`.`precision`
  Text,     // up to a tab, which ends it
  Rest,     // to the end of the line
};

enum class Unit : uint8_t { None, Mm, Degrees };

template <class Record>
struct FieldDef {
  std::string_view name;
  std::string_view label;  // the page's label; empty where no page shows it
  Unit unit;
  FieldFormat format;
  std::variant<int32_t Record::*, double Record::*, std::string Record::*> member;
  int width = 7;
  int precision = 3;
};

// The header fields after the type code.
std::span<const FieldDef<MarkObject>> header_fields();

// The fields of a parameter block, in record order.
template <class Block>
std::span<const FieldDef<Block>> block_fields();

// One field of a block as a listing shows it: its name, its value as the
// layout record writes it (without padding; texts as stored bytes) and its
// unit ("mm", "°" or empty).
struct FieldValue {
  std::string_view name;
  std::string value;
  std::string_view unit;
  bool text = false;
};
std::vector<FieldValue> field_values(const ParamBlock& block);

// The block fields in which two records of one type differ, by name ("params"
// for a block without a table, or blocks of different types).
void changed_block_fields(const ParamBlock& a, const ParamBlock& b,
                          std::vector<std::string_view>& names);

// The fields of each "default.$" record, in line order. A field takes the
// name, label and unit of the block (or header) field it fills; each is
// closed by `sep`, the last of a line by the line feed.
enum class DefaultsFormat : uint8_t {
  Typed,     // the text typed into a number box, up to its first "," or break
  Integer,   // decimal
  Pitch,     // "%7.3f"
  Text,      // holds neither a break nor its separator
  OpenText,  // holds no break but may hold its separator, which no later field
             // does: it ends where just enough separators are left for them
  Style,     // output mode, fill pitch and fill direction, or the one `part` names
};

enum class StylePart : uint8_t { All, Mode, Pitch, Direction };

template <class Record>
struct DefaultsFieldDef {
  std::string_view name;
  std::string_view label;
  Unit unit;
  DefaultsFormat format;
  std::variant<std::string Record::*, int32_t Record::*, double Record::*, OutputStyle Record::*>
      member;
  char sep = ',';
  StylePart part = StylePart::All;
};

template <class Record>
std::span<const DefaultsFieldDef<Record>> defaults_fields();

}  // namespace lumetch
