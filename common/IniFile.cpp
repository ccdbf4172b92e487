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

// The records of a copy are its own: copying goes through the text.
IniFile::IniFile(const IniFile& other) : path_(other.path_)
{
    ParseOwned(other.Serialize());
}

IniFile& IniFile::operator=(const IniFile& other)
{
    if (this != &other) {
        path_ = other.path_;
        ParseOwned(other.Serialize());
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
        ParseOwned({});
        return true;
    case ReadResult::Failed:
        if (error)
            *error = reason;
        return false;
    case ReadResult::Read:
        break;
    }
    ParseOwned(std::move(text));
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

uint64_t Mix(uint64_t h)
{
    // FNV leaves its low bits poorly mixed, and the tables index by them.
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

uint64_t KeyHash(uint32_t section, std::string_view name)
{
    return Mix(HashNoCase(name) ^ (section * 0x9E3779B97F4A7C15ull));
}

uint64_t SectionHash(std::string_view name) { return Mix(HashNoCase(name)); }

constexpr std::string_view Bom = "\xEF\xBB\xBF";

// Where a line ends: the first CR or LF from pos, or the end of the text.
size_t FindLineEnd(std::string_view text, size_t pos)
{
    const char* p = text.data() + pos;
    const char* end = text.data() + text.size();
    while (p != end && *p != '\n' && *p != '\r')
        ++p;
    return static_cast<size_t>(p - text.data());
}

size_t EndLength(std::string_view text, size_t eol)
{
    if (eol >= text.size())
        return 0;
    return text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n' ? 2 : 1;
}

// A line as the parser sees it: without the byte-order mark of a UTF-8 file
// and the blanks around it.
std::string_view Meaning(std::string_view line, bool fileStart)
{
    if (fileStart && line.substr(0, Bom.size()) == Bom)
        line.remove_prefix(Bom.size());
    return Trim(line);
}

std::string_view NameInHeader(std::string_view view)
{
    const size_t close = view.find(']');
    return Trim(view.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

// The key of a line that names one, or empty.
std::string_view KeyOfLine(std::string_view view)
{
    if (view.empty() || view.front() == ';' || view.front() == '#' || view.front() == '[')
        return {};
    const size_t eq = view.find('=');
    return eq == std::string_view::npos ? std::string_view{} : Trim(view.substr(0, eq));
}

// True when the last line of text (which ends with a line end) holds nothing
// but blanks.
bool LastLineBlank(std::string_view text)
{
    size_t end = text.size() - (text.ends_with("\r\n") ? 2 : 1);
    size_t start = end;
    while (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r')
        --start;
    return Trim(text.substr(start, end - start)).empty();
}

} // namespace

// --- the text of a line ---------------------------------------------------------

std::string_view IniFile::OriginalLine(uint32_t line) const
{
    const size_t start = lines_[line].Start;
    return std::string_view(text_).substr(start, FindLineEnd(text_, start) - start);
}

std::string_view IniFile::LineEndOf(uint32_t line) const
{
    const size_t eol = FindLineEnd(text_, lines_[line].Start);
    return std::string_view(text_).substr(eol, EndLength(text_, eol));
}

std::string_view IniFile::LineText(uint32_t line) const
{
    return Is(line, OwnText) ? std::string_view(own_.at(line)) : OriginalLine(line);
}

std::string_view IniFile::TailOf(uint32_t line) const
{
    if (Is(line, OwnTail))
        return tails_.at(line);
    const size_t start = lines_[line].Start;
    const size_t eol = FindLineEnd(text_, start);
    const size_t from = eol + EndLength(text_, eol);
    const size_t to = line + 1 < parsed_ ? lines_[line + 1].Start : text_.size();
    return std::string_view(text_).substr(from, to - from);
}

std::string_view IniFile::HeaderName(uint32_t line) const
{
    // An added header keeps the name it was given, whatever it holds.
    if (Is(line, Added))
        return own_.at(line);
    return NameInHeader(Meaning(LineText(line), lines_[line].Start == 0));
}

std::string_view IniFile::KeyName(uint32_t line) const
{
    if (Is(line, Added))
        return LineText(line).substr(0, lines_[line].Next);
    return KeyOfLine(Meaning(LineText(line), lines_[line].Start == 0));
}

std::string_view IniFile::ValueOf(uint32_t line) const
{
    const std::string_view text = LineText(line);
    const size_t eq = Is(line, Added) ? lines_[line].Next : text.find('=');
    return Trim(text.substr(eq + 1));
}

// --- file order ---------------------------------------------------------------

uint32_t IniFile::FirstAfter(uint32_t host, size_t from) const
{
    // The lines added behind host come first, then the line read after it.
    if (host == None || Is(host, HasAfter)) {
        auto it = after_.find(host);
        if (it != after_.end() && from < it->second.size())
            return it->second[from];
    }
    if (host == None)
        return None;
    if (host + 1 < parsed_)
        return host + 1;
    return FirstAfter(None, 0);
}

uint32_t IniFile::NextLine(uint32_t line) const
{
    if (!Is(line, Added))
        return FirstAfter(line, 0);
    const uint32_t host = lines_[line].Start;
    const std::vector<uint32_t>& list = after_.at(host);
    const size_t at = static_cast<size_t>(std::find(list.begin(), list.end(), line) - list.begin());
    return FirstAfter(host, at + 1);
}

void IniFile::VisitSectionLines(uint32_t section, const std::function<void(uint32_t)>& visit) const
{
    for (uint32_t header = sections_[section].FirstHeader; header != None; header = lines_[header].Next) {
        visit(header);
        for (uint32_t line = NextLine(header); line != None && !Is(line, Header); line = NextLine(line))
            visit(line);
    }
}

void IniFile::InsertAfter(uint32_t where, uint32_t line)
{
    // Behind a line read from the file: first among the lines added there.
    // Behind an added line: right after it, among its host's.
    const uint32_t host = where == None || !Is(where, Added) ? where : lines_[where].Start;
    std::vector<uint32_t>& list = after_[host];
    auto at = list.begin();
    if (where == None)
        at = list.end();   // a new section: at the end of the file
    else if (where != host)
        at = std::find(list.begin(), list.end(), where) + 1;
    list.insert(at, line);
    lines_[line].Start = host;
    if (host != None)
        lines_[host].Flags |= HasAfter;
}

uint32_t IniFile::NewLine(uint32_t section, uint8_t flags, std::string text)
{
    const auto index = static_cast<uint32_t>(lines_.size());
    Line& line = lines_.emplace_back();
    line.Section = section;
    line.Flags = static_cast<uint8_t>(flags | OwnText | Added);
    own_[index] = std::move(text);
    return index;
}

// --- the tables -------------------------------------------------------------------

namespace {

using Slots = std::vector<uint64_t>;

constexpr uint64_t HighHalf = 0xFFFFFFFF00000000ull;

size_t Home(uint64_t slotOrHash, size_t mask) { return static_cast<size_t>(slotOrHash >> 32) & mask; }

void Place(Slots& slots, uint64_t slot)
{
    const size_t mask = slots.size() - 1;
    size_t i = Home(slot, mask);
    while (slots[i] != 0)
        i = (i + 1) & mask;
    slots[i] = slot;
}

// Room for one more entry: at least 64 slots, at most three quarters full.
// The slots carry what places them, so growing reads no line.
void MakeRoom(Slots& slots, size_t count)
{
    if (4 * (count + 1) <= 3 * slots.size())
        return;
    size_t size = slots.empty() ? 64 : slots.size();
    while (4 * (count + 1) > 3 * size)
        size *= 2;
    Slots grown(size, 0);
    for (uint64_t slot : slots)
        if (slot != 0)
            Place(grown, slot);
    slots.swap(grown);
}

} // namespace

void IniFile::IndexKey(uint32_t line, uint64_t hash)
{
    MakeRoom(keySlots_, keyCount_);
    Place(keySlots_, (hash & HighHalf) | (uint64_t{line} + 1));
    ++keyCount_;
}

void IniFile::IndexSection(uint32_t section, uint64_t hash)
{
    MakeRoom(sectionSlots_, section);
    Place(sectionSlots_, (hash & HighHalf) | (uint64_t{section} + 1));
}

uint32_t IniFile::FindKey(uint32_t section, std::string_view key) const
{
    return FindKey(section, key, KeyHash(section, key));
}

uint32_t IniFile::FindKey(uint32_t section, std::string_view key, uint64_t hash) const
{
    if (keySlots_.empty())
        return None;
    const uint64_t tag = hash & HighHalf;
    const size_t mask = keySlots_.size() - 1;
    for (size_t i = Home(tag, mask);; i = (i + 1) & mask) {
        const uint64_t slot = keySlots_[i];
        if (slot == 0)
            return None;
        if ((slot & HighHalf) != tag)
            continue;
        const auto line = static_cast<uint32_t>(slot - 1);
        if (lines_[line].Section == section && !Is(line, Removed) && EqualsNoCase(KeyName(line), key))
            return line;
    }
}

uint32_t IniFile::FindKey(std::string_view section, std::string_view key) const
{
    const uint32_t s = FindSection(section);
    return s == None ? None : FindKey(s, key);
}

uint32_t IniFile::FindSection(std::string_view section) const
{
    return FindSection(section, SectionHash(section));
}

uint32_t IniFile::FindSection(std::string_view section, uint64_t hash) const
{
    if (sectionSlots_.empty())
        return None;
    const uint64_t tag = hash & HighHalf;
    const size_t mask = sectionSlots_.size() - 1;
    for (size_t i = Home(tag, mask);; i = (i + 1) & mask) {
        const uint64_t slot = sectionSlots_[i];
        if (slot == 0)
            return None;
        if ((slot & HighHalf) != tag)
            continue;
        const auto s = static_cast<uint32_t>(slot - 1);
        if (!sections_[s].Removed && EqualsNoCase(SectionName(s), section))
            return s;
    }
}

// --- reading --------------------------------------------------------------------

void IniFile::Clear()
{
    text_.clear();
    lines_.clear();
    parsed_ = 0;
    sections_.clear();
    keySlots_.clear();
    sectionSlots_.clear();
    keyCount_ = 0;
    own_.clear();
    after_.clear();
    tails_.clear();
    splits_.clear();
    eol_.clear();
    text_ok_ = true;
}

void IniFile::Parse(std::string_view text)
{
    ParseOwned(std::string(text));
}

void IniFile::ParseOwned(std::string text)
{
    Clear();
    text_ = std::move(text);
    ParseText();
}

void IniFile::ParseText()
{
    text_ok_ = LooksLikeText(text_);
    if (text_.size() >= None)
        text_.resize(None - 1);   // far beyond any file Load accepts
    const std::string_view text = text_;
    uint32_t current = None;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t eol = FindLineEnd(text, pos);
        const size_t next = eol + EndLength(text, eol);
        if (eol_.empty() && eol < text.size())
            eol_ = std::string(text.substr(eol, next - eol));
        const std::string_view view = Meaning(text.substr(pos, eol - pos), pos == 0);
        const auto start = static_cast<uint32_t>(pos);
        pos = next;
        if (!view.empty() && view.front() == '[') {
            const auto index = static_cast<uint32_t>(lines_.size());
            lines_.push_back({start, 0, None, Header});
            const std::string_view name = NameInHeader(view);
            const uint64_t hash = SectionHash(name);
            current = FindSection(name, hash);
            if (current == None) {
                current = static_cast<uint32_t>(sections_.size());
                lines_.back().Section = current;
                sections_.push_back({index, index, index, 0, false});
                IndexSection(current, hash);
            } else {
                lines_.back().Section = current;
                lines_[sections_[current].LastHeader].Next = index;
                sections_[current].LastHeader = index;
                sections_[current].Last = index;
                sections_[current].RepeatEnd = 0;
            }
            continue;
        }
        const std::string_view key = KeyOfLine(view);
        if (key.empty() || current == None)
            continue;   // a comment, a blank line, text: part of the tail
        const uint64_t hash = KeyHash(current, key);
        const uint32_t found = FindKey(current, key, hash);
        if (found != None) {
            // Repeats are read as the first one is: they stay in the tail.
            lines_[found].Flags |= Repeated;
            sections_[current].RepeatEnd = static_cast<uint32_t>(next);
            continue;
        }
        const auto index = static_cast<uint32_t>(lines_.size());
        lines_.push_back({start, current, None, 0});
        IndexKey(index, hash);
        sections_[current].Last = index;
        sections_[current].RepeatEnd = 0;
    }
    parsed_ = static_cast<uint32_t>(lines_.size());
}

// --- writing ----------------------------------------------------------------------

std::string IniFile::Serialize() const
{
    std::string out;
    out.reserve(text_.size() + 64);
    const std::string_view newLine = NewLineEnd();
    // A last line without its line end gets one when lines follow it.
    auto put = [&](std::string_view piece) {
        if (piece.empty())
            return;
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out += newLine;
        out += piece;
    };
    auto putAdded = [&](uint32_t line) {
        if (Is(line, Removed))
            return;
        if (Is(line, Header)) {
            // A blank line between sections, as the file would be laid out by hand.
            if (!out.empty()) {
                if (out.back() != '\n' && out.back() != '\r')
                    out += newLine;
                if (!LastLineBlank(out))
                    out += newLine;
            }
            put("[" + own_.at(line) + "]");
        } else {
            put(own_.at(line));
        }
        out += newLine;
    };
    put(std::string_view(text_).substr(0, parsed_ > 0 ? lines_[0].Start : text_.size()));
    for (uint32_t line = 0; line < parsed_; ++line) {
        if (!Is(line, Removed)) {
            put(LineText(line));
            out += LineEndOf(line);
        }
        std::string_view tail = Is(line, TailRemoved) ? std::string_view{} : TailOf(line);
        if (Is(line, HasAfter)) {
            if (auto split = splits_.find(line); split != splits_.end() && !tail.empty()) {
                put(tail.substr(0, split->second));
                tail.remove_prefix(std::min<size_t>(split->second, tail.size()));
            }
            for (uint32_t added : after_.at(line))
                putAdded(added);
        }
        put(tail);
    }
    if (auto it = after_.find(None); it != after_.end())
        for (uint32_t added : it->second)
            putAdded(added);
    return out;
}

bool IniFile::Save(std::string* error, const std::function<void(int fd)>& beforeRename) const
{
    std::string reason;
    if (!text_ok_)
        reason = "not a text INI file";
    else if (WriteFileAtomically(path_, Serialize(), reason, beforeRename))
        return true;
    if (error)
        *error = reason;
    return false;
}

uint32_t IniFile::AddSection(std::string_view section)
{
    const auto index = static_cast<uint32_t>(sections_.size());
    const uint32_t header = NewLine(index, Header, std::string(section));
    InsertAfter(None, header);
    sections_.push_back({header, header, header, 0, false});
    IndexSection(index, SectionHash(section));
    return index;
}

// --- the interface ---------------------------------------------------------------

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const uint32_t k = FindKey(section, key);
    return std::string(k != None ? ValueOf(k) : def);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const
{
    const uint32_t k = FindKey(section, key);
    if (k == None)
        return def;
    auto v = ParseInt32(ValueOf(k));
    return v ? *v : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindKey(section, key) != None;
}

bool IniFile::SectionExists(std::string_view section) const
{
    return FindSection(section) != None;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> names;
    const uint32_t s = FindSection(section);
    if (s != None)
        VisitSectionLines(s, [&](uint32_t line) {
            if (!Is(line, Header) && !Is(line, Removed))
                names.emplace_back(KeyName(line));
        });
    return names;
}

std::vector<std::string> IniFile::Sections() const
{
    std::vector<std::string> names;
    VisitSections([&](std::string_view name) { names.emplace_back(name); });
    return names;
}

void IniFile::VisitSections(const std::function<void(std::string_view)>& visit) const
{
    for (uint32_t s = 0; s < sections_.size(); ++s)
        if (!sections_[s].Removed)
            visit(SectionName(s));
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string v = OneLine(value);
    uint32_t s = FindSection(section);
    if (s == None)
        s = AddSection(section);
    const uint32_t found = FindKey(s, key);
    if (found != None) {
        if (ValueOf(found) == Trim(v))
            return;   // its line stays as it was written
        const std::string_view text = LineText(found);
        const size_t valueAt = Is(found, Added) ? lines_[found].Next + 1 : ValueStart(text);
        std::string changed = std::string(text.substr(0, valueAt)) + v;
        own_[found] = std::move(changed);
        lines_[found].Flags |= OwnText;
        return;
    }
    const uint32_t line = NewLine(s, 0, std::string(key) + "=" + v);
    lines_[line].Next = static_cast<uint32_t>(key.size());
    Section& sec = sections_[s];
    if (sec.RepeatEnd != 0 && Parsed(sec.Last) && !Is(sec.Last, OwnTail)) {
        // After the repeats that follow the section's last key.
        const std::string_view tail = TailOf(sec.Last);
        splits_[sec.Last] = static_cast<uint32_t>(sec.RepeatEnd - static_cast<size_t>(tail.data() - text_.data()));
    }
    InsertAfter(sec.Last, line);
    sec.Last = line;
    sec.RepeatEnd = 0;
    IndexKey(line, KeyHash(s, key));
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
    const uint32_t s = FindSection(section);
    if (s == None)
        return;
    const uint32_t found = FindKey(s, key);
    if (found == None)
        return;
    // The line stays where it was as a place to add keys behind; it is no
    // longer written nor found.
    lines_[found].Flags |= Removed;
    if (!Is(found, Repeated))
        return;
    // Its repeats are lines of the tails in the section's openings.
    const std::string name(KeyName(found));
    VisitSectionLines(s, [&](uint32_t line) {
        if (!Parsed(line) || Is(line, TailRemoved))
            return;
        const std::string_view tail = TailOf(line);
        std::string kept;
        bool dropped = false;
        auto split = splits_.find(line);
        size_t splitAt = split == splits_.end() ? 0 : split->second;
        for (size_t pos = 0; pos < tail.size();) {
            const size_t eol = FindLineEnd(tail, pos);
            const size_t next = eol + EndLength(tail, eol);
            if (EqualsNoCase(KeyOfLine(Trim(tail.substr(pos, eol - pos))), name)) {
                dropped = true;
                if (split != splits_.end() && next <= split->second)
                    splitAt -= next - pos;
            } else {
                kept.append(tail.substr(pos, next - pos));
            }
            pos = next;
        }
        if (split != splits_.end())
            split->second = static_cast<uint32_t>(splitAt);
        if (dropped) {
            tails_[line] = std::move(kept);
            lines_[line].Flags |= OwnTail;
        }
    });
    lines_[found].Flags &= static_cast<uint8_t>(~Repeated);
    sections_[s].RepeatEnd = 0;
}

void IniFile::EraseSection(std::string_view section)
{
    const uint32_t s = FindSection(section);
    if (s == None)
        return;
    // Each header goes with every line below it up to the next section.
    VisitSectionLines(s, [&](uint32_t line) { lines_[line].Flags |= Removed | TailRemoved; });
    sections_[s].Removed = true;
}

} // namespace vorbrant
