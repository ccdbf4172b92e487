// Configuration files. Whatever is read is written back byte for byte; a key
// set changes that key alone, and what was written reads back the same.
#include "common/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vorbrant::IniFile ini;
    ini.Parse(text);
    if (ini.Serialize() != text)
        std::abort();
    const auto sections = ini.Sections();
    std::vector<std::vector<std::string>> values;
    for (const auto& section : sections) {
        values.emplace_back();
        for (const auto& key : ini.ReadSection(section)) {
            (void)ini.ReadInteger(section, key, 0);
            values.back().push_back(ini.ReadString(section, key, ""));
        }
    }

    // Set one key, named by the input's length, to a value from its end.
    const std::string section = sections.empty() ? "ENVIRONMENT" : sections[size % sections.size()];
    const auto keys = ini.ReadSection(section);
    const std::string key = keys.empty() || size % 3 == 0 ? "Added" + std::to_string(size % 7) : keys[size % keys.size()];
    const std::string value(text.substr(size - std::min<size_t>(size, 12)));
    ini.WriteString(section, key, value);

    vorbrant::IniFile again;
    again.Parse(ini.Serialize());
    if (again.Serialize() != ini.Serialize())
        std::abort();
    // Values are trimmed and a line break becomes a blank.
    std::string expected = value;
    for (auto& c : expected)
        if (c == '\r' || c == '\n')
            c = ' ';
    const size_t first = expected.find_first_not_of(" \t");
    const size_t last = expected.find_last_not_of(" \t");
    expected = first == std::string::npos ? "" : expected.substr(first, last - first + 1);
    if (again.ReadString(section, key, "<missing>") != expected)
        std::abort();
    for (size_t s = 0; s < sections.size(); ++s) {
        const auto names = ini.ReadSection(sections[s]);
        if (names.size() < values[s].size())
            std::abort();
        for (size_t k = 0; k < values[s].size(); ++k) {
            const bool changed = sections[s] == section && names[k] == key;
            if (!changed && again.ReadString(sections[s], names[k], "<missing>") != values[s][k])
                std::abort();
        }
    }
    return 0;
}
