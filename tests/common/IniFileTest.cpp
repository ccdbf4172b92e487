#include "common/IniFile.h"
#include "common/Text.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorbrant;
using vorbrant::test::TempDir;

TEST(IniFile, ReadsWindowsFilesWithAnyCaseAndBlanks)
{
    IniFile ini;
    ini.Parse("[environment]\r\nPORT = 104,888 \r\nlastdir=C:\\x\r\n\r\n[JTAG Devices]\r\nCount=3\r\n");
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "Port", ""), "104,888");
    EXPECT_EQ(ini.ReadString("Environment", "LastDir", ""), "C:\\x");
    EXPECT_EQ(ini.ReadInteger("jtag devices", "count", 0), 3);
    EXPECT_EQ(ini.ReadInteger("ENVIRONMENT", "Missing", 7), 7);
    EXPECT_EQ(ini.ReadInteger("ENVIRONMENT", "Port", 1), 1) << "not a number reads as the default";
}

// A file written on Windows by hand and by other tools: CR LF, comments of
// both kinds, blank lines, a key repeated, a line that is no key, blanks
// around "=", a section we do not know, a chain file's section, and no line
// end after the last line.
const std::string WindowsIni =
    "; Vorbrant settings\r\n"
    "\r\n"
    "[ENVIRONMENT]\r\n"
    "LastDir = C:\\Work\\fw  \r\n"
    "# the port as the last run left it\r\n"
    "Port=888\r\n"
    "File1=a.hex\r\n"
    "File1=b.hex\r\n"
    "not a key at all\r\n"
    "\r\n"
    "\r\n"
    "[Other Tool]\r\n"
    "  Colour = Blue\r\n"
    "[JTAG Chain]\r\n"
    "DeviceCount=2\r\n"
    "Device1=F120,8\r\n"
    "Device2=EPM7064,10";

TEST(IniFile, ReadingAndWritingBackChangeNothing)
{
    IniFile ini;
    ini.Parse(WindowsIni);
    EXPECT_TRUE(ini.IsText());
    EXPECT_EQ(ini.Serialize(), WindowsIni);
    EXPECT_EQ(ini.ReadString("environment", "file1", ""), "a.hex") << "a repeated key reads as its first value";
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "LastDir", ""), "C:\\Work\\fw");
    EXPECT_EQ(ini.ReadSection("ENVIRONMENT"), (std::vector<std::string>{"LastDir", "Port", "File1"}));
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"ENVIRONMENT", "Other Tool", "JTAG Chain"}));
    // Writing the values it has changes no byte either.
    ini.WriteString("ENVIRONMENT", "LastDir", "C:\\Work\\fw");
    ini.WriteInteger("jtag chain", "DeviceCount", 2);
    EXPECT_EQ(ini.Serialize(), WindowsIni);
}

