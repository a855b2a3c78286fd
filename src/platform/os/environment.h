// Where the system says a program and its player's files are: the
// variables, the home folder, the program's own folder, and the rules for
// the player's folders (XDG on Linux, the known folders on Windows).
#pragma once
#include <string>

namespace os {

// What the process was started with that decides where files are.
struct FileEnvironment {
  std::string home;           // $HOME, else the account's
  std::string xdgDataHome;    // $XDG_DATA_HOME as set (used when absolute)
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME as set (likewise)
  std::string workingFolder;
  std::string executableFolder;     // empty when it cannot be told
  std::string installedDataFolder;  // where `cmake --install` puts them
  std::string relocatedDataFolder;  // the same, relative to the executable
  // Windows only: %APPDATA% (else the roaming application data folder) and
  // the player's Pictures folder.
  std::string appData;
  std::string picturesFolder;
};

// The environment of this process. `argv0` helps only where the system
// cannot tell the program's own file.
FileEnvironment CurrentFileEnvironment(const char* argv0);

// The player's folders: $XDG_DATA_HOME/tumblesquash (by default
// ~/.local/share/tumblesquash) for the scores and screenshots, and
// $XDG_CONFIG_HOME/tumblesquash (by default ~/.config/tumblesquash) for the
// settings; on Windows %APPDATA%\TumbleSquash for both, and the screenshots
// in Pictures\TumbleSquash. Empty when there is no home to put them in.
std::string UserDataFolder(const FileEnvironment& env);
std::string UserConfigFolder(const FileEnvironment& env);
// Where F12 puts its pictures.
std::string ScreenshotFolder(const FileEnvironment& env);

// The environment variable's value; empty when it is not set.
std::string Variable(const char* name);

}  // namespace os
