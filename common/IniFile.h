#pragma once
// The configuration file: sections of "key=value" lines. Section names and keys
// compare without case, values are trimmed, a missing key reads as the caller's
// default, a repeated key reads as its first value, CR LF and LF both read.
//
// The file is kept as it was read, line by line: saving it writes back every
// comment, blank line, unknown section or key, repeated key, line end and
// spelling unchanged, and changes only the lines of the keys the program set
// (a key set to the value it has keeps its line as it was). New keys go
// after the last key of their section, new sections at the end.
//
// Sections and keys are found through hash maps: reading a file, and every
// read or write after it, costs time in proportion to the file's size.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorbrant {

class IniFile {
public:
    // Larger files are refused by Load: no configuration comes near it.
    static constexpr size_t MaxFileSize = size_t{32} << 20;

    IniFile() = default;
    // Reads the file when it exists; a missing file is an empty configuration.
    explicit IniFile(std::string path);
    IniFile(const IniFile& other);
    IniFile& operator=(const IniFile& other);
    IniFile(IniFile&&) noexcept = default;
    IniFile& operator=(IniFile&&) noexcept = default;
    ~IniFile() = default;

    // Re-reads the file; a missing file reads as empty. False when it exists
    // but cannot be read (not a regular file, larger than MaxFileSize, a read
    // error): the content stays as it was and error says why.
    bool Load(std::string* error = nullptr);
    // Parses text directly (used for files that are not configuration files).
    void Parse(std::string_view text);
    // Writes the whole content to Path(); false with the reason on failure.
    // Content that is not text (see IsText) is never written.
    bool Save(std::string* error = nullptr) const;
    // The file's text: what was parsed, with the changes made since.
    std::string Serialize() const;

    // False when the text last parsed is not a text INI file: it holds NUL
    // bytes or control characters other than tab, line and page breaks and
    // the DOS end-of-file mark (binary data, a UTF-16 file). Such a file is
    // not ours to rewrite.
    bool IsText() const { return text_; }

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    bool SectionExists(std::string_view section) const;
    // Keys of a section, in file order, each once.
    std::vector<std::string> ReadSection(std::string_view section) const;
    std::vector<std::string> Sections() const;

    // Sets the first occurrence of the key (later repeats stay as they are).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes every line of the key.
    void DeleteKey(std::string_view section, std::string_view key);
    // Removes the section's headers and every line below each of them up to
    // the next section.
    void EraseSection(std::string_view section);

private:
    enum class LineEnd : uint8_t { None, Lf, CrLf, Cr };
    struct Line {
        std::string Text;                 // without its line end
        LineEnd End = LineEnd::None;      // None: the last line, without one
        bool Header = false;
    };
    using LineList = std::list<Line>;
    using LineIt = LineList::iterator;
    struct Key {
        LineIt First;                     // the line read; its value is the key's
        std::vector<LineIt> Repeats;      // later lines of the same key
        uint64_t Hash = 0;                // of the section index and the name
        uint32_t Section = 0;
        uint32_t NameStart = 0;           // the name's place in First->Text
        uint32_t NameLength = 0;
        bool Removed = false;
    };
    struct Section {
        std::string Name;                 // spelled as first seen
        std::vector<LineIt> Headers;      // a section may be opened more than once
        LineIt Last;                      // a new key goes after this line
        std::vector<uint32_t> Keys;       // into keys_, in file order
        bool Removed = false;
    };
    // Section names compared and hashed without case, looked up without a
    // copy: the views point into the Name of a Section, which a deque never
    // moves.
    struct NoCaseHash {
        size_t operator()(std::string_view s) const;
    };
    struct NoCaseEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    static constexpr size_t None = static_cast<size_t>(-1);

    size_t FindSection(std::string_view section) const;
    size_t AddSection(std::string_view section);
    const Key* FindKey(std::string_view section, std::string_view key) const;
    size_t FindKeyIndex(size_t section, std::string_view key) const;
    void AddKey(size_t section, LineIt line, std::string_view name);
    void IndexKey(uint32_t key);
    static std::string_view NameOf(const Key& key);
    static std::string_view ValueOf(const Key& key);
    LineEnd NewLineEnd() const { return eol_ == LineEnd::None ? LineEnd::Lf : eol_; }

    std::string path_;
    LineList lines_;
    std::deque<Section> sections_;
    std::unordered_map<std::string_view, size_t, NoCaseHash, NoCaseEqual> sectionIndex_;   // -> sections_
    // Every key of every section, and an open-addressing table over them:
    // 0 is a free slot; a removed key stays in its slot and is passed over.
    std::vector<Key> keys_;
    std::vector<uint64_t> slots_;
    LineEnd eol_ = LineEnd::None;         // the file's first line end, for lines we add
    bool text_ = true;
};

} // namespace vorbrant
