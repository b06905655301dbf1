#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "geometry/variable_fields.h"
#include "model/cketral_doc.h"
#include "model/mark_object.h"

namespace lumetch {

// The data file a layout names, a relative path taken from the layout's
// folder (the working folder while it is untitled).
std::filesystem::path resolve_data_file(const CketralDoc& doc, const std::string& path);

struct DataSourceCheck {
  std::string error;  // empty when the source can be used
  std::size_t rows = 0;
  std::vector<std::string> columns;
};
// Checks a data source before it is set: the shift table reads, the data
// file (when one is named) reads, and the next row is at most its row count
// (equal: the data is used up, as a job left it).
DataSourceCheck check_data_source(const CketralDoc& doc, const VariableData& source);

// Gives the layout this data source as one edit; the document stays as it
// was and the reason comes back when the check fails.
std::string SetDataSource(CketralDoc& doc, const VariableData& source);

// True for a line text, barcode or code whose text holds data fields.
bool has_data_fields(const MarkObject& obj);
// The template text of such an object (CP932 for texts, bytes for codes).
const std::string* field_text(const MarkObject& obj);

// The data fields of one job: templates read, the data file and the shift
// table loaded once, and the pass copies of the objects made from them.
// Pass p of an object takes data row first_row + p; after the job the
// layout's next row is first_row + the most passes any such object completed.
class JobFields {
 public:
  // Reads every template of `doc` and, when any takes data rows, the data
  // file (a relative path is taken from the layout's folder) and the shift
  // table. An empty result when all is well, else why the job cannot start.
  std::string prepare(const CketralDoc& doc);
  bool any() const { return !templates_.empty(); }
  bool uses_rows() const { return uses_rows_; }

  std::size_t first_row() const { return first_row_; }
  // A resumed job goes on from the rows of the job that stopped: its first
  // row, and the layout's pointer as that job left it.
  void resume_rows(std::size_t first_row);

  struct Pass {
    bool ok = false;
    MarkObject copy;    // the object with its fields filled, to hand to the generator
    std::string text;   // what was filled in
    std::string error;  // why the pass cannot be marked; the job stops on it
  };
  // The object of pass `pass` filled with the time `t`: a detached copy
  // (its glyph file written anew for a line text) or an error.
  Pass fill(CketralDoc& doc, const MarkObject& obj, int32_t pass, const LocalTime& t) const;

  // A pass of an object with data rows was marked: the layout's pointer
  // moves past it. True when the pointer moved.
  bool pass_done(CketralDoc& doc, const MarkObject& obj, int32_t pass);

 private:
  std::map<ObjectId, FieldTemplate> templates_;
  bool uses_rows_ = false;
  std::optional<CsvTable> csv_;
  std::optional<ShiftTable> shifts_;
  std::size_t first_row_ = 0;
  std::size_t next_row_ = 0;  // the layout's pointer when prepared
  std::size_t rows_used_ = 0;
};

}  // namespace lumetch
