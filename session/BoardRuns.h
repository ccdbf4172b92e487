#pragma once
// The headless batch as scripts and production lines use it, above the
// session: "-f-" reads the file from standard input, --serial patches a
// number into each board's image, --repeat runs one board after another
// (waiting for each to be pulled and the next one plugged in), --json
// writes the run report, -q keeps the console to errors and the closing
// line. Ctrl-C and SIGTERM stop the run (or the wait) cleanly.
#include "common/ConsoleOperator.h"
#include "session/LaunchOptions.h"

#include <string>
#include <vector>

namespace vorbrant {

class ProgramPort;

// classic: the arguments without our long options. Returns the exit code;
// port is finished (trace closed, simulated flash written) on return.
int RunBoards(const LaunchOptions& options, std::vector<std::string> classic, const std::string& exePath,
              ProgramPort& port, ConsoleOperator& op);

// A run that ends before any board (no port, a refused input): the JSON
// report (--json) and the closing line all the same. Returns code.
int EndWithoutARun(const LaunchOptions& options, ConsoleOperator& op, int code);

// "-f-" (any case of the letter): the -f file is standard input.
bool IsStdinFileArgument(const std::string& arg);

} // namespace vorbrant
