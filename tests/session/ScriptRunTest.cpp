// The command-line program as Makefiles, CI jobs and production lines use
// it, on the simulator: pipes, output formats, offsets, the User data area,
// quiet and JSON results, serial numbers over a line of boards, a clean stop
// on Ctrl-C and SIGTERM.
#include "ProgramRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace vorbrant::testing;
using vorbrant::test::TempDir;

namespace {

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

// A shell command line in dir; stdout and stderr apart.
struct ShellRun {
    int ExitCode = -1;
    std::string Out, Err;
};

ShellRun Shell(const TempDir& dir, const std::string& command)
{
    const std::string err = dir.File("stderr.txt");
    const std::string line = "cd '" + dir.Path + "' && env -u DISPLAY -u WAYLAND_DISPLAY CLI='" +
                             ProgramPath("vorbrant-cli") + "' timeout 120 bash -o pipefail -c '" + command + "' 2>'" +
                             err + "'";
    ShellRun run;
    ProgramRun out = RunShell(line);
    run.Out = out.Output;
    run.ExitCode = out.ExitCode;
    run.Err = TempDir::Read(err);
    return run;
}

std::string LastLine(const std::string& text)
{
    std::string trimmed = text.substr(0, text.find_last_not_of('\n') + 1);
    return trimmed.substr(trimmed.find_last_of('\n') + 1);
}

// The program's closing line in the stderr of a pipeline, where the other
// tools' warnings may come after it.
std::string ResultLine(const std::string& text)
{
    const size_t at = text.rfind("\nResult: ");
    const size_t start = at == std::string::npos ? (text.rfind("Result: ", 0) == 0 ? 0 : text.size()) : at + 1;
    return text.substr(start, text.find('\n', start) - start);
}

class ScriptRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ProgramBuilt("vorbrant-cli"));
        // The firmware of a Makefile: built by SDCC when it is there.
        const std::string source = std::string(VORBRANT_SOURCE_DIR) + "/tests/roundtrip/";
        if (!Have("sdcc") || std::system(("cd '" + dir.Path + "' && sdcc -mmcs51 '" + source +
                                          "blink.c' -o blink.ihx >/dev/null 2>&1").c_str()) != 0)
            dir.Write("blink.ihx", TempDir::Read(source + "blink-sdcc.ihx"));
    }
    TempDir dir;
};

} // namespace

TEST_F(ScriptRun, MakefilePipeProgramsFromStdinAndReadsBackToStdout)
{
    if (!Have("srec_cat") || !Have("srec_cmp"))
        GTEST_SKIP() << "srec_cat and srec_cmp (package srecord) are not installed";
    // srec_cat's S-records in, the chip read back as Intel HEX out, compared
    // with the file by srec_cmp: nothing but data may reach stdout.
    ShellRun run = Shell(dir, "srec_cat blink.ihx -intel -o - -motorola | "
                              "$CLI --no-ini --sim=F340,flash=dev.bin -e -p -v -f- --read=- | "
                              "srec_cmp - -intel blink.ihx -intel");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("Read 223 bytes into standard output"), std::string::npos) << run.Err;
    EXPECT_TRUE(std::regex_search(ResultLine(run.Err), std::regex("^Result: success, exit code 0, .*223 bytes "
                                                                 "programmed, 223 verified, 0 stalls recovered, crc32 [0-9A-F]{8}, ")))
        << run.Err;
    // The crc32 is the one of the file's bytes over the programmed range.
    ShellRun crc = Shell(dir, "srec_cat blink.ihx -intel -fill 0xFF 0 223 -crop 0 223 -o - -binary | "
                              "$CLI --convert - range.bin && "
                              "python3 -c \"import zlib;print(\\\"%08X\\\" % zlib.crc32(open(\\\"range.bin\\\",\\\"rb\\\").read()))\"");
    ASSERT_EQ(crc.ExitCode, 0) << crc.Err;
    EXPECT_NE(run.Err.find("crc32 " + crc.Out.substr(0, 8)), std::string::npos) << crc.Out << run.Err;

    // Every output format through srec_cat unchanged; one stdin, one stdout.
    for (const char* out : {"o.s19", "o.s28", "o.s37", "o.srec", "o.mot", "o.hex", "o.ihx"}) {
        ShellRun convert = Shell(dir, std::string("cat blink.ihx | $CLI --convert - ") + out +
                                          " && srec_cmp " + out + (std::string(out).ends_with("hex") ||
                                          std::string(out).ends_with("ihx") ? " -intel" : " -motorola") +
                                          " blink.ihx -intel");
        EXPECT_EQ(convert.ExitCode, 0) << out << ": " << convert.Err;
    }
    ShellRun binary = Shell(dir, "$CLI --convert blink.ihx - --out-format=bin | cmp - <(srec_cat blink.ihx -intel "
                                 "-fill 0xFF 0 223 -crop 0 223 -o - -binary)");
    EXPECT_EQ(binary.ExitCode, 0) << binary.Err;
}

