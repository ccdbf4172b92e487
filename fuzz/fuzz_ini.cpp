// Configuration files. Parsing what we wrote must give what we wrote.
#include "common/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorbrant::IniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& section : ini.Sections())
        for (const auto& key : ini.ReadSection(section))
            (void)ini.ReadInteger(section, key, 0);
    const std::string once = ini.Serialize();
    vorbrant::IniFile again;
    again.Parse(once);
    if (again.Serialize() != once)
        std::abort();
    return 0;
}
