#include "image/RecentFiles.h"

#include "image/FileFormats.h"

#include <algorithm>

namespace vorbrant {

void RecentFiles::AddRecentFile(const std::string& path)
{
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
