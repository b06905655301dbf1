#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/code_params.h"
#include "model/import_params.h"
#include "model/shape_params.h"
#include "model/text_params.h"

namespace lumetch {

// Identity of an object for the whole run: never reused, 0 for none.
using ObjectId = uint64_t;
inline constexpr ObjectId kNoObject = 0;

// A fresh id, unique in the process.
ObjectId new_object_id();

// Temporary files that belong to an object (glyph files of texts, stroke
// files of plots). The live object and the copies the undo history keeps
// share one set; the files are removed when the last of them goes, so an
// undone delete finds its files again and deleting one object never touches
// another's.
class ScratchFiles {
 public:
  ScratchFiles() = default;
  ~ScratchFiles();
  ScratchFiles(const ScratchFiles&) = delete;
  ScratchFiles& operator=(const ScratchFiles&) = delete;

  void keep(const std::filesystem::path& path);
  const std::vector<std::filesystem::path>& paths() const { return paths_; }

 private:
  std::vector<std::filesystem::path> paths_;
};

// Type codes as stored in layout files; 0 is "no object" and the "drawing" entry.
enum ObjectType : int32_t {
  NONE = 0,
  LINE = 1,
  RECTANGLE = 2,
  CIRCLE = 3,
  LINE_TEXT = 4,
  PLT = 5,
  ARC_TEXT = 6,
  BMP = 7,
  TRIANGLE = 8,
  RHOMBIC = 9,
  POLYGON = 10,
  BARCODE = 11,
  VCT = 12,
  CODE = 13,  // read by this program only
};

inline constexpr bool is_object_type(int32_t code) {
  return code >= LINE && code <= CODE;
}

// Object-list prefix of a type ("" for codes outside 1..13).
std::string_view object_prefix(int32_t type);

// The parameter block of an object, owned by it. Types whose blocks are not
// defined yet carry std::monostate.
using ParamBlock = std::variant<std::monostate, LineParams, RectangleParams, CircleParams,
                                TriangleParams, RhombicParams, PolygonParams, LineTextParams,
                                ArcTextParams, BarcodeParams, PltBlock, BmpBlock, VctBlock,
                                CodeParams>;

struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};

struct MarkObject {
  ObjectId id = kNoObject;  // given by the ring when it is first linked
  std::string name;         // the object-list name, as the naming rule gave it
  int32_t rows = 1;
  int32_t columns = 1;
  double row_gap = 0.0;
  double column_gap = 0.0;
  double cent_x = 0.0;
  double cent_y = 0.0;
  double width = 0.0;
  double height = 0.0;
  double angle = 0.0;
  ScreenRect screen_rect;
  int32_t layer = 0;
  int32_t type = NONE;
  int32_t keep_aspect = 0;
  int32_t output_mode = 0;
  double fill_pitch = 0.05;
  int32_t fill_direction = 0;
  int32_t mirror_x = 0;
  int32_t mirror_y = 0;
  ParamBlock params;
  std::shared_ptr<ScratchFiles> scratch;  // null until the object has files
  // Ring links; the ring owns the records, these never do.
  MarkObject* next = nullptr;  // towards the end sentinel (older)
  MarkObject* prev = nullptr;  // towards the head sentinel (newer)

  template <class Block>
  Block* block() {
    return std::get_if<Block>(&params);
  }
  template <class Block>
  const Block* block() const {
    return std::get_if<Block>(&params);
  }
};

// The object's temporary file with `suffix` in `dir`, named by its id (and
// the process, so that two programs in one folder never share a file), and
// kept with the object from now on.
std::filesystem::path own_scratch_file(MarkObject& obj, const std::filesystem::path& dir,
                                       std::string_view suffix);

// A copy of the record without its ring links: what the undo history keeps.
MarkObject detached_copy(const MarkObject& obj);

// Gives `live` the fields of `state`, keeping its links and id.
void assign_fields(MarkObject& live, const MarkObject& state);

// screen_rect of one copy-sized box about the centre, for zoom factor z and
// the view's origin offsets.
ScreenRect compute_screen_rect(const MarkObject& obj, int32_t z, int32_t origin_x,
                               int32_t origin_y);

}  // namespace lumetch
