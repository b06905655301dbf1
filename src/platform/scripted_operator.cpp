#include "platform/scripted_operator.h"

namespace lumetch {

std::vector<std::string> ScriptedOperator::texts(const std::string& kind) const {
  std::vector<std::string> out;
  for (const Shown& s : shown) {
    if (s.kind == kind) out.push_back(s.text);
  }
  return out;
}

bool ScriptedOperator::confirm(std::string_view text, std::string_view caption) {
  shown.push_back({"confirm", std::string(text), std::string(caption)});
  if (confirm_answers.empty()) return true;
  const bool a = confirm_answers.front();
  confirm_answers.pop_front();
  return a;
}

Answer ScriptedOperator::ask(std::string_view text, std::string_view caption, AskButtons) {
  shown.push_back({"ask", std::string(text), std::string(caption)});
  if (ask_answers.empty()) return Answer::Yes;
  const Answer a = ask_answers.front();
  ask_answers.pop_front();
  return a;
}

void ScriptedOperator::message(std::string_view text, std::string_view caption) {
  shown.push_back({"message", std::string(text), std::string(caption)});
}

bool ScriptedOperator::ask_continue() {
  shown.push_back({"continue", "彫刻を続けますか?", "Warning"});
  if (continue_answers.empty()) return false;
  const bool a = continue_answers.front();
  continue_answers.pop_front();
  return a;
}

std::optional<std::filesystem::path> ScriptedOperator::choose_file(const FileRequest& request) {
  shown.push_back({"file", request.initial_name, request.filter});
  if (file_answers.empty()) return std::nullopt;
  auto a = file_answers.front();
  file_answers.pop_front();
  return a;
}

void ScriptedOperator::set_status(int pane, std::string_view text) {
  statuses.emplace_back(pane, std::string(text));
}

std::optional<KeyEvent> ScriptedOperator::next_key() {
  if (on_poll) on_poll(*this);
  if (keys.empty()) return std::nullopt;
  const KeyEvent k = keys.front();
  keys.pop_front();
  return k;
}

}  // namespace lumetch
