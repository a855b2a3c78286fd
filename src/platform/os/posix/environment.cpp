// Where things are on Linux and other POSIX systems: the XDG rules.
#include "platform/os/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/data_folder.h"
#include "tumblesquash_config.h"

namespace os {

namespace fs = std::filesystem;

namespace {

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are to be ignored), else the fallback under the home folder.
std::string XdgFolder(const std::string& variable, const std::string& home,
                      const char* fallback) {
  if (!variable.empty() && variable[0] == '/') return variable;
  if (home.empty()) return "";
  return base::JoinPath(home, fallback);
}

}  // namespace

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

FileEnvironment CurrentFileEnvironment(const char* argv0) {
  FileEnvironment env;
  env.home = Variable("HOME");
  if (env.home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
      env.home = pw->pw_dir;
    }
  }
  env.xdgDataHome = Variable("XDG_DATA_HOME");
  env.xdgConfigHome = Variable("XDG_CONFIG_HOME");
  std::error_code error;
  env.workingFolder = fs::current_path(error).string();
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error && argv0 && std::strchr(argv0, '/')) {
    exe = fs::weakly_canonical(argv0, error);
  }
  if (!error && !exe.empty()) {
    env.executableFolder = exe.parent_path().string();
    env.relocatedDataFolder =
        (exe.parent_path() / TS_DATA_FROM_BIN).lexically_normal().string();
  }
  env.installedDataFolder = TS_INSTALLED_DATA_DIR;
  return env;
}

std::string UserDataFolder(const FileEnvironment& env) {
  const std::string xdg = XdgFolder(env.xdgDataHome, env.home, ".local/share");
  return xdg.empty() ? "" : base::JoinPath(xdg, "tumblesquash");
}

std::string UserConfigFolder(const FileEnvironment& env) {
  const std::string xdg = XdgFolder(env.xdgConfigHome, env.home, ".config");
  return xdg.empty() ? "" : base::JoinPath(xdg, "tumblesquash");
}

std::string ScreenshotFolder(const FileEnvironment& env) {
  const std::string data = UserDataFolder(env);
  return data.empty() ? "" : base::JoinPath(data, "screenshots");
}

}  // namespace os
