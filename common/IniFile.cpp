#include "common/IniFile.h"

#include "common/AtomicFile.h"
#include "common/BoundedRead.h"
#include "common/Text.h"

#include <algorithm>
#include <iterator>

namespace vorbrant {

namespace {

bool LooksLikeText(std::string_view text)
{
    for (unsigned char c : text)
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != 0x1A)
            return false;
    return true;
}

// Where the value of a key line starts: after the "=" and the blanks behind it.
size_t ValueStart(std::string_view line)
{
    size_t at = line.find('=');
    if (at == std::string_view::npos)
        return line.size();
    ++at;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    return at;
}

std::string OneLine(std::string_view value)
{
    // Line breaks would split the value into lines of their own on reading.
    std::string v(value);
    for (auto& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    return v;
}

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    Load();
}

// The line lists of a copy are its own: copying goes through the text.
IniFile::IniFile(const IniFile& other) : path_(other.path_)
{
    Parse(other.Serialize());
}

IniFile& IniFile::operator=(const IniFile& other)
{
    if (this != &other) {
        path_ = other.path_;
        Parse(other.Serialize());
    }
    return *this;
}

bool IniFile::Load(std::string* error)
{
    // Keep what we had when the file cannot be read: a later save must not
    // drop sections we could not read this time.
    std::string text, reason;
    switch (ReadWholeFile(path_, MaxFileSize, text, reason)) {
    case ReadResult::Missing:
        Parse("");
        return true;
    case ReadResult::Failed:
        if (error)
            *error = reason;
        return false;
    case ReadResult::Read:
        break;
    }
    Parse(text);
    return true;
}

namespace {

uint64_t HashNoCase(std::string_view s, uint64_t h = 14695981039346656037ull)
{
    // FNV-1a over the upper-case letters.
    for (char c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return h;
}

uint64_t KeyHash(size_t section, std::string_view name)
{
    // FNV leaves its low bits poorly mixed, and the table indexes by them.
    uint64_t h = HashNoCase(name) ^ (section * 0x9E3779B97F4A7C15ull);
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

} // namespace

size_t IniFile::NoCaseHash::operator()(std::string_view s) const
{
    return static_cast<size_t>(HashNoCase(s));
}

bool IniFile::NoCaseEqual::operator()(std::string_view a, std::string_view b) const
{
    return EqualsNoCase(a, b);
}

std::string_view IniFile::NameOf(const Key& key)
{
    return std::string_view(key.First->Text).substr(key.NameStart, key.NameLength);
}

std::string_view IniFile::ValueOf(const Key& key)
{
    const std::string& text = key.First->Text;
    return Trim(std::string_view(text).substr(text.find('=') + 1));
}

// A slot holds the key's index + 1 in its low half and the top of its hash
// in the high half, so that a probe reads no key but the one it finds.
size_t IniFile::FindKeyIndex(size_t section, std::string_view name) const
{
    if (slots_.empty())
        return None;
    const uint64_t hash = KeyHash(section, name);
    const uint64_t tag = hash & 0xFFFFFFFF00000000ull;
    const size_t mask = slots_.size() - 1;
    for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
        const uint64_t slot = slots_[i];
        if (slot == 0)
            return None;
        if ((slot & 0xFFFFFFFF00000000ull) != tag)
            continue;
        const Key& k = keys_[(slot & 0xFFFFFFFFu) - 1];
        if (k.Hash == hash && k.Section == section && !k.Removed && EqualsNoCase(NameOf(k), name))
            return (slot & 0xFFFFFFFFu) - 1;
    }
}

void IniFile::IndexKey(uint32_t key)
{
    const uint64_t hash = keys_[key].Hash;
    const size_t mask = slots_.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    while (slots_[i] != 0)
        i = (i + 1) & mask;
    slots_[i] = (hash & 0xFFFFFFFF00000000ull) | (uint64_t{key} + 1);
}

void IniFile::AddKey(size_t section, LineIt line, std::string_view name)
{
    // The table stays at most half full; growing rebuilds it from keys_.
    if (2 * (keys_.size() + 1) > slots_.size()) {
        size_t size = slots_.empty() ? 64 : slots_.size();
        while (2 * (keys_.size() + 1) > size)
            size *= 2;
        slots_.assign(size, 0);
        for (uint32_t k = 0; k < keys_.size(); ++k)
            IndexKey(k);
    }
    Key& k = keys_.emplace_back();
    k.First = line;
    k.Hash = KeyHash(section, name);
    k.Section = static_cast<uint32_t>(section);
    k.NameStart = static_cast<uint32_t>(name.data() - line->Text.data());
    k.NameLength = static_cast<uint32_t>(name.size());
    const auto index = static_cast<uint32_t>(keys_.size() - 1);
    IndexKey(index);
    sections_[section].Keys.push_back(index);
}

void IniFile::Parse(std::string_view text)
{
    lines_.clear();
    sectionIndex_.clear();
    sections_.clear();
    keys_.clear();
    slots_.clear();
    eol_ = LineEnd::None;
    text_ = LooksLikeText(text);
    // Room for a key on every line: the table is never rebuilt while parsing.
    const size_t lineCount = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    keys_.reserve(lineCount);
    size_t slotCount = 64;
    while (slotCount < 2 * lineCount + 2)
        slotCount *= 2;
    slots_.assign(slotCount, 0);

    size_t current = None;
    size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        Line line;
        const size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos) {
            line.Text = text.substr(pos);
            pos = text.size();
        } else {
            line.Text = text.substr(pos, eol - pos);
            const bool crlf = text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n';
            line.End = crlf ? LineEnd::CrLf : text[eol] == '\r' ? LineEnd::Cr : LineEnd::Lf;
            pos = eol + (crlf ? 2 : 1);
            if (eol_ == LineEnd::None)
                eol_ = line.End;
        }
        const LineIt it = lines_.insert(lines_.end(), std::move(line));
        std::string_view view = it->Text;
        if (first && view.substr(0, 3) == "\xEF\xBB\xBF")
            view.remove_prefix(3);   // the byte-order mark of a UTF-8 file
        first = false;
        view = Trim(view);
        if (view.empty() || view.front() == ';' || view.front() == '#')
            continue;
        if (view.front() == '[') {
            it->Header = true;
            const size_t close = view.find(']');
            const std::string_view name =
                Trim(view.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            current = FindSection(name);
            if (current == None) {
                current = sections_.size();
                sections_.emplace_back().Name = std::string(name);
                sectionIndex_.emplace(sections_.back().Name, current);
            }
            sections_[current].Headers.push_back(it);
            sections_[current].Last = it;
            continue;
        }
        const size_t eq = view.find('=');
        if (eq == std::string_view::npos || current == None)
            continue;
        const std::string_view key = Trim(view.substr(0, eq));
        if (key.empty())
            continue;
        const size_t found = FindKeyIndex(current, key);
        if (found == None)
            AddKey(current, it, key);
        else
            keys_[found].Repeats.push_back(it);
        sections_[current].Last = it;
    }
}

std::string IniFile::Serialize() const
{
    static constexpr std::string_view Ends[] = {"", "\n", "\r\n", "\r"};
    std::string out;
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        out += it->Text;
        // A last line without its line end gets one when lines follow it.
        const LineEnd end = it->End == LineEnd::None && std::next(it) != lines_.end() ? NewLineEnd() : it->End;
        out += Ends[static_cast<int>(end)];
    }
    return out;
}

