#include "image/RecentFiles.h"

#include "image/FileFormats.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vorbrant {

std::string RecentFiles::NormalPath(const std::string& path)
{
    if (path.empty())
        return path;
    namespace fs = std::filesystem;
    const fs::path given(path);
    fs::path normal = given.lexically_normal();
    // "a/link/../b" is not "a/b" when link is a symbolic link to another
    // folder: then the file system says where ".." leads.
    std::error_code ec;
    if (normal != given && fs::exists(given, ec) && !fs::equivalent(given, normal, ec)) {
        fs::path real = fs::weakly_canonical(given, ec);
        if (!ec)
            normal = real;
    }
    std::string text = normal.string();
    // "dir/" stays a folder name; a file's path never ends in one.
    if (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

void RecentFiles::AddRecentFile(const std::string& given)
{
    const std::string path = NormalPath(given);
    if (path.empty())
        return;
    if (std::find(entries_.begin(), entries_.end(), path) != entries_.end())
        return;
    if (entries_.size() >= MaxEntries)
        entries_.erase(entries_.begin());
    entries_.push_back(path);
}

std::string RecentFiles::MenuCaption(size_t index) const
{
    if (index >= entries_.size())
        return {};
    return "&" + std::to_string(index + 1) + " " + FileNamePart(entries_[index]);
}

} // namespace vorbrant