TEST_F(ScriptRun, CommandLinesThatEndBeforeAnyStep)
{
    const struct {
        const char* Args;
        int Exit;
        const char* Text;
    } Cases[] = {
        {"--convert blink.ihx out.s19 --sim=F340 -e -p -v -fblink.ihx", 8,
         "Error: Option --convert takes no other options than --format, --out-format, --offset and -q, not --sim"},
        {"--convert blink.ihx out.s19 junk", 8, "Error: Option --convert takes an input and an output file only, not 'junk'"},
        {"--read=- --json=- --sim=F340", 8, "Error: Only one of --read=-, --convert ... - and --json=- can write"},
        {"--offset=0x400000 --sim=F340 -p -fblink.ihx", 8, "Error: Option --offset needs an address from 0 to 0x3FFFFF"},
        {"--area=xdata --sim=F340 -p", 8, "Error: Option --area needs code or data"},
        {"--serial=0x10 --sim=F340 -p", 8, "Error: Option --serial needs ADDR:FIRST"},
        {"--serial=0x10:70000:1:2 --sim=F340 -p", 8, "does not fit in 2 bytes"},
        {"--serial-file=s.txt --sim=F340 -p", 8, "Error: Option --serial-file needs --serial"},
        {"--no-ini --ini=x.INI --sim=F340 -p", 8, "exclude each other"},
        {"--no-ini --sim=F340 -p -f- </dev/null", 2, "File is empty!"},
        {"--no-ini --sim=F340 -e -p -v -fblink.ihx --area=data", 4,
         "Error: the part F340/2/4/6 has no User data area (--area=data)"},
        // No port to run on: still the closing line.
        {"--no-ini --sim=F999 -p -fblink.ihx", 8, "Error: Invalid --sim value: unknown part \"F999\""},
        {"--no-ini --adapter=gpio:/dev/no-such-gpiochip:c2ck=1,c2d=2 -p -fblink.ihx", 6,
         "Error: Cannot open GPIO chip /dev/no-such-gpiochip"},
    };
    for (const auto& c : Cases) {
        ShellRun run = Shell(dir, std::string("$CLI ") + c.Args);
        EXPECT_EQ(run.ExitCode, c.Exit) << c.Args << "\n" << run.Err;
        EXPECT_NE(run.Err.find(c.Text), std::string::npos) << c.Args << "\n" << run.Err;
        EXPECT_EQ(LastLine(run.Err).rfind("Result: failed, exit code " + std::to_string(c.Exit), 0), 0u)
            << c.Args << "\n" << run.Err;
        EXPECT_EQ(run.Out, "") << c.Args;
    }
    // A script that reads the report gets one even then.
    ShellRun noPort = Shell(dir, "$CLI --no-ini --sim=F999 -p -fblink.ihx --json=-");
    EXPECT_EQ(noPort.ExitCode, 8);
    EXPECT_NE(noPort.Out.find("\"exit_code\":8"), std::string::npos) << noPort.Out;
    EXPECT_NE(noPort.Out.find("unknown part"), std::string::npos) << noPort.Out;
}