bool IniFile::Save(std::string* error) const
{
    std::string reason;
    if (!text_)
        reason = "not a text INI file";
    else if (WriteFileAtomically(path_, Serialize(), reason))
        return true;
    if (error)
        *error = reason;
    return false;
}

size_t IniFile::FindSection(std::string_view section) const
{
    auto it = sectionIndex_.find(section);
    return it == sectionIndex_.end() ? None : it->second;
}

size_t IniFile::AddSection(std::string_view section)
{
    if (!lines_.empty()) {
        Line& last = lines_.back();
        if (last.End == LineEnd::None)
            last.End = NewLineEnd();
        // A blank line between sections, as the file would be laid out by hand.
        if (!Trim(last.Text).empty())
            lines_.push_back({"", NewLineEnd(), false});
    }
    const LineIt header = lines_.insert(lines_.end(), {"[" + std::string(section) + "]", NewLineEnd(), true});
    const size_t index = sections_.size();
    Section& s = sections_.emplace_back();
    s.Name = std::string(section);
    s.Headers.push_back(header);
    s.Last = header;
    sectionIndex_.emplace(s.Name, index);
    return index;
}

const IniFile::Key* IniFile::FindKey(std::string_view section, std::string_view key) const
{
    const size_t s = FindSection(section);
    if (s == None)
        return nullptr;
    const size_t k = FindKeyIndex(s, key);
    return k == None ? nullptr : &keys_[k];
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const Key* k = FindKey(section, key);
    return std::string(k ? ValueOf(*k) : def);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const
{
    const Key* k = FindKey(section, key);
    if (!k)
        return def;
    auto v = ParseInt32(ValueOf(*k));
    return v ? *v : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindKey(section, key) != nullptr;
}

bool IniFile::SectionExists(std::string_view section) const
{
    return FindSection(section) != None;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> names;
    const size_t s = FindSection(section);
    if (s != None)
        for (uint32_t k : sections_[s].Keys)
            if (!keys_[k].Removed)
                names.emplace_back(NameOf(keys_[k]));
    return names;
}

std::vector<std::string> IniFile::Sections() const
{
    std::vector<std::string> names;
    for (const Section& s : sections_)
        if (!s.Removed)
            names.push_back(s.Name);
    return names;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string v = OneLine(value);
    size_t s = FindSection(section);
    if (s == None)
        s = AddSection(section);
    const size_t found = FindKeyIndex(s, key);
    if (found != None) {
        const Key& k = keys_[found];
        if (ValueOf(k) == Trim(v))
            return;   // its line stays as it was written
        std::string& text = k.First->Text;
        text = text.substr(0, ValueStart(text)) + v;
        return;
    }
    Section& sec = sections_[s];
    if (sec.Last->End == LineEnd::None)
        sec.Last->End = NewLineEnd();
    const LineIt line = lines_.insert(std::next(sec.Last), {std::string(key) + "=" + v, NewLineEnd(), false});
    sec.Last = line;
    AddKey(s, line, std::string_view(line->Text).substr(0, key.size()));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(std::string_view section, std::string_view key)
{
    const size_t s = FindSection(section);
    if (s == None)
        return;
    const size_t found = FindKeyIndex(s, key);
    if (found == None)
        return;
    Section& sec = sections_[s];
    Key& k = keys_[found];
    std::vector<LineIt> lines = std::move(k.Repeats);
    lines.insert(lines.begin(), k.First);
    k.Repeats.clear();
    k.Removed = true;
    // Last first, so that the insertion point can step back over repeats.
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (sec.Last == *it)
            sec.Last = std::prev(*it);
        lines_.erase(*it);
    }
}

void IniFile::EraseSection(std::string_view section)
{
    const size_t s = FindSection(section);
    if (s == None)
        return;
    Section& sec = sections_[s];
    for (uint32_t k : sec.Keys) {
        keys_[k].Removed = true;
        keys_[k].Repeats.clear();
    }
    for (LineIt header : sec.Headers) {
        LineIt end = std::next(header);
        while (end != lines_.end() && !end->Header)
            ++end;
        lines_.erase(header, end);
    }
    sectionIndex_.erase(section);
    sec.Headers.clear();
    sec.Keys.clear();
    sec.Removed = true;
}

} // namespace vorbrant
