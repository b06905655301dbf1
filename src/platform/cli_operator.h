#pragma once

#include <iosfwd>

#include "platform/operator.h"

namespace lumetch {

// The operator at a terminal: prompts on the output stream, answers read from
// the input stream, Ctrl-C counts as one press of Escape, and so do SIGTERM,
// SIGHUP and SIGQUIT, which also answer every later prompt with No. With
// assume_yes the laser-power check is answered OK without asking. When the
// output stream is the standard error (or output) and that is a terminal, a
// job's progress is one line rewritten in place; elsewhere nothing of it.
//
// Once a job has begun no signal but SIGKILL ends the program: the job stops
// at its next move and parks. Before that an end signal (or the third Ctrl-C)
// ends the program at once, removing the live scratch folder first.
class CliOperator : public Operator {
 public:
  CliOperator(std::istream& in, std::ostream& out, bool assume_yes);
  ~CliOperator() override;
  CliOperator(const CliOperator&) = delete;
  CliOperator& operator=(const CliOperator&) = delete;

  bool confirm(std::string_view text, std::string_view caption) override;
  Answer ask(std::string_view text, std::string_view caption, AskButtons buttons) override;
  void message(std::string_view text, std::string_view caption) override;
  bool ask_continue() override;
  std::optional<std::filesystem::path> choose_file(const FileRequest& request) override;
  void set_status(int pane, std::string_view text) override;
  void redraw() override {}
  std::optional<KeyEvent> next_key() override;
  bool shows_progress() const override { return progress_to_terminal_; }
  void show_progress(const JobProgress& progress) override;
  void end_progress() override;

  // Ctrl-C presses not yet handed out as Escape.
  static int pending_interrupts();
  // SIGTERM, SIGHUP or SIGQUIT once received, else 0.
  static int end_signal();
  // True once a write the port is blocked in should be given up: after an
  // end signal or the third Ctrl-C.
  static bool give_up_blocked_write();
  // What stopped the job, for its summary: "Ctrl-C", "SIGTERM", … or "Escape".
  static const char* stop_cause();
  // A job begins: from now until the operator goes, signals only stop it, so
  // that it parks and the command reports, stores and cleans up on its way.
  static void begin_job();

 private:
  // Reads one answer line; nullopt at end of input.
  std::optional<std::string> read_line();
  // Ends a progress line being shown, so that other output starts afresh.
  void break_progress_line();

  std::istream& in_;
  std::ostream& out_;
  bool assume_yes_;
  bool progress_to_terminal_ = false;
  std::size_t progress_width_ = 0;  // of the line shown; 0 when none is
};

}  // namespace lumetch
