#pragma once
// Where the configuration file lives: the executable's path with ".INI" in
// place of its extension (a build tree, a program unpacked in a folder of
// its own), unless the program is installed (it sits in a folder named bin,
// below /usr, /usr/local, ~/.local...) or that folder cannot be written;
// then $XDG_CONFIG_HOME/vorbrant/vorbrant.INI (default ~/.config/vorbrant/...),
// for every user, root included.
#include <string>

namespace vorbrant {

// "/opt/v/vorbrant" -> "/opt/v/vorbrant.INI"; "/x.d/prog.exe" -> "/x.d/prog.INI";
// "/opt/v/vorbrant-cli" -> "/opt/v/vorbrant.INI".
std::string IniPathBesideExecutable(const std::string& exePath);

// The user's configuration folder file, from the two environment values
// (either may be null or empty).
std::string UserConfigIniPath(const char* xdgConfigHome, const char* home);

// The program sits in PREFIX/bin (or sbin).
bool InstalledProgram(const std::string& exePath);

// The whole rule; override (from --ini=PATH) wins when not empty.
std::string ChooseConfigPath(const std::string& override, const std::string& exePath,
                             const char* xdgConfigHome, const char* home);

// The running program's own path (/proc/self/exe), or fallback.
std::string ExecutablePath(const std::string& fallback);

} // namespace vorbrant
