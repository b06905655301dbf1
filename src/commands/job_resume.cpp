#include "commands/job_resume.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <system_error>

#include "model/layout_file.h"
#include "model/settings_file.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

constexpr std::string_view kMagic = "lumetch resume 1";

std::uint64_t fnv1a(std::uint64_t h, std::string_view bytes) {
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ULL;
  }
  return h;
}

template <class T>
bool read_number(std::string_view text, T& out) {
  const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
  return r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

std::string format_time_stamp(const LocalTime& t) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

bool parse_time_stamp(std::string_view s, LocalTime& t) {
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' ||
      s[16] != ':') {
    return false;
  }
  return read_number(s.substr(0, 4), t.year) && read_number(s.substr(5, 2), t.month) &&
         read_number(s.substr(8, 2), t.day) && read_number(s.substr(11, 2), t.hour) &&
         read_number(s.substr(14, 2), t.minute) && read_number(s.substr(17, 2), t.second) &&
         t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 &&
         t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60;
}

}  // namespace

std::string layout_fingerprint(const CketralDoc& doc) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  h = fnv1a(h, format_variable_data(doc.variable_data));
  for (const MarkObject& obj : doc.ring.oldest_first()) h = fnv1a(h, format_record(obj, false));
  h = fnv1a(h, "\x1f");
  h = fnv1a(h, format_settings(doc.settings));
  h = fnv1a(h, "\x1f");
  h = fnv1a(h, doc.view.stable_speed_cmd);
  h = fnv1a(h, format_plot_options(doc.plot_reading));
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

std::filesystem::path resume_path(const std::filesystem::path& layout) {
  std::filesystem::path p = layout;
  p += ".resume";
  return p;
}

std::string format_resume_record(const ResumeRecord& r) {
  std::string out;
  out += kMagic;
  out += "\nlayout ";
  out += r.fingerprint;
  out += "\nobject " + std::to_string(r.at.object);
  out += "\nname " + r.object_name;
  out += "\npass " + std::to_string(r.at.pass);
  out += "\ncopy " + std::to_string(r.at.copy);
  out += "\ncommands " + std::to_string(r.at.commands);
  out += "\ntime " + format_time_stamp(r.at.time);
  out += "\nrow " + std::to_string(r.at.first_row);
  out += "\n";
  return out;
}

ResumeRead parse_resume_record(std::string_view text) {
  ResumeRead out;
  std::map<std::string, std::string, std::less<>> fields;
  bool first = true;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      if (line != kMagic) {
        out.error = "it is not a resume record of this program";
        return out;
      }
      first = false;
      continue;
    }
    if (line.empty()) continue;
    const std::size_t sp = line.find(' ');
    const std::string key(line.substr(0, sp));
    fields[key] = sp == std::string_view::npos ? "" : std::string(line.substr(sp + 1));
  }
  if (first) {
    out.error = "it is empty";
    return out;
  }
  ResumeRecord r;
  const auto get = [&](std::string_view key) -> const std::string* {
    const auto it = fields.find(key);
    return it == fields.end() ? nullptr : &it->second;
  };
  const std::string* fp = get("layout");
  const std::string* name = get("name");
  const std::string* object = get("object");
  const std::string* pass = get("pass");
  const std::string* copy = get("copy");
  const std::string* commands = get("commands");
  const std::string* time = get("time");
  const std::string* row = get("row");
  if (!fp || !name || !object || !pass || !copy || !commands || !time || !row) {
    out.error = "a line is missing";
    return out;
  }
  r.fingerprint = *fp;
  r.object_name = *name;
  if (!read_number(*object, r.at.object) || r.at.object < -1 || !read_number(*pass, r.at.pass) ||
      r.at.pass < 0 || !read_number(*copy, r.at.copy) || r.at.copy < 0 ||
      !read_number(*commands, r.at.commands) || !parse_time_stamp(*time, r.at.time) ||
      !read_number(*row, r.at.first_row) || r.at.first_row < 0) {
    out.error = "a number in it is damaged";
    return out;
  }
  out.record = std::move(r);
  return out;
}

ResumeRead read_resume_record(const std::filesystem::path& path) {
  const InputText file = read_input_file(path);
  if (file.missing()) return {};
  if (!file.ok()) return {std::nullopt, file.message};
  ResumeRead r = parse_resume_record(file.text);
  if (!r.record) r.error = "The resume record " + path.string() + " cannot be used: " + r.error + ".";
  return r;
}

bool write_resume_record(const std::filesystem::path& path, const ResumeRecord& r,
                         std::string* reason) {
  return write_file_atomically(path, format_resume_record(r), reason);
}

void remove_resume_record(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

std::string resume_refusal(const CketralDoc& doc, const ResumeRecord& r) {
  if (r.fingerprint != layout_fingerprint(doc)) {
    return "The layout or the marking settings changed since the job stopped in " +
           (r.object_name.empty() ? std::string("the scan") : r.object_name) +
           ", so the job cannot go on where it stopped: the strokes would not be the same. "
           "Mark it anew.";
  }
  const int32_t objects = static_cast<int32_t>(doc.ring.size());
  if (r.at.object >= objects) return "The resume record names an object the layout does not have.";
  return {};
}

}  // namespace lumetch
