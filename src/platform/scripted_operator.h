#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/operator.h"

namespace lumetch {

// An operator whose answers and key presses are queued in advance; records
// what it was shown. For tests and for unattended runs.
class ScriptedOperator : public Operator {
 public:
  // Answers handed out in order; when a queue runs dry the default applies.
  std::deque<bool> confirm_answers;                               // default: OK
  std::deque<Answer> ask_answers;                                 // default: Yes
  std::deque<bool> continue_answers;                              // default: No
  std::deque<std::optional<std::filesystem::path>> file_answers;  // default: cancel
  std::deque<KeyEvent> keys;

  // Called on every next_key(), before the queue is looked at: lets a test press
  // a key at a chosen moment of a job.
  std::function<void(ScriptedOperator&)> on_poll;

  struct Shown {
    std::string kind;  // "confirm", "ask", "message", "continue", "file"
    std::string text;
    std::string caption;
  };
  std::vector<Shown> shown;
  std::vector<std::pair<int, std::string>> statuses;
  int redraws = 0;
  std::vector<JobProgress> progress;  // every progress shown
  int progress_ends = 0;

  void press_escape() { keys.push_back({KeyEvent::Kind::Down, kKeyEscape}); }
  // Messages of one kind, in order.
  std::vector<std::string> texts(const std::string& kind) const;

  bool confirm(std::string_view text, std::string_view caption) override;
  Answer ask(std::string_view text, std::string_view caption, AskButtons buttons) override;
  void message(std::string_view text, std::string_view caption) override;
  bool ask_continue() override;
  std::optional<std::filesystem::path> choose_file(const FileRequest& request) override;
  void set_status(int pane, std::string_view text) override;
  void redraw() override { ++redraws; }
  std::optional<KeyEvent> next_key() override;
  bool shows_progress() const override { return true; }
  void show_progress(const JobProgress& p) override { progress.push_back(p); }
  void end_progress() override { ++progress_ends; }
};

}  // namespace lumetch