TEST_F(ScriptRun, OffsetPlacesABinaryAndAreaReachesTheUserData)
{
    std::string bytes(300, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 13 + 1);
    dir.Write("fw.bin", bytes);
    dir.Write("data.bin", bytes.substr(0, 100));
    // A raw image built for 0x1000, and 100 bytes of User data on an F020
    // (its flash file: 64 KB of code, then the 128 bytes of User data).
    ShellRun code = Shell(dir, "$CLI --no-ini --sim=F340,flash=a.bin -ffw.bin --offset=0x1000 -e -p -v -q");
    EXPECT_EQ(code.ExitCode, 0) << code.Err;
    EXPECT_EQ(TempDir::Read(dir.File("a.bin")).substr(0x1000, 300), bytes);
    EXPECT_EQ(TempDir::Read(dir.File("a.bin")).substr(0xFF0, 16), std::string(16, '\xFF'));
    ShellRun data = Shell(dir, "$CLI --no-ini --sim=F020,flash=b.bin -fdata.bin --area=data -p -v -q");
    EXPECT_EQ(data.ExitCode, 0) << data.Err;
    const std::string flash = TempDir::Read(dir.File("b.bin"));
    ASSERT_EQ(flash.size(), 0x10000u + 128);
    EXPECT_EQ(flash.substr(0x10000, 100), bytes.substr(0, 100));
    EXPECT_EQ(flash.substr(0, 100), std::string(100, '\xFF')) << "the code flash is left alone";
    // Read back from the area, as S-records on stdout.
    ShellRun back = Shell(dir, "$CLI --no-ini --sim=F020,flash=b.bin --area=data --read=- --out-format=srec -q");
    EXPECT_EQ(back.ExitCode, 0) << back.Err;
    EXPECT_EQ(back.Out.rfind("S0", 0), 0u) << back.Out;
    EXPECT_TRUE(back.Out.ends_with("S9030000FC\r\n")) << back.Out;
    EXPECT_EQ(back.Err, LastLine(back.Err) + "\n") << "-q: the closing line only";
}

TEST_F(ScriptRun, RepeatNumbersEachGoodBoardAndSkipsTheFailedOne)
{
    // Four boards come and go; the second one's flash holds a stuck bit in
    // the serial number, so it fails verify and its number goes to the next.
    ShellRun run = Shell(dir, "$CLI --no-ini --sim=F340,flash=line.bin,boards=4,bad-board=2,stuck-bit=0x1F00 "
                              "--repeat --serial=0x1F00:1000:1:2 --serial-file=serial.txt --json=run.json "
                              "-e -p -v -fblink.ihx");
    EXPECT_EQ(run.ExitCode, 5) << run.Err;
    EXPECT_EQ(TempDir::Read(dir.File("serial.txt")), "1003\n");
    const uint16_t expected[] = {1000, 0, 1001, 1002};
    for (int board = 1; board <= 4; ++board) {
        const std::string flash = TempDir::Read(dir.File("line-" + std::to_string(board) + ".bin"));
        ASSERT_EQ(flash.size(), 0x10000u) << board;
        const unsigned number = static_cast<uint8_t>(flash[0x1F00]) | static_cast<uint8_t>(flash[0x1F01]) << 8;
        if (board != 2) {
            EXPECT_EQ(number, expected[board - 1]) << "board " << board;
        }
        EXPECT_NE(run.Err.find("Board " + std::to_string(board) + ": Result: " + (board == 2 ? "failed" : "success")),
                  std::string::npos)
            << run.Err;
    }
    EXPECT_TRUE(std::regex_search(run.Err, std::regex("\nBoard 3: Result: success[^\n]*, serial 1001\n")))
        << "board 3 took board 2's number: " << run.Err;
    EXPECT_NE(run.Err.find("4 boards: 3 passed, 1 failed\nResult: failed, exit code 5"), std::string::npos) << run.Err;
    const std::string json = TempDir::Read(dir.File("run.json"));
    std::istringstream lines(json);
    std::string line;
    std::vector<std::string> records;
    while (std::getline(lines, line))
        records.push_back(line);
    ASSERT_EQ(records.size(), 5u) << json;
    EXPECT_NE(records[1].find("\"board\":2,\"result\":\"failed\",\"exit_code\":5"), std::string::npos) << records[1];
    EXPECT_NE(records[1].find("\"message\":\"Verify failed at 0x1F00!\""), std::string::npos) << records[1];
    EXPECT_NE(records[2].find("\"serial\":1001"), std::string::npos) << records[2];
    EXPECT_NE(records[2].find("\"message\":null"), std::string::npos) << records[2];
    EXPECT_EQ(records[4], "{\"summary\":true,\"boards\":4,\"passed\":3,\"failed\":1,\"exit_code\":5}");
}

