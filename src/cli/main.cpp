#include <csignal>
#include <iostream>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
  // A reader that goes away (a pipe, a FIFO) makes a write fail with EPIPE,
  // which is reported like any write error, instead of killing the program
  // in the middle of a file.
  std::signal(SIGPIPE, SIG_IGN);
  const int code = lumetch::run_cli(argc, argv, std::cin, std::cout, std::cerr);
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "lumetch-cli: cannot write to the standard output\n";
    return code == 0 ? 1 : code;
  }
  return code;
}
