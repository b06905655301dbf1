#include <iostream>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
  return lumetch::run_cli(argc, argv, std::cin, std::cout, std::cerr);
}
