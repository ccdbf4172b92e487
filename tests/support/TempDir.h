#pragma once
// A scratch folder of its own for one test, removed with everything in it
// when the test ends.
//
//   TempDir dir;
//   std::string ini = dir.Write("cfg/vorbrant.INI", "[ENVIRONMENT]\r\n");
//   std::string out = dir.File("out.hex");   // a path in it, not created
//   EXPECT_EQ(TempDir::Read(out), expected);
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace vorbrant::test {

class TempDir {
public:
    TempDir()
    {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec)
            base = "/tmp";
        std::string pattern = (base / "vorbrant-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "cannot create a scratch folder in " << base;
        Path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The path of `name` (which may have folders in it) inside the folder.
    std::string File(const std::string& name) const { return (std::filesystem::path(Path) / name).string(); }

    // Writes a file, creating the folders on its way; returns its path.
    std::string Write(const std::string& name, const std::string& content) const
    {
        std::filesystem::path path = File(name);
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    // The whole content of a file, "" when it cannot be read.
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string Path;
};

} // namespace vorbrant::test
