#pragma once
// The configuration file: sections of "key=value" lines. Section names and keys
// compare without case, values are trimmed, a missing key reads as the caller's
// default, the order of sections and keys is kept, CR LF and LF both read, and
// the file is replaced atomically when saved.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorbrant {

class IniFile {
public:
    IniFile() = default;
    // Reads the file when it exists; a missing file is an empty configuration.
    explicit IniFile(std::string path);

    // Re-reads the file; a missing file reads as empty. False when it exists
    // but cannot be read: the content stays as it was and error says why.
    bool Load(std::string* error = nullptr);
    // Parses text directly (used for files that are not configuration files).
    void Parse(std::string_view text);
    // Writes the whole content to Path(); false with the reason on failure.
    bool Save(std::string* error = nullptr) const;
    std::string Serialize() const;

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    bool SectionExists(std::string_view section) const;
    // Keys of a section, in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    std::vector<std::string> Sections() const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void DeleteKey(std::string_view section, std::string_view key);
    void EraseSection(std::string_view section);

private:
    struct Entry {
        std::string Key;
        std::string Value;
    };
    struct Section {
        std::string Name;
        std::vector<Entry> Entries;
    };
    const Section* Find(std::string_view section) const;
    Section& FindOrAdd(std::string_view section);
    const Entry* Find(std::string_view section, std::string_view key) const;

    std::string path_;
    std::vector<Section> sections_;
};

} // namespace vorbrant
