#include "commands/recovery.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <vector>

#include "commands/layout_commands.h"
#include "model/layout_file.h"
#include "platform/job_lock.h"
#include "platform/text_file.h"

namespace lumetch {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRecoveryLine = "0,recovery,";
constexpr std::string_view kExtension = ".recovery";
// The longest layout name kept in a copy's file name: with the hash and the
// extension it stays within the 255 bytes a file name may have.
constexpr std::size_t kNameKept = 200;
// The recovery line is read with a bound: a file that is no copy may have
// no line end at all.
constexpr std::size_t kLineCap = 16384;

std::string escape_line(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '%') {
      out += "%25";
    } else if (c == '\n') {
      out += "%0A";
    } else if (c == '\r') {
      out += "%0D";
    } else {
      out += c;
    }
  }
  return out;
}

std::string unescape_line(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view code = text.substr(i, 3);
    if (code == "%25") {
      out += '%';
    } else if (code == "%0A" || code == "%0a") {
      out += '\n';
    } else if (code == "%0D" || code == "%0d") {
      out += '\r';
    } else {
      out += text[i];
      continue;
    }
    i += 2;
  }
  return out;
}

// FNV-1a: the same on every build and run, unlike std::hash.
uint32_t name_hash(std::string_view text) {
  uint32_t h = 2166136261u;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

// The first `kNameKept` bytes of a file name, never half a UTF-8 character.
std::string kept_name(std::string name) {
  if (name.size() <= kNameKept) return name;
  name.resize(kNameKept);
  while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
  if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0) name.pop_back();
  return name;
}

std::string time_text(fs::file_time_type t) {
  const auto at = std::chrono::file_clock::to_sys(t);
  const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
  std::tm local{};
  char text[32] = "";
  if (::localtime_r(&seconds, &local) != nullptr) {
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  }
  return text;
}

void remove_copy(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
}

}  // namespace

fs::path layout_name(const fs::path& layout) {
  std::error_code ec;
  const fs::path full = fs::absolute(layout, ec);
  return (ec ? layout : full).lexically_normal();
}

fs::path recovery_file(const fs::path& work_dir, const fs::path& layout) {
  if (layout.empty()) return work_dir / "untitled.recovery";
  const fs::path name = layout_name(layout);
  std::string base = kept_name(name.filename().string());
  if (base.empty()) base = "layout";
  char hash[16];
  std::snprintf(hash, sizeof hash, ".%08x", static_cast<unsigned>(name_hash(name.string())));
  return work_dir / (base + hash + std::string(kExtension));
}

std::string recovery_text(const CketralDoc& doc) {
  std::string text(kRecoveryLine);
  text += escape_line(doc.layout_path.string());
  text += '\n';
  for (const MarkObject& obj : doc.ring.oldest_first()) text += format_record(obj, false);
  return text;
}

bool write_recovery_copy(const fs::path& file, std::string_view text, std::string* reason) {
  return write_file_atomically(file, text, reason);
}

std::optional<RecoveryCopy> read_recovery_copy(const fs::path& file) {
  const InputFile in = open_input_file(file);
  if (!in.ok()) return std::nullopt;
  std::string line;
  for (int c = std::getc(in.file.get()); c != EOF && c != '\n'; c = std::getc(in.file.get())) {
    if (line.size() == kLineCap) return std::nullopt;
    line += static_cast<char>(c);
  }
  if (!line.starts_with(kRecoveryLine)) return std::nullopt;
  RecoveryCopy copy;
  copy.file = file;
  copy.layout = unescape_line(std::string_view(line).substr(kRecoveryLine.size()));
  std::error_code ec;
  copy.written = fs::last_write_time(file, ec);
  if (ec) return std::nullopt;
  return copy;
}

bool copy_is_newer(const RecoveryCopy& copy) {
  if (copy.layout.empty()) return true;
  std::error_code ec;
  const fs::file_time_type saved = fs::last_write_time(copy.layout, ec);
  // A layout that is gone (or out of reach) leaves the copy the only record.
  if (ec) return true;
  return copy.written > saved;
}

bool lock_copy(JobLock& lock, const fs::path& file) {
  const std::string refused = lock.lock_layout(file);
  return refused.find(" is in use by another job") == std::string::npos;
}

std::optional<RecoveryCopy> find_recovery(const fs::path& work_dir, const fs::path& layout) {
  std::vector<fs::path> files;
  if (!layout.empty()) {
    files.push_back(recovery_file(work_dir, layout));
  } else {
    std::error_code ec;
    for (fs::directory_iterator it(work_dir, ec), end; !ec && it != end; it.increment(ec)) {
      if (it->path().extension() == kExtension) files.push_back(it->path());
    }
  }
  std::optional<RecoveryCopy> newest;
  for (const fs::path& file : files) {
    std::optional<RecoveryCopy> copy = read_recovery_copy(file);
    // Only the program's own copies, under the name of the layout they hold.
    if (!copy || file.filename() != recovery_file(work_dir, copy->layout).filename()) continue;
    if (!layout.empty() && copy->layout != layout_name(layout)) continue;
    // Kept by a window that is still open: not left by a run that ended.
    if (JobLock probe; !lock_copy(probe, file)) continue;
    if (!copy_is_newer(*copy)) {
      remove_copy(file);
      continue;
    }
    if (!newest || copy->written > newest->written) newest = std::move(copy);
  }
  return newest;
}

bool offer_recovery(CketralDoc& doc, const RecoveryCopy& copy, Operator& op) {
  const std::string subject = copy.layout.empty() ? std::string("An untitled layout")
                                                  : "The layout " + copy.layout.string();
  const std::string question =
      subject + " had changes that were not saved when the program last ended. The recovery copy " +
      copy.file.string() + " of " + time_text(copy.written) +
      " holds them.\n\nRestore them? No deletes the copy.";
  if (op.ask(question, "Warning", AskButtons::YesNo) != Answer::Yes) {
    remove_copy(copy.file);
    return false;
  }
  const bool was_empty = doc.ring.is_empty();
  // A copy that cannot be read now is said and kept, for a look at it.
  if (!open_layout_and_report(doc, copy.file, op)) return false;
  if (was_empty) doc.layout_path = copy.layout;
  // Added to another layout, the objects belong to that one's copy now.
  if (recovery_file(doc.work_dir, doc.layout_path) != copy.file) remove_copy(copy.file);
  doc.history.clear();
  doc.history.mark_unsaved();
  doc.notify({});
  doc.invalidate_all();
  return true;
}

bool open_at_start(CketralDoc& doc, const fs::path& layout, Operator& op) {
  if (const std::optional<RecoveryCopy> copy = find_recovery(doc.work_dir, layout)) {
    if (offer_recovery(doc, *copy, op)) return true;
  }
  return !layout.empty() && open_named_layout(doc, layout, op);
}

}  // namespace lumetch
