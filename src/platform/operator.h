#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/progress.h"

namespace lumetch {

// A key message taken from the keyboard queue.
struct KeyEvent {
  enum class Kind { Down, Up, Char, SysDown, SysUp };
  Kind kind = Kind::Down;
  int32_t key = 0;  // virtual key code (Down/Up) or character (Char)
  bool operator==(const KeyEvent&) const = default;
};

inline constexpr int32_t kKeyEscape = 0x1B;

enum class Answer { Ok, Cancel, Yes, No };
enum class AskButtons { YesNo, YesNoCancel };

struct FileRequest {
  bool save = false;
  std::string initial_name;  // e.g. "*.plt"
  std::string filter;        // e.g. "CAD File(*.plt)|*.plt|"
  std::string default_extension;
  bool overwrite_prompt = false;
};

// Everything the core asks of the person at the machine: message boxes, the
// continue dialog, file dialogs, the status bar and the keyboard queue.
// Texts are UTF-8.
class Operator {
 public:
  virtual ~Operator() = default;

  // OK/Cancel message box; true for OK.
  virtual bool confirm(std::string_view text, std::string_view caption) = 0;
  // Yes/No or Yes/No/Cancel message box.
  virtual Answer ask(std::string_view text, std::string_view caption, AskButtons buttons) = 0;
  // Message box with an OK button.
  virtual void message(std::string_view text, std::string_view caption) = 0;
  // The "continue engraving?" dialog; true for Yes, any other way of closing is No.
  virtual bool ask_continue() = 0;
  // File dialog; nullopt when cancelled.
  virtual std::optional<std::filesystem::path> choose_file(const FileRequest& request) = 0;
  virtual void set_status(int pane, std::string_view text) = 0;
  virtual void redraw() = 0;
  // Hands out queued key messages one at a time; nullopt when none is left.
  virtual std::optional<KeyEvent> next_key() = 0;

  // Whether show_progress shows anything: a job gathers no progress for an
  // operator who would not see it.
  virtual bool shows_progress() const { return false; }
  // How far the running job has come; at most about every 100 ms, and once
  // more with the last counts when the job ends, just before end_progress().
  virtual void show_progress(const JobProgress& /*progress*/) {}
  // The job ended: its progress is no longer shown.
  virtual void end_progress() {}
};

}  // namespace lumetch
