#include "marker/layer_header.h"

#include <cstdio>

namespace lumetch {

std::string layer_header(const CketralDoc& doc, int32_t layer) {
  if (layer < 0 || layer >= kLayerCount) return {};
  const auto l = static_cast<std::size_t>(layer);
  const MarkSettings& s = doc.settings;
  if (s.power[l] <= 0) return {};
  const std::string& mode =
      s.pen_add[l] != 0 ? doc.view.stable_speed_cmd : doc.view.variable_speed_cmd;
  const std::string& stable = doc.view.stable_speed_cmd;
  char buf[128];
  if (stable == "SP1;" || stable == "sp1;") {
    std::snprintf(buf, sizeof buf, "%sVS%d;", mode.c_str(), s.speed[l]);
  } else {
    std::snprintf(buf, sizeof buf, "IN;%sDA%d;VS%d;", mode.c_str(), s.power[l], s.speed[l]);
  }
  return buf;
}

}  // namespace lumetch
