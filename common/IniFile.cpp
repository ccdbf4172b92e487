#include "common/IniFile.h"

#include "common/AtomicFile.h"
#include "common/Text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorbrant {

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    Load();
}

bool IniFile::Load(std::string* error)
{
    // Keep what we had when the file cannot be read: a later save must not
    // drop sections we could not read this time.
    auto fail = [&](int code) {
        if (error)
            *error = std::strerror(code);
        return false;
    };
    int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) {
            sections_.clear();
            return true;
        }
        return fail(errno);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close(fd);
        return fail(code);
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int code = errno;
            close(fd);
            return fail(code);
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    Parse(text);
    return true;
}

void IniFile::Parse(std::string_view text)
{
    sections_.clear();
    Section* current = nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find_first_of("\r\n", pos);
        std::string_view line = text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
        if (eol == std::string_view::npos)
            pos = text.size();
        else {
            pos = eol + 1;
            if (text[eol] == '\r' && pos < text.size() && text[pos] == '\n')
                ++pos;
        }
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            current = &FindOrAdd(name);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || current == nullptr)
            continue;
        std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        if (key.empty())
            continue;
        // A repeated key keeps its first value, as the profile API reads it.
        bool seen = false;
        for (const auto& e : current->Entries)
            if (EqualsNoCase(e.Key, key))
                seen = true;
        if (!seen)
            current->Entries.push_back({std::string(key), std::string(value)});
    }
}

std::string IniFile::Serialize() const
{
    std::string out;
    for (const auto& s : sections_) {
        if (!out.empty())
            out += "\n";
        out += "[" + s.Name + "]\n";
        for (const auto& e : s.Entries)
            out += e.Key + "=" + e.Value + "\n";
    }
    return out;
}

bool IniFile::Save(std::string* error) const
{
    std::string reason;
    if (!WriteFileAtomically(path_, Serialize(), reason)) {
        if (error)
            *error = reason;
        return false;
    }
    return true;
}

const IniFile::Section* IniFile::Find(std::string_view section) const
{
    for (const auto& s : sections_)
        if (EqualsNoCase(s.Name, section))
            return &s;
    return nullptr;
}

IniFile::Section& IniFile::FindOrAdd(std::string_view section)
{
    for (auto& s : sections_)
        if (EqualsNoCase(s.Name, section))
            return s;
    sections_.push_back({std::string(section), {}});
    return sections_.back();
}

const IniFile::Entry* IniFile::Find(std::string_view section, std::string_view key) const
{
    const Section* s = Find(section);
    if (!s)
        return nullptr;
    for (const auto& e : s->Entries)
        if (EqualsNoCase(e.Key, key))
            return &e;
    return nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const Entry* e = Find(section, key);
    return e ? e->Value : std::string(def);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const
{
    const Entry* e = Find(section, key);
    if (!e)
        return def;
    auto v = ParseInt32(e->Value);
    return v ? *v : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return Find(section, key) != nullptr;
}

bool IniFile::SectionExists(std::string_view section) const
{
    return Find(section) != nullptr;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const Section* s = Find(section))
        for (const auto& e : s->Entries)
            keys.push_back(e.Key);
    return keys;
}

std::vector<std::string> IniFile::Sections() const
{
    std::vector<std::string> names;
    for (const auto& s : sections_)
        names.push_back(s.Name);
    return names;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    Section& s = FindOrAdd(section);
    // Line breaks would split the value into lines of their own on reading.
    std::string v(value);
    for (auto& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    for (auto& e : s.Entries)
        if (EqualsNoCase(e.Key, key)) {
            e.Value = std::move(v);
            return;
        }
    s.Entries.push_back({std::string(key), std::move(v)});
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
    for (auto& s : sections_)
        if (EqualsNoCase(s.Name, section))
            std::erase_if(s.Entries, [&](const Entry& e) { return EqualsNoCase(e.Key, key); });
}

void IniFile::EraseSection(std::string_view section)
{
    std::erase_if(sections_, [&](const Section& s) { return EqualsNoCase(s.Name, section); });
}

} // namespace vorbrant