TEST(IniFile, WritingChangesOnlyTheLinesOfTheKeysSet)
{
    IniFile ini;
    ini.Parse(WindowsIni);
    ini.WriteString("Environment", "LASTDIR", "/home/op");
    ini.WriteString("ENVIRONMENT", "File1", "c.hex");
    ini.WriteInteger("ENVIRONMENT", "FileCount", 1);
    ini.WriteString("JTAG Chain", "Device3", "F330,1");
    ini.WriteString("JTAG Devices", "Count", "0");
    std::string expected = WindowsIni;
    auto replace = [&](const std::string& from, const std::string& to) {
        const size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replace("LastDir = C:\\Work\\fw  ", "LastDir = /home/op");
    replace("File1=a.hex\r\n", "File1=c.hex\r\n");
    // A new key follows the last key of its section, before the blank lines.
    replace("File1=b.hex\r\n", "File1=b.hex\r\nFileCount=1\r\n");
    replace("Device2=EPM7064,10", "Device2=EPM7064,10\r\nDevice3=F330,1\r\n\r\n[JTAG Devices]\r\nCount=0\r\n");
    EXPECT_EQ(ini.Serialize(), expected);

    // Deleting a repeated key removes every line of it; erasing a section
    // removes its lines up to the next section.
    ini.DeleteKey("ENVIRONMENT", "file1");
    EXPECT_FALSE(ini.ValueExists("ENVIRONMENT", "File1"));
    ini.EraseSection("other tool");
    EXPECT_FALSE(ini.SectionExists("Other Tool"));
    replace("File1=c.hex\r\nFile1=b.hex\r\n", "");
    replace("[Other Tool]\r\n  Colour = Blue\r\n", "");
    EXPECT_EQ(ini.Serialize(), expected);
    // Keys written after a delete go where the section's keys end.
    ini.WriteString("ENVIRONMENT", "File1", "d.hex");
    EXPECT_EQ(ini.ReadSection("ENVIRONMENT"), (std::vector<std::string>{"LastDir", "Port", "FileCount", "File1"}));
    replace("FileCount=1\r\n", "FileCount=1\r\nFile1=d.hex\r\n");
    EXPECT_EQ(ini.Serialize(), expected);
}

TEST(IniFile, NewFilesAreLaidOutOneSectionAfterTheOther)
{
    IniFile ini;
    ini.WriteString("ENVIRONMENT", "LastDir", "/x");
    ini.WriteString("JTAG Devices", "Count", "0");
    ini.WriteString("ENVIRONMENT", "Port", "1\r\n[Injected]");
    EXPECT_EQ(ini.Serialize(), "[ENVIRONMENT]\nLastDir=/x\nPort=1  [Injected]\n\n[JTAG Devices]\nCount=0\n");
}

TEST(IniFile, BinaryContentIsNeitherReadAsSettingsNorWritten)
{
    TempDir dir;
    std::string binary = "[ENVIRONMENT]\nPort=888\n";
    binary += std::string("\0\x01\x02\xFF", 4);
    const std::string path = dir.Write("x.INI", binary);
    IniFile ini(path);
    EXPECT_FALSE(ini.IsText());
    ini.WriteString("ENVIRONMENT", "Port", "1");
    std::string error;
    EXPECT_FALSE(ini.Save(&error));
    EXPECT_EQ(error, "not a text INI file");
    EXPECT_EQ(TempDir::Read(path), binary);
    // Code pages and UTF-8 are text; so is a byte-order mark before a section.
    ini.Parse("\xEF\xBB\xBF[ENVIRONMENT]\r\nLastDir=C:\\M\xFCller\r\n\x1A");
    EXPECT_TRUE(ini.IsText());
    EXPECT_EQ(ini.ReadString("ENVIRONMENT", "LastDir", ""), "C:\\M\xFCller");
}

TEST(IniFile, SavesAtomicallyAndReadsBack)
{
    TempDir dir;
    auto path = dir.File("t.INI");
    {
        IniFile ini(path);
        EXPECT_FALSE(ini.SectionExists("ENVIRONMENT"));
        ini.WriteInteger("ENVIRONMENT", "FileCount", 2);
        std::string err;
        ASSERT_TRUE(ini.Save(&err)) << err;
    }
    IniFile again(path);
    EXPECT_EQ(again.ReadInteger("ENVIRONMENT", "FileCount", 0), 2);
    // A folder that does not exist cannot take the file: the reason is given.
    IniFile bad(dir.File("no-such-folder/x.INI"));
    std::string err;
    EXPECT_FALSE(bad.Save(&err));
    EXPECT_FALSE(err.empty());
}

TEST(Text, ParseInt32AcceptsDecimalAndHexPrefixes)
{
    EXPECT_EQ(ParseInt32("1234"), 1234);
    EXPECT_EQ(ParseInt32("-5"), -5);
    EXPECT_EQ(ParseInt32("$FF"), 255);
    EXPECT_EQ(ParseInt32("0x10"), 16);
    EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInt32("-$80000000"), INT32_MIN);
    EXPECT_EQ(ParseInt32("-$1"), -1);
    EXPECT_FALSE(ParseInt32("2147483648"));
    EXPECT_FALSE(ParseInt32(""));
    EXPECT_FALSE(ParseInt32("12a"));
    EXPECT_FALSE(ParseInt32("$"));
    EXPECT_EQ(Hex(0x1234, 6), "001234");
    EXPECT_EQ(Hex(0xFFFFFFFF, 6), "FFFFFFFF");
}

