// TumbleSquash: the game in a window (or full screen), or headless with
// --headless for tests and reviews.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "base/scores.h"
#include "platform/headless/headless.h"
#include "platform/null/game_files.h"
#include "platform/null/null_platform.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_platform.h"
#include "sound/volumes.h"
#include "tumblesquash_config.h"
#include "video/sheet_layout.h"

namespace {

std::string SearchedList(const platform::GameFiles& files) {
  std::string list;
  for (const std::string& f : files.searched) {
    if (!list.empty()) list += ", ";
    list += f;
  }
  return list;
}

void PrintUsage(FILE* to) {
  std::fputs(
      "usage: tumblesquash [OPTION...]\n"
      "A mouse shooting gallery. Click the small window to start; left button\n"
      "shoots, right button hides the game (boss key), Escape quits.\n"
      "\n"
      "Options:\n"
      "  --window             play in a window instead of full screen\n"
      "  --data DIR           read the pictures from DIR\n"
      "  --score-file FILE    keep the scores in FILE\n"
      "  --volume N, --music-volume N, --effects-volume N\n"
      "                       the master, music and effects volumes, 0 to "
      "100\n"
      "  --mute               start muted (M mutes and unmutes, - and = turn\n"
      "                       the volume down and up while playing)\n"
      "  --sound-test         play every recording once and end\n"
      "  -h, --help           show this help and the paths in use\n"
      "  --version            show the version\n"
      "\n"
      "  --headless [--seed N] [--frames N] [--input FILE] [--trace FILE]\n"
      "             [--trace-actors] [--shot FRAME:FILE.png ...] [--data DIR]\n"
      "                       run without a window, for tests: pictures and\n"
      "                       Score.dat in the working folder (pictures in\n"
      "                       DIR with --data)\n"
      "\n"
      "The pictures are looked for in --data DIR, the installed data folder,\n"
      "the program's own folder and the working folder, in that order. The\n"
      "scores are kept in $XDG_DATA_HOME/tumblesquash (by default\n"
      "~/.local/share/tumblesquash), unless a Score.dat already sits beside\n"
      "the pictures.\n",
      to);
}

void PrintPaths(const platform::GameFiles& files) {
  using Kind = platform::ScorePlace::Kind;
  std::printf("\nPaths in use:\n  pictures:   %s\n  searched:   %s\n",
              files.pictures.empty() ? "(not found)" : files.pictures.c_str(),
              SearchedList(files).c_str());
  const char* why = "";
  switch (files.scores.kind) {
    case Kind::Option:
      why = " (--score-file)";
      break;
    case Kind::Portable:
      why = " (beside the pictures)";
      break;
    case Kind::User:
      why = "";
      break;
    case Kind::WorkingFolder:
      why = " (working folder: no home folder)";
      break;
  }
  std::printf("  scores:     %s%s\n", files.scores.path.c_str(), why);
  if (!files.scores.copyFrom.empty()) {
    std::printf("              (the first run copies %s there)\n",
                files.scores.copyFrom.c_str());
  }
}

// The value after an option that needs one.
bool TakeValue(int argc, char** argv, int& i, std::string& out) {
  if (i + 1 >= argc) {
    std::fprintf(stderr, "tumblesquash: %s needs a value\n", argv[i]);
    return false;
  }
  out = argv[++i];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--headless") == 0) {
    headless::Options options;
    std::string error;
    if (!headless::ParseOptions(argc - 2, argv + 2, options, error)) {
      std::fprintf(stderr, "tumblesquash: %s\n", error.c_str());
      return 2;
    }
    return headless::Run(options);
  }
  platform::SdlOptions options;
  std::string dataOption, scoreOption;
  sound::Volumes volumes;
  bool help = false, soundTest = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* volumeError = nullptr;
    const int volumeArgs =
        sound::ParseVolumeOption(argc, argv, i, volumes, volumeError);
    if (volumeArgs < 0) {
      std::fprintf(stderr, "tumblesquash: %s\n", volumeError);
      return 2;
    }
    if (volumeArgs > 0) {
      i += volumeArgs - 1;
    } else if (arg == "--window") {
      options.windowed = true;
    } else if (arg == "--sound-test") {
      soundTest = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      std::printf("tumblesquash %s\n", TS_VERSION);
      return 0;
    } else if (arg == "--data") {
      if (!TakeValue(argc, argv, i, dataOption)) return 2;
    } else if (arg == "--score-file") {
      if (!TakeValue(argc, argv, i, scoreOption)) return 2;
    } else {
      std::fprintf(stderr, "tumblesquash: unknown option \"%s\" (try --help)\n",
                   argv[i]);
      return 2;
    }
  }
  sound::SetVolumes(volumes);
  if (soundTest) return platform::RunSdlSoundTest();
  const platform::GameFiles files = platform::DecideGameFiles(
      platform::CurrentFileEnvironment(argv[0]), dataOption, scoreOption);
  if (!files.dataOptionLacks.empty()) {
    std::fprintf(stderr,
                 "tumblesquash: --data \"%s\": no \"%s\" there; looking "
                 "further\n",
                 dataOption.c_str(), files.dataOptionLacks.c_str());
  }
  if (help) {
    PrintUsage(stdout);
    PrintPaths(files);
    return 0;
  }
  if (files.pictures.empty()) {
    const std::string text =
        "The picture files (" + std::string(layout::kGameSheet) +
        " and others) are in none of these folders: " + SearchedList(files) +
        ". Reinstall the game, or name their folder with --data DIR.";
    platform::ShowStartupError(text.c_str());
    return 1;
  }
  base::SetDataFolder(files.pictures);
  base::SetScoreFilePath(files.scores.path);
  platform::NullPlatform fileAccess;
  platform::PrepareScoreFile(fileAccess, files.scores);
  return platform::RunSdl(options);
}
