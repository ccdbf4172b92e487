#pragma once
// The list of recently loaded files behind the File menu: at most five full
// paths in the order they were first added, oldest first.
#include <cstddef>
#include <string>
#include <vector>

namespace vorbrant {

class RecentFiles {
public:
    static constexpr size_t MaxEntries = 5;

    // The path is stored normalised ("a/./b/../c" as "a/c"); empty paths and
    // paths already listed (exact case, after normalising) change nothing;
    // a sixth path drops the oldest.
    void AddRecentFile(const std::string& path);
    // "." and ".." resolved: lexically where that names the same file,
    // through the file system where a symbolic link makes ".." lead
    // elsewhere.
    static std::string NormalPath(const std::string& path);
    const std::vector<std::string>& Entries() const { return entries_; }

    // Menu caption of entry index (0-based): "&1 " + file name without folder.
    std::string MenuCaption(size_t index) const;

private:
    std::vector<std::string> entries_;
};

} // namespace vorbrant