TEST(IniFile, AFileThatCannotBeReadKeepsWhatWasLoaded)
{
    TempDir dir;
    auto path = dir.Write("v.INI", "[JTAG Devices]\nCount=2\n");
    IniFile ini(path);
    ASSERT_EQ(ini.ReadInteger("JTAG Devices", "Count", 0), 2);
    // A folder where the file was: it exists but cannot be read as a file.
    std::filesystem::remove(path);
    std::filesystem::create_directories(path);
    std::string err;
    EXPECT_FALSE(ini.Load(&err));
    EXPECT_EQ(ini.ReadInteger("JTAG Devices", "Count", 0), 2) << "a save after this must not drop the section";
}

TEST(IniFile, OnlyRegularFilesOfSaneSizeAreRead)
{
    TempDir dir;
    const std::string fifo = dir.File("pipe.INI");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    IniFile ini;
    ini.SetPath(fifo);
    std::string error;
    EXPECT_FALSE(ini.Load(&error)) << "a FIFO with no writer must not stall the start";
    EXPECT_EQ(error, "not a regular file");

    const std::string big = dir.File("big.INI");
    ASSERT_EQ(truncate(dir.Write("big.INI", "[A]\n").c_str(), static_cast<off_t>(IniFile::MaxFileSize) + 1), 0);
    ini.SetPath(big);
    EXPECT_FALSE(ini.Load(&error));
    EXPECT_EQ(error, "File too large");
}

// The largest configurations the program accepts, in the shapes that once
// took a list node, a string and hash-table room per line (2.6 GB for 32 MiB
// of line ends): each must load and be read within a few hundred MB of
// address space. Each load runs in a child under RLIMIT_AS; running out
// there aborts the child.
TEST(IniFile, TheLargestFilesLoadWithinAFewHundredMegabytes)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space";
#endif
#endif
    TempDir dir;
    const size_t size = IniFile::MaxFileSize;
    auto repeat = [&](std::string text, const std::string& unit) {
        while (text.size() + unit.size() <= size)
            text += unit;
        return text;
    };
    struct Case {
        const char* Name;
        std::string Text;
        const char* Key;     // in section S, with its expected value
        const char* Value;
    };
    std::string sections;
    char entry[40];
    for (int i = 0; sections.size() + 32 + 16 <= size; ++i) {
        std::snprintf(entry, sizeof entry, "[S%07d]\nK=%018d\n", i, i);
        sections += entry;
    }
    sections += "[S]\nK=last\n";
    const Case cases[] = {
        {"line ends", std::string(size - 8, '\n') + "[S]\nK=1\n", "K", "1"},
        {"one key repeated", repeat("[S]\nK=first\n", "K=\n"), "K", "first"},
        {"one huge line", "[S]\nK=" + std::string(size - 6, 'x'), "K", nullptr},
        {"1 M sections", sections, "K", "last"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_LE(c.Text.size(), size);
        const std::string path = dir.Write("big.INI", c.Text);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // What this process holds already, and 400 MB more.
            long pages = 0;
            if (FILE* f = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(f, "%ld", &pages) != 1)
                    pages = 0;
                std::fclose(f);
            }
            const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (400ull << 20);
            const struct rlimit rl{limit, limit};
            if (pages == 0 || setrlimit(RLIMIT_AS, &rl) != 0)
                _exit(3);
            IniFile ini(path);
            const std::string value = ini.ReadString("S", c.Key, "<missing>");
            const bool ok = c.Value ? value == c.Value : value.size() == size - 6;
            _exit(ok ? 0 : 2);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << (WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status))
                                    : "exit " + std::to_string(WEXITSTATUS(status)));
    }
}
