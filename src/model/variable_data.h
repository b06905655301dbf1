#pragma once

#include <cstdint>
#include <string>

namespace lumetch {

// What the data fields of a layout's texts and codes are filled from; kept
// with the layout like the serial numbers.
struct VariableData {
  std::string csv_path;   // the data file of {csv:} fields; empty for none
  int32_t next_row = 0;   // 0-based data row the next pass takes
  std::string shifts;     // the shift table, "06:00=A;14:00=B;22:00=C"
  bool empty() const { return csv_path.empty() && next_row == 0 && shifts.empty(); }
  bool operator==(const VariableData&) const = default;
};

}  // namespace lumetch
