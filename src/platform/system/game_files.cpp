#include "platform/system/game_files.h"

#include <filesystem>

#include "base/data_folder.h"
#include "base/say.h"
#include "base/scores.h"
#include "platform/os/files.h"
#include "video/sheet_layout.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// Two spellings of one folder ("run", "./run/", "/home/x/run") count once.
std::string Identity(const std::string& folder) {
  std::error_code ignored;
  const fs::path canonical = fs::weakly_canonical(folder, ignored);
  return canonical.empty() ? fs::path(folder).lexically_normal().string()
                           : canonical.string();
}

}  // namespace

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
    if (!os::IsRegularFile(base::JoinPath(folder, name))) {
      missing = name;
      return false;
    }
  }
  if (!os::IsRegularFile(base::JoinPath(folder, layout::kSplashPicture))) {
    missing = layout::kSplashPicture;
    return false;
  }
  return true;
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
    if (os::IsRegularFile(beside)) {
      place.kind = ScorePlace::Kind::Portable;
      place.path = beside;
      return place;
    }
  }
  const std::string user = os::UserDataFolder(env);
  if (user.empty()) {
    place.kind = ScorePlace::Kind::WorkingFolder;
    place.path = base::kScoreFileName;
    return place;
  }
  place.kind = ScorePlace::Kind::User;
  place.path = base::JoinPath(user, base::kScoreFileName);
  const std::string old =
      base::JoinPath(env.workingFolder, base::kScoreFileName);
  if (!os::Exists(place.path) && os::IsRegularFile(old) &&
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

void PrepareScoreFile(const ScorePlace& place) {
  if (place.kind != ScorePlace::Kind::User) return;
  std::string error;
  if (!os::MakeFolders(base::FolderOf(place.path), error)) {
    base::Say("cannot make the folder for \"%s\": %s", place.path.c_str(),
              error.c_str());
    return;
  }
  if (place.copyFrom.empty()) return;
  // Only the file itself, never what a link there leads to (someone else's
  // file, or one the player never meant to share), and only a score file as
  // the game writes it.
  std::vector<std::uint8_t> bytes;
  os::FileFacts facts;
  const ReadResult read =
      os::ReadFile(place.copyFrom, 4 * base::kScoreRecordSize, bytes, &facts,
                   /*followLink=*/false);
  const char* why = read == ReadResult::NotRegular
                        ? "it is a link or not a regular file"
                    : read != ReadResult::Read ? "it cannot be read"
                    : !base::IsScoreFile(bytes.data(), bytes.size())
                        ? "it is not a score file"
                        : nullptr;
  if (why) {
    base::Say("left \"%s\" alone: %s", place.copyFrom.c_str(), why);
    return;
  }
  // A file that came to be in its place meanwhile wins; a private one stays
  // private.
  switch (os::WriteNewFile(place.path, bytes, error,
                           facts.privateFile ? os::NewFileAccess::Private
                                             : os::NewFileAccess::Shared)) {
    case os::NewFileResult::Written:
      base::Say(
          "the scores of \"%s\" are now kept in \"%s\" (the old file stays "
          "where it was)",
          place.copyFrom.c_str(), place.path.c_str());
      break;
    case os::NewFileResult::Taken:
      break;
    case os::NewFileResult::Failed:
      base::Say("cannot copy \"%s\" to \"%s\": %s", place.copyFrom.c_str(),
                place.path.c_str(), error.c_str());
      break;
  }
}

void RemoveLeftovers(const std::string& file) {
  os::RemoveStaleTemporaries(base::FolderOf(file), base::NameOf(file));
}

}  // namespace platform
