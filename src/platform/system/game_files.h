// Where an installed game finds its pictures and keeps the player's scores.
//
// Decisions only look at the file system; nothing is created or copied until
// PrepareScoreFile, so --help can show the paths without touching anything.
#pragma once
#include <string>
#include <vector>

#include "base/platform.h"
#include "platform/os/environment.h"

namespace platform {

using os::FileEnvironment;

// The folders searched for the pictures, in order, each once: the folder
// given with --data, the installed data folder (seen from the executable,
// then as configured), the executable's own folder, the working folder.
std::vector<std::string> PictureFolders(const FileEnvironment& env,
                                        const std::string& dataOption);
// True when `folder` holds every picture file; else `missing` names the
// first one it lacks.
bool HoldsPictures(const std::string& folder, std::string& missing);

struct ScorePlace {
  enum class Kind { Option, Portable, User, WorkingFolder };
  Kind kind = Kind::WorkingFolder;
  std::string path;
  // An old "Score.dat" to copy to `path` before the first load (only while
  // `path` is missing); empty for none.
  std::string copyFrom;
};

// --score-file wins; then a "Score.dat" already beside the pictures (a
// portable folder such as build/run); then the player's data folder, taking
// over an old file from the working folder. Without a home at all, the
// working folder, as the game always did.
ScorePlace ChooseScoreFile(const FileEnvironment& env,
                           const std::string& pictureFolder,
                           const std::string& scoreOption);

// Everything decided for one run.
struct GameFiles {
  std::vector<std::string> searched;  // the picture folders, in order
  std::string pictures;               // the first that holds them, or empty
  // When --data named a folder without them: the file it lacks.
  std::string dataOptionLacks;
  ScorePlace scores;
};
GameFiles DecideGameFiles(const FileEnvironment& env,
                          const std::string& dataOption,
                          const std::string& scoreOption);

// Makes the score file's folder and copies an old file into place once: the
// old file is never moved, changed or deleted, and a file already in place
// is never replaced. Only a regular file (not a link) that holds a score
// record exactly as the game writes it is copied; one that not everyone may
// read gives a copy only its owner may read. Says on stderr what it
// did or could not do.
void PrepareScoreFile(const ScorePlace& place);

// Removes the temporary files that saves of `file` left when the program
// was killed in the middle of one (see os::RemoveStaleTemporaries).
void RemoveLeftovers(const std::string& file);

}  // namespace platform
