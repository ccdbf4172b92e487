// Simulator configurations: the short form and the INI form. Bad text must
// give a reason, never a crash.
#include "sim/SimConfig.h"

#include <cstdint>
#include <cstdlib>
#include <string>

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
    if (!vorbrant::sim::ParseSimIni(text, "fuzz.ini", fromIni, error) && error.empty())
        std::abort();
    return 0;
}
