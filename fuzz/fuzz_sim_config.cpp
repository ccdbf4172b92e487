// Simulator configurations: the short form and the INI form, from text and
// from a file. Bad text must give a reason, never a crash; a configuration
// read from a file names its flash files from that file's folder.
#include "sim/SimConfig.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// One scratch folder for the whole run (the fuzzer calls us in one process),
// removed at its end.
char folderName[] = "/tmp/fuzz_sim_config-XXXXXX";

std::string Folder()
{
    static const bool made = [] {
        if (!mkdtemp(folderName))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(folderName, ec);
        });
        return true;
    }();
    (void)made;
    return folderName;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    vorbrant::sim::SimConfig config;
    // "@FILE" names a file to read: keep the fuzzer away from the disk.
    if (!text.empty() && text.front() != '@') {
        if (!vorbrant::sim::ParseSimSpec(text, config, error) && error.empty())
            std::abort();
    }
    vorbrant::sim::SimConfig fromIni;
    error.clear();
    const bool parsed = vorbrant::sim::ParseSimIni(text, "fuzz.ini", fromIni, error);
    if (!parsed && error.empty())
        std::abort();

    // The same text as a file: read the same way, and every Flash= name,
    // relative or not, now says where the file is.
    const std::string path = Folder() + "/board.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    vorbrant::sim::SimConfig fromFile;
    std::string fileError;
    const bool read = vorbrant::sim::ParseSimSpec("@" + path, fromFile, fileError);
    if (read != parsed || (!read && fileError.empty()))
        std::abort();
    if (read) {
        if (fromFile.Devices.size() != fromIni.Devices.size())
            std::abort();
        for (size_t i = 0; i < fromFile.Devices.size(); ++i) {
            const std::string& relative = fromIni.Devices[i].FlashFile;   // "fuzz.ini" has no folder
            const std::string& named = fromFile.Devices[i].FlashFile;
            if (relative.empty() != named.empty())
                std::abort();
            if (!named.empty() && named.front() != '/')
                std::abort();
            if (!relative.empty() && relative.front() != '/' && named != Folder() + "/" + relative)
                std::abort();
        }
    }
    return 0;
}
