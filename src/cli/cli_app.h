#pragma once

#include <iosfwd>

namespace lumetch {

// The command-line tool; returns the process exit code.
// 0 done, 1 the job was cancelled, stopped or the port failed, 2 bad usage or input.
int run_cli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
            std::ostream& err);

}  // namespace lumetch
