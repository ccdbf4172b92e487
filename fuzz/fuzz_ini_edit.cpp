// Editing a configuration: a file read from the input, then a series of
// WriteString, DeleteKey and EraseSection calls (the device table erases
// its section of the live configuration and writes it again). After every
// edit the file must read as a plain model of sections and keys says, and
// at the end so must its text read again.
//
// Input: the file's text, a NUL byte, then the edits, three bytes each:
// operation and section, key, value (a piece of the file's text).
#include "common/IniFile.h"
#include "common/Text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using vorbrant::EqualsNoCase;
using vorbrant::IniFile;

struct ModelSection {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Keys;
};
using Model = std::vector<ModelSection>;

ModelSection* Find(Model& model, std::string_view name)
{
    for (ModelSection& s : model)
        if (EqualsNoCase(s.Name, name))
            return &s;
    return nullptr;
}

// What a value reads back as: one line, trimmed.
std::string Stored(std::string_view value)
{
    std::string v(value);
    for (char& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    return std::string(vorbrant::Trim(v));
}

Model Read(const IniFile& ini)
{
    Model model;
    for (const std::string& name : ini.Sections()) {
        ModelSection& s = model.emplace_back();
        s.Name = name;
        for (const std::string& key : ini.ReadSection(name))
            s.Keys.emplace_back(key, ini.ReadString(name, key, "<missing>"));
    }
    return model;
}

bool Same(const Model& a, const Model& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t s = 0; s < a.size(); ++s) {
        if (!EqualsNoCase(a[s].Name, b[s].Name) || a[s].Keys.size() != b[s].Keys.size())
            return false;
        for (size_t k = 0; k < a[s].Keys.size(); ++k)
            if (!EqualsNoCase(a[s].Keys[k].first, b[s].Keys[k].first) || a[s].Keys[k].second != b[s].Keys[k].second)
                return false;
    }
    return true;
}

// Names the edits use: spellings that differ only in case, and names the
// device table and the main window use.
constexpr const char* SectionNames[] = {"JTAG Devices", "jtag devices", "ENVIRONMENT", "A", "a", "B"};
constexpr const char* KeyNames[] = {"Device_1", "device_1", "Device_2", "Port", "K", "k", "File1", "X"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string_view text = input.substr(0, nul);
    const std::string_view edits = nul == std::string_view::npos ? std::string_view{} : input.substr(nul + 1);

    IniFile ini;
    ini.Parse(text);
    Model model = Read(ini);

    for (size_t at = 0; at + 3 <= edits.size(); at += 3) {
        const auto op = static_cast<uint8_t>(edits[at]);
        const char* section = SectionNames[(op >> 2) % std::size(SectionNames)];
        const char* key = KeyNames[static_cast<uint8_t>(edits[at + 1]) % std::size(KeyNames)];
        const size_t from = text.empty() ? 0 : static_cast<uint8_t>(edits[at + 2]) % text.size();
        const std::string_view value = text.substr(from, 1 + static_cast<uint8_t>(edits[at + 2]) % 9);
        ModelSection* s = Find(model, section);
        switch (op % 3) {
        case 0:
            ini.WriteString(section, key, value);
            if (!s) {
                s = &model.emplace_back();
                s->Name = section;
            }
            {
                bool found = false;
                for (auto& [name, v] : s->Keys)
                    if (EqualsNoCase(name, key)) {
                        v = Stored(value);
                        found = true;
                        break;
                    }
                if (!found)
                    s->Keys.emplace_back(key, Stored(value));
            }
            break;
        case 1:
            ini.DeleteKey(section, key);
            if (s)
                for (auto it = s->Keys.begin(); it != s->Keys.end(); ++it)
                    if (EqualsNoCase(it->first, key)) {
                        s->Keys.erase(it);
                        break;
                    }
            break;
        case 2:
            ini.EraseSection(section);
            if (s)
                model.erase(model.begin() + (s - model.data()));
            break;
        }
        if (!Same(Read(ini), model))
            std::abort();
    }
    // The text written reads as the same settings.
    IniFile again;
    again.Parse(ini.Serialize());
    if (!Same(Read(again), model))
        std::abort();
    return 0;
}
