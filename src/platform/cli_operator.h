#pragma once

#include <iosfwd>

#include "platform/operator.h"

namespace lumetch {

// The operator at a terminal: prompts on the output stream, answers read from
// the input stream, Ctrl-C counts as one press of Escape. With assume_yes the
// laser-power check is answered OK without asking.
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

  // Ctrl-C presses not yet handed out as Escape.
  static int pending_interrupts();

 private:
  // Reads one answer line; nullopt at end of input.
  std::optional<std::string> read_line();

  std::istream& in_;
  std::ostream& out_;
  bool assume_yes_;
  bool handler_installed_ = false;
};

}  // namespace lumetch