TEST_F(ScriptRun, CtrlCAndSigtermStopCleanly)
{
    if (!Have("srec_cat"))
        GTEST_SKIP() << "srec_cat (package srecord) is not installed";
    ASSERT_EQ(Shell(dir, "srec_cat -generate 0 0xFB00 -repeat-data 0x12 0x34 0x56 0x78 -o full.hex -intel").ExitCode, 0);
    const std::string ini = dir.Write("v.INI", "[ENVIRONMENT]\r\nLastDir=/fw\r\nPort=101\r\n");
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        const std::string err = dir.File("err.txt"), trace = dir.File("run.vcd"), flash = dir.File("f.bin");
        std::remove(err.c_str());
        std::remove(trace.c_str());
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const std::string command = "exec '" + ProgramPath("vorbrant-cli") + "' --ini='" + ini +
                                        "' --sim=F340,flash='" + flash + "' --trace='" + trace +
                                        "' -e -p -v -f'" + dir.File("full.hex") + "' 2>'" + err + "'";
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // In the middle of the program step.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (TempDir::Read(err).find("Status: Programming...") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(pid, sig);
        int status = 0;
        waitpid(pid, &status, 0);
        const std::string log = TempDir::Read(err);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself: " << log;
        EXPECT_EQ(WEXITSTATUS(status), 130) << log;
        EXPECT_TRUE(std::regex_search(log, std::regex("Warning: interrupted: the run stopped at 0x[0-9A-F]{4} and "
                                                      "released the target\n")))
            << log;
        EXPECT_EQ(LastLine(log).rfind("Result: interrupted, exit code 130, ", 0), 0u) << log;
        EXPECT_EQ(TempDir::Read(flash).size(), 0x10000u) << "the simulated flash is written back whole";
        EXPECT_EQ(TempDir::Read(ini), "[ENVIRONMENT]\r\nLastDir=/fw\r\nPort=101\r\n");
        // The trace: a value change dump that ends with a whole line, every
        // line after the definitions a time stamp or a value change.
        const std::string vcd = TempDir::Read(trace);
        ASSERT_FALSE(vcd.empty());
        EXPECT_EQ(vcd.back(), '\n');
        const size_t body = vcd.find("$enddefinitions $end\n");
        ASSERT_NE(body, std::string::npos);
        std::istringstream lines(vcd.substr(body + 21));
        std::string line;
        size_t bad = 0;
        const std::regex valid("#[0-9]+|[01xz][!-~]+|\\$dumpvars|\\$end");
        while (std::getline(lines, line))
            bad += !std::regex_match(line, valid);
        EXPECT_EQ(bad, 0u);
        if (Have("sigrok-cli")) {
            EXPECT_EQ(Shell(dir, "sigrok-cli -I vcd:downsample=1000 -i run.vcd -O bits -o /dev/null").ExitCode, 0);
        }
    }
}

TEST_F(ScriptRun, ChainRunReportsEachPositionThenTheWhole)
{
    const std::string chain = std::string(VORBRANT_SOURCE_DIR) + "/examples/chain/";
    // The example keeps its flash in the user's runtime folder: here, the test's.
    ShellRun run = Shell(dir, "XDG_RUNTIME_DIR=\"$PWD\" $CLI --no-ini --sim=@" + chain + "board-sim.ini --jcf=" + chain +
                                  "board.jcf --chain-device=all -e -p -v -q --json=-");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(TempDir::Read(dir.File("vorbrant-board-f120.bin")).size(), 0x20000u + 256);
    std::istringstream lines(run.Out);
    std::string line;
    std::vector<std::string> records;
    while (std::getline(lines, line))
        records.push_back(line);
    ASSERT_EQ(records.size(), 3u) << run.Out;
    EXPECT_EQ(records[0].rfind("{\"position\":1,\"result\":\"success\",\"exit_code\":0,\"part\":\"F020..23\"", 0), 0u);
    EXPECT_NE(records[1].find("\"bytes_programmed\":23,\"bytes_verified\":23,\"crc32\":\""), std::string::npos);
    EXPECT_EQ(records[2].rfind("{\"summary\":true,\"result\":\"success\",\"exit_code\":0,\"part\":null", 0), 0u);
    EXPECT_NE(records[2].find("\"bytes_programmed\":1580,\"bytes_verified\":1580,\"crc32\":null"), std::string::npos);
}
