#include "platform/cli_operator.h"

#include <atomic>
#include <csignal>
#include <istream>
#include <ostream>
#include <string>

namespace lumetch {

namespace {

std::atomic<int> g_interrupts{0};
struct sigaction g_previous {};

// Ctrl-C becomes Escape at the next pen move. Should the program not poll (a
// port that blocks), the third unanswered press ends it the ordinary way.
extern "C" void on_interrupt(int sig) {
  if (g_interrupts.fetch_add(1) + 1 >= 3) {
    std::signal(sig, SIG_DFL);
    std::raise(sig);
  }
}

std::string lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) s.pop_back();
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(s.begin());
  return s;
}

}  // namespace

CliOperator::CliOperator(std::istream& in, std::ostream& out, bool assume_yes)
    : in_(in), out_(out), assume_yes_(assume_yes) {
  struct sigaction sa {};
  sa.sa_handler = on_interrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a prompt waiting for input returns
  handler_installed_ = sigaction(SIGINT, &sa, &g_previous) == 0;
  g_interrupts = 0;
}

CliOperator::~CliOperator() {
  if (handler_installed_) sigaction(SIGINT, &g_previous, nullptr);
}

int CliOperator::pending_interrupts() {
  return g_interrupts.load();
}

std::optional<std::string> CliOperator::read_line() {
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  return line;
}

bool CliOperator::confirm(std::string_view text, std::string_view caption) {
  out_ << caption << ": " << text;
  if (assume_yes_) {
    out_ << " [OK: --yes]\n" << std::flush;
    return true;
  }
  out_ << " [o]k / [c]ancel: " << std::flush;
  const auto line = read_line();
  if (!line) {
    out_ << "\n";
    return false;
  }
  const std::string a = lower(*line);
  return a == "o" || a == "ok" || a == "y" || a == "yes";
}

Answer CliOperator::ask(std::string_view text, std::string_view caption, AskButtons buttons) {
  const bool with_cancel = buttons == AskButtons::YesNoCancel;
  for (;;) {
    out_ << caption << ": " << text
         << (with_cancel ? " [y]es / [n]o / [c]ancel: " : " [y]es / [n]o: ") << std::flush;
    const auto line = read_line();
    if (!line) {
      out_ << "\n";
      return with_cancel ? Answer::Cancel : Answer::No;
    }
    const std::string a = lower(*line);
    if (a == "y" || a == "yes") return Answer::Yes;
    if (a == "n" || a == "no") return Answer::No;
    if (with_cancel && (a == "c" || a == "cancel")) return Answer::Cancel;
  }
}

void CliOperator::message(std::string_view text, std::string_view caption) {
  out_ << caption << ": " << text << "\n" << std::flush;
}

bool CliOperator::ask_continue() {
  out_ << "Warning: 彫刻を続けますか? [y] はい / [n] いいえ: " << std::flush;
  const auto line = read_line();
  if (!line) {
    out_ << "\n";
    return false;
  }
  const std::string a = lower(*line);
  return a.empty() || a == "y" || a == "yes" || a == "はい";  // Yes is the default button
}

std::optional<std::filesystem::path> CliOperator::choose_file(const FileRequest& request) {
  out_ << (request.save ? "Save as" : "Open") << " (" << request.initial_name
       << ", empty line cancels): " << std::flush;
  const auto line = read_line();
  if (!line || line->empty()) return std::nullopt;
  return std::filesystem::path(*line);
}

void CliOperator::set_status(int /*pane*/, std::string_view text) {
  if (text.find_first_not_of(' ') == std::string_view::npos) return;
  out_ << text.substr(text.find_first_not_of(' ')) << "\n" << std::flush;
}

std::optional<KeyEvent> CliOperator::next_key() {
  int n = g_interrupts.load();
  while (n > 0) {
    if (g_interrupts.compare_exchange_weak(n, n - 1)) {
      return KeyEvent{KeyEvent::Kind::Down, kKeyEscape};
    }
  }
  return std::nullopt;
}

}  // namespace lumetch
