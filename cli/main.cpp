// vorbrant-cli: the programmer without a window and without Qt. Batch runs,
// --convert, --read, --sim and --trace, with the same options, messages and
// exit codes as the window program's headless start.
#include "session/ConfigPath.h"
#include "session/Program.h"

#include <string>
#include <vector>

using namespace vorbrant;

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    LaunchOptions options;
    if (std::optional<int> code = TakeLongOptions(args, options))
        return *code;
    return RunHeadless(options, args, ExecutablePath(argv[0]));
}
