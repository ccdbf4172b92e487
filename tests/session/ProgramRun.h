#pragma once
// Runs one of the built programs with arguments, as a script would, and
// collects what it printed and its exit code.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace vorbrant::testing {

struct ProgramRun {
    int ExitCode = -1;
    std::string Output; // what the command wrote to stdout (RunProgram: stderr too)
};

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ProgramPath(const std::string& program) { return std::string(VORBRANT_BINARY_DIR) + "/" + program; }

inline bool ProgramBuilt(const std::string& program) { return std::filesystem::exists(ProgramPath(program)); }

// program: "vorbrant-cli" or "vorbrant". No display: the window program runs
// headless too.
// A shell command line's standard output and exit code (-1 when it could
// not run or did not exit).
inline ProgramRun RunShell(const std::string& command)
{
    ProgramRun result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.Output.append(buffer, n);
    int status = pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline ProgramRun RunProgram(const std::string& arguments, const std::string& program = "vorbrant-cli")
{
    return RunShell("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 60 " + ProgramPath(program) +
                    " " + arguments + " 2>&1");
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A test of the command-line program, with a scratch folder of its own.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ProgramBuilt("vorbrant-cli")); }

    test::TempDir dir;
};

} // namespace vorbrant::testing
