#include "platform/cli_operator.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>

#include "platform/scratch_folder.h"

namespace lumetch {

namespace {

// Escape presses not yet handed out, Ctrl-C presses in all, the signal that
// asked the program to end, and whether a job has begun.
std::atomic<int> g_interrupts{0};
std::atomic<int> g_presses{0};
std::atomic<int> g_end_signal{0};
std::atomic<bool> g_job{false};

// Presses after which Ctrl-C also gives up a write the port is blocked in
// (and, before a job, ends the program).
constexpr int kUrgentPresses = 3;

struct Installed {
  int sig;
  struct sigaction previous;
  bool done;
};
Installed g_installed[] = {
    {SIGINT, {}, false}, {SIGTERM, {}, false}, {SIGHUP, {}, false}, {SIGQUIT, {}, false}};

// The signal's own action, now: no job has begun, so only the scratch folder
// needs going.
void end_now(int sig) {
  remove_scratch_folder_in_signal();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// Ctrl-C becomes Escape at the next pen move; SIGTERM, SIGHUP and SIGQUIT
// stop the job the same way. A job always ends with its park, so once one has
// begun no signal ends the program; before that the end signals (and the
// third Ctrl-C, for a command that hangs) end it at once.
extern "C" void on_signal(int sig) {
  if (sig == SIGINT) {
    g_interrupts.fetch_add(1);
    if (g_presses.fetch_add(1) + 1 < kUrgentPresses) return;
  } else {
    g_end_signal.store(sig);
    g_interrupts.fetch_add(1);
  }
  if (!g_job.load()) end_now(sig);
}

std::string lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) s.pop_back();
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(s.begin());
  return s;
}

// Whether the stream writes to a terminal: only the standard streams are
// known to write to a file descriptor at all.
bool writes_to_terminal(const std::ostream& out) {
  if (&out == &std::cerr || &out == &std::clog) return ::isatty(STDERR_FILENO) == 1;
  if (&out == &std::cout) return ::isatty(STDOUT_FILENO) == 1;
  return false;
}

}  // namespace

void CliOperator::begin_job() {
  g_job = true;
}

int CliOperator::end_signal() {
  return g_end_signal.load();
}

bool CliOperator::give_up_blocked_write() {
  return g_end_signal.load() != 0 || g_presses.load() >= kUrgentPresses;
}

const char* CliOperator::stop_cause() {
  switch (g_end_signal.load()) {
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGQUIT:
      return "SIGQUIT";
    default:
      return g_presses.load() > 0 ? "Ctrl-C" : "Escape";
  }
}

CliOperator::CliOperator(std::istream& in, std::ostream& out, bool assume_yes)
    : in_(in), out_(out), assume_yes_(assume_yes), progress_to_terminal_(writes_to_terminal(out)) {
  g_interrupts = 0;
  g_presses = 0;
  g_end_signal = 0;
  g_job = false;
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  // The handlers do not interrupt one another.
  sigemptyset(&sa.sa_mask);
  for (const Installed& i : g_installed) sigaddset(&sa.sa_mask, i.sig);
  // No SA_RESTART: a prompt waiting for input returns, and so does a write
  // the port is blocked in, which may then be given up.
  sa.sa_flags = 0;
  for (Installed& i : g_installed) i.done = sigaction(i.sig, &sa, &i.previous) == 0;
}

CliOperator::~CliOperator() {
  g_job = false;
  for (Installed& i : g_installed) {
    if (i.done) sigaction(i.sig, &i.previous, nullptr);
    i.done = false;
  }
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
  break_progress_line();
  out_ << caption << ": " << text;
  if (end_signal() != 0) {
    out_ << " [Cancel: " << stop_cause() << "]\n" << std::flush;
    return false;
  }
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
  break_progress_line();
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
  break_progress_line();
  out_ << caption << ": " << text << "\n" << std::flush;
}

bool CliOperator::ask_continue() {
  break_progress_line();
  out_ << "Warning: 彫刻を続けますか? [y] はい / [n] いいえ: " << std::flush;
  // Asked to end: no one may be there to answer.
  if (end_signal() != 0) {
    out_ << "いいえ (" << stop_cause() << ")\n" << std::flush;
    return false;
  }
  const auto line = read_line();
  if (!line) {
    out_ << "\n";
    return false;
  }
  const std::string a = lower(*line);
  return a.empty() || a == "y" || a == "yes" || a == "はい";  // Yes is the default button
}

std::optional<std::filesystem::path> CliOperator::choose_file(const FileRequest& request) {
  break_progress_line();
  out_ << (request.save ? "Save as" : "Open") << " (" << request.initial_name
       << ", empty line cancels): " << std::flush;
  const auto line = read_line();
  if (!line || line->empty()) return std::nullopt;
  return std::filesystem::path(*line);
}

void CliOperator::set_status(int /*pane*/, std::string_view text) {
  if (text.find_first_not_of(' ') == std::string_view::npos) return;
  break_progress_line();
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

void CliOperator::show_progress(const JobProgress& progress) {
  if (!progress_to_terminal_) return;
  const std::string text = progress_text(progress);
  // Rewritten in place: blanks cover what a longer line left.
  out_ << '\r' << text;
  if (text.size() < progress_width_) out_ << std::string(progress_width_ - text.size(), ' ');
  out_ << std::flush;
  progress_width_ = std::max<std::size_t>(text.size(), 1);
}

void CliOperator::end_progress() {
  break_progress_line();
}

void CliOperator::break_progress_line() {
  if (progress_width_ == 0) return;
  progress_width_ = 0;
  out_ << '\n' << std::flush;
}

}  // namespace lumetch
