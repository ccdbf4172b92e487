#include "session/ConfigPath.h"

#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace vorbrant {

std::string IniPathBesideExecutable(const std::string& exePath)
{
    size_t slash = exePath.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = exePath.rfind('.');
    std::string stem = dot == std::string::npos || dot < nameStart || dot == nameStart ? exePath : exePath.substr(0, dot);
    // The command-line twin shares the window's configuration.
    constexpr std::string_view CliSuffix = "-cli";
    if (stem.size() - nameStart > CliSuffix.size() && stem.ends_with(CliSuffix))
        stem.resize(stem.size() - CliSuffix.size());
    return stem + ".INI";
}

std::string UserConfigIniPath(const char* xdgConfigHome, const char* home)
{
    std::string base;
    if (xdgConfigHome && *xdgConfigHome == '/')
        base = xdgConfigHome;
    else if (home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".config";
    return base + "/vorbrant/vorbrant.INI";
}

bool InstalledProgram(const std::string& exePath)
{
    const std::filesystem::path folder = std::filesystem::path(exePath).parent_path();
    return folder.filename() == "bin" || folder.filename() == "sbin";
}

std::string ChooseConfigPath(const std::string& override, const std::string& exePath,
                             const char* xdgConfigHome, const char* home)
{
    if (!override.empty())
        return override;
    std::string beside = IniPathBesideExecutable(exePath);
    size_t slash = beside.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : beside.substr(0, slash));
    // An installed program (in PREFIX/bin) keeps no file beside itself, not
    // even for root: the package manager owns that folder.
    if (!InstalledProgram(exePath) && access(dir.c_str(), W_OK) == 0)
        return beside;
    return UserConfigIniPath(xdgConfigHome, home);
}

std::string ExecutablePath(const std::string& fallback)
{
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || p.empty())
        return fallback;
    return p.string();
}

} // namespace vorbrant
