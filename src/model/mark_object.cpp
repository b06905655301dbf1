#include "model/mark_object.h"

#include <unistd.h>

#include <atomic>
#include <system_error>

#include "model/units.h"

namespace lumetch {

ObjectId new_object_id() {
  static std::atomic<ObjectId> last{0};
  return ++last;
}

ScratchFiles::~ScratchFiles() {
  std::error_code ec;  // a file already gone is fine
  for (const std::filesystem::path& p : paths_) std::filesystem::remove(p, ec);
}

void ScratchFiles::keep(const std::filesystem::path& path) {
  for (const std::filesystem::path& p : paths_) {
    if (p == path) return;
  }
  paths_.push_back(path);
}

std::filesystem::path own_scratch_file(MarkObject& obj, const std::filesystem::path& dir,
                                       std::string_view suffix) {
  const std::filesystem::path path = dir / ("obj-" + std::to_string(::getpid()) + "-" +
                                            std::to_string(obj.id) + std::string(suffix));
  if (obj.scratch == nullptr) obj.scratch = std::make_shared<ScratchFiles>();
  obj.scratch->keep(path);
  return path;
}

MarkObject detached_copy(const MarkObject& obj) {
  MarkObject copy = obj;
  copy.next = nullptr;
  copy.prev = nullptr;
  return copy;
}

void assign_fields(MarkObject& live, const MarkObject& state) {
  MarkObject* const next = live.next;
  MarkObject* const prev = live.prev;
  const ObjectId id = live.id;
  live = state;
  live.next = next;
  live.prev = prev;
  live.id = id;
}

std::string_view object_prefix(int32_t type) {
  switch (type) {
    case LINE:
      return "line";
    case RECTANGLE:
      return "rectangle";
    case CIRCLE:
      return "circle";
    case LINE_TEXT:
      return "txt";
    case PLT:
      return "plt";
    case ARC_TEXT:
      return "txt";
    case BMP:
      return "bmp";
    case TRIANGLE:
      return "thrangle";
    case RHOMBIC:
      return "rhombic";
    case POLYGON:
      return "polygon";
    case BARCODE:
      return "barcode";
    case VCT:
      return "vct";
    case CODE:
      return "code";
    default:
      return "";
  }
}

ScreenRect compute_screen_rect(const MarkObject& obj, int32_t z, int32_t origin_x,
                               int32_t origin_y) {
  const double two_z = 2.0 * z;
  ScreenRect r;
  r.left = nearest_int(two_z * (obj.cent_x - obj.width / 2) + origin_x);
  r.top = nearest_int(two_z * (obj.cent_y + obj.height / 2) - origin_y);
  r.right = nearest_int(two_z * (obj.cent_x + obj.width / 2) + origin_x);
  r.bottom = nearest_int(two_z * (obj.cent_y - obj.height / 2) - origin_y);
  return r;
}

}  // namespace lumetch
