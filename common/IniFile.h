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
// Memory stays in proportion to what the file means, not to its lines: the
// text is kept as read, in one buffer, and only section headers and the
// first line of each key get a small record; comments, blank lines and
// repeated keys stay bytes of that buffer between two records. Sections and
// keys are found through hash tables sized by their number. Reading a file
// costs time in proportion to its size, and memory of the text plus about
// 20 bytes per section and per key (bench/config_memory).
#include <cstddef>
#include <cstdint>
#include <functional>
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
    // The same, keeping the text itself rather than a copy of it.
    void ParseOwned(std::string text);
    // Writes the whole content to Path(); false with the reason on failure.
    // Content that is not text (see IsText) is never written.
    // beforeRename: see WriteFileAtomically (a lock taken over).
    bool Save(std::string* error = nullptr, const std::function<void(int fd)>& beforeRename = {}) const;
    // The file's text: what was parsed, with the changes made since.
    std::string Serialize() const;

    // False when the text last parsed is not a text INI file: it holds NUL
    // bytes or control characters other than tab, line and page breaks and
    // the DOS end-of-file mark (binary data, a UTF-16 file). Such a file is
    // not ours to rewrite.
    bool IsText() const { return text_ok_; }

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
    // Each section's name, in file order, without copying them.
    void VisitSections(const std::function<void(std::string_view)>& visit) const;

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
    static constexpr uint32_t None = 0xFFFFFFFFu;
    enum Flag : uint8_t {
        Header = 1,       // a section header, else the first line of a key
        Removed = 2,      // the line is not written
        TailRemoved = 4,  // nor the lines behind it
        OwnText = 8,      // its text is in own_ (a changed or added line)
        Added = 16,       // not from the file: it follows the line in Start
        Repeated = 32,    // the key has later lines in its section
        HasAfter = 64,    // lines were added right behind it (after_)
        OwnTail = 128,    // the lines behind it are in tails_
    };
    // A header or the first line of a key. The lines that follow it up to
    // the next record (its tail) are the bytes of text_ between the two.
    struct Line {
        uint32_t Start = 0;    // in text_; for an added line the line it follows
        uint32_t Section = 0;
        uint32_t Next = None;  // a header: the section's next header; an
                               // added key: the length of its name
        uint8_t Flags = 0;
    };
    struct Section {
        uint32_t FirstHeader = None;   // its name is this header's
        uint32_t LastHeader = None;
        uint32_t Last = None;          // a new key goes after this line,
        uint32_t RepeatEnd = 0;        // or after the repeat ending here in its tail
        bool Removed = false;
    };

    bool Is(uint32_t line, uint8_t flag) const { return (lines_[line].Flags & flag) != 0; }
    bool Parsed(uint32_t line) const { return line < parsed_; }
    std::string_view OriginalLine(uint32_t line) const;   // without its line end
    std::string_view LineEndOf(uint32_t line) const;      // a parsed line's
    std::string_view LineText(uint32_t line) const;
    std::string_view TailOf(uint32_t line) const;
    std::string_view HeaderName(uint32_t line) const;
    std::string_view KeyName(uint32_t line) const;
    std::string_view ValueOf(uint32_t line) const;
    std::string_view SectionName(uint32_t section) const { return HeaderName(sections_[section].FirstHeader); }
    // The next line in file order, changes included; None at the end.
    uint32_t NextLine(uint32_t line) const;
    uint32_t FirstAfter(uint32_t host, size_t from) const;
    // Calls visit for every line of the section's openings, headers included.
    void VisitSectionLines(uint32_t section, const std::function<void(uint32_t)>& visit) const;
    void InsertAfter(uint32_t where, uint32_t line);
    uint32_t NewLine(uint32_t section, uint8_t flags, std::string text);

    // The hashes are the callers' where they have them already.
    uint32_t FindSection(std::string_view section) const;
    uint32_t FindSection(std::string_view section, uint64_t hash) const;
    uint32_t AddSection(std::string_view section);
    uint32_t FindKey(uint32_t section, std::string_view key) const;
    uint32_t FindKey(uint32_t section, std::string_view key, uint64_t hash) const;
    uint32_t FindKey(std::string_view section, std::string_view key) const;
    void IndexSection(uint32_t section, uint64_t hash);
    void IndexKey(uint32_t line, uint64_t hash);
    void Clear();
    void ParseText();
    std::string_view NewLineEnd() const { return eol_.empty() ? std::string_view("\n") : std::string_view(eol_); }

    std::string path_;
    std::string text_;                  // the text as read
    std::vector<Line> lines_;           // the lines read, in file order, then the added ones
    uint32_t parsed_ = 0;               // lines_ read from text_
    std::vector<Section> sections_;     // in file order, then the added ones
    // Open-addressing tables: a slot holds the top half of the hash (which
    // also places it) and index + 1 (0: a free slot), so a probe reads no
    // line but the one it finds. Lines and sections that were removed keep
    // their slots and are passed over.
    std::vector<uint64_t> keySlots_;
    std::vector<uint64_t> sectionSlots_;
    uint32_t keyCount_ = 0;
    // What changed since the text was read: the text of changed and added
    // lines, the lines added behind a line (None: at the end of the file),
    // and tails that lost repeated keys.
    std::unordered_map<uint32_t, std::string> own_;
    std::unordered_map<uint32_t, std::vector<uint32_t>> after_;
    std::unordered_map<uint32_t, std::string> tails_;
    // Where in its tail the lines added behind a line go (after repeats).
    std::unordered_map<uint32_t, uint32_t> splits_;
    std::string eol_;                   // the file's first line end, for lines we add
    bool text_ok_ = true;
};

} // namespace vorbrant
