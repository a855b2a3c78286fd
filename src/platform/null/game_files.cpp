#include "platform/null/game_files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/data_folder.h"
#include "base/scores.h"
#include "tumblesquash_config.h"
#include "video/sheet_layout.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Anything at all, even a link to nowhere.
bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Two spellings of one folder ("run", "./run/", "/home/x/run") count once.
std::string Identity(const std::string& folder) {
  std::error_code ignored;
  const fs::path canonical = fs::weakly_canonical(folder, ignored);
  return canonical.empty() ? fs::path(folder).lexically_normal().string()
                           : canonical.string();
}

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are to be ignored), else the fallback under the home folder.
std::string XdgFolder(const std::string& variable, const std::string& home,
                      const char* fallback) {
  if (!variable.empty() && variable[0] == '/') return variable;
  if (home.empty()) return "";
  return base::JoinPath(home, fallback);
}

}  // namespace

FileEnvironment CurrentFileEnvironment(const char* argv0) {
  FileEnvironment env;
  env.home = Env("HOME");
  if (env.home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
      env.home = pw->pw_dir;
    }
  }
  env.xdgDataHome = Env("XDG_DATA_HOME");
  env.xdgConfigHome = Env("XDG_CONFIG_HOME");
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

std::vector<std::string> PictureFolders(const FileEnvironment& env,
                                        const std::string& dataOption) {
  std::vector<std::string> folders, seen;
  for (const std::string* f :
       {&dataOption, &env.relocatedDataFolder, &env.installedDataFolder,
        &env.executableFolder, &env.workingFolder}) {
    if (f->empty()) continue;
    const std::string id = Identity(*f);
    bool repeat = false;
    for (const std::string& s : seen) repeat = repeat || s == id;
    if (repeat) continue;
    seen.push_back(id);
    folders.push_back(*f);
  }
  return folders;
}

bool HoldsPictures(const std::string& folder, std::string& missing) {
  for (const char* name : layout::kSskPictures) {
    if (!IsRegularFile(base::JoinPath(folder, name))) {
      missing = name;
      return false;
    }
  }
  if (!IsRegularFile(base::JoinPath(folder, layout::kSplashPicture))) {
    missing = layout::kSplashPicture;
    return false;
  }
  return true;
}

std::string UserDataFolder(const FileEnvironment& env) {
  const std::string xdg = XdgFolder(env.xdgDataHome, env.home, ".local/share");
  return xdg.empty() ? "" : base::JoinPath(xdg, "tumblesquash");
}

std::string UserConfigFolder(const FileEnvironment& env) {
  const std::string xdg = XdgFolder(env.xdgConfigHome, env.home, ".config");
  return xdg.empty() ? "" : base::JoinPath(xdg, "tumblesquash");
}

ScorePlace ChooseScoreFile(const FileEnvironment& env,
                           const std::string& pictureFolder,
                           const std::string& scoreOption) {
  ScorePlace place;
  if (!scoreOption.empty()) {
    place.kind = ScorePlace::Kind::Option;
    place.path = scoreOption;
    return place;
  }
  if (!pictureFolder.empty()) {
    const std::string beside =
        base::JoinPath(pictureFolder, base::kScoreFileName);
    if (IsRegularFile(beside)) {
      place.kind = ScorePlace::Kind::Portable;
      place.path = beside;
      return place;
    }
  }
  const std::string user = UserDataFolder(env);
  if (user.empty()) {
    place.kind = ScorePlace::Kind::WorkingFolder;
    place.path = base::kScoreFileName;
    return place;
  }
  place.kind = ScorePlace::Kind::User;
  place.path = base::JoinPath(user, base::kScoreFileName);
  const std::string old =
      base::JoinPath(env.workingFolder, base::kScoreFileName);
  if (!Exists(place.path) && IsRegularFile(old) &&
      Identity(old) != Identity(place.path)) {
    place.copyFrom = old;
  }
  return place;
}

GameFiles DecideGameFiles(const FileEnvironment& env,
                          const std::string& dataOption,
                          const std::string& scoreOption) {
  GameFiles files;
  files.searched = PictureFolders(env, dataOption);
  for (const std::string& folder : files.searched) {
    std::string missing;
    if (HoldsPictures(folder, missing)) {
      files.pictures = folder;
      break;
    }
    if (folder == dataOption) files.dataOptionLacks = missing;
  }
  files.scores = ChooseScoreFile(env, files.pictures, scoreOption);
  return files;
}

bool MakeFolders(const std::string& path, std::string& error) {
  std::string sofar;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    sofar = path.substr(0, slash);
    at = slash + 1;
    if (sofar.empty()) continue;  // the root
    if (::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST) {
      error = sofar + ": " + std::strerror(errno);
      return false;
    }
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = path + ": not a folder";
    return false;
  }
  return true;
}

void PrepareScoreFile(Platform& files, const ScorePlace& place) {
  if (place.kind != ScorePlace::Kind::User) return;
  std::string error;
  if (!MakeFolders(base::FolderOf(place.path), error)) {
    std::fprintf(stderr,
                 "TumbleSquash: cannot make the folder for \"%s\": %s\n",
                 place.path.c_str(), error.c_str());
    return;
  }
  if (place.copyFrom.empty()) return;
  // A score file is 46 to 92 bytes; anything much larger is not one.
  constexpr std::size_t kLimit = 4096;
  std::vector<std::uint8_t> bytes;
  if (files.ReadFile(place.copyFrom.c_str(), kLimit + 1, bytes) !=
          ReadResult::Read ||
      bytes.size() > kLimit) {
    std::fprintf(stderr,
                 "TumbleSquash: left \"%s\" alone: it cannot be read as a "
                 "score file\n",
                 place.copyFrom.c_str());
    return;
  }
  // Checked again right before the copy: a file already there wins.
  if (Exists(place.path)) return;
  if (!files.ReplaceFile(place.path.c_str(), bytes, error)) {
    std::fprintf(stderr, "TumbleSquash: cannot copy \"%s\" to \"%s\": %s\n",
                 place.copyFrom.c_str(), place.path.c_str(), error.c_str());
    return;
  }
  std::fprintf(stderr,
               "TumbleSquash: the scores of \"%s\" are now kept in \"%s\" "
               "(the old file stays where it was)\n",
               place.copyFrom.c_str(), place.path.c_str());
}

}  // namespace platform
