// TumbleSquash: the game in a window (or full screen), or headless with
// --headless for tests and reviews.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "base/numbers.h"
#include "base/say.h"
#include "base/scores.h"
#include "platform/headless/headless.h"
#include "platform/os/environment.h"
#include "platform/os/files.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/system/game_files.h"
#include "platform/system/null_platform.h"
#include "platform/system/settings_file.h"
#include "platform/system/usage.h"
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
  namespace u = platform::usage;
  std::fputs(
      "usage: tumblesquash [OPTION...]\n"
      "       tumblesquash --headless [OPTION...]\n"
      "A mouse shooting gallery. Click the small window to start.\n"
      "\nKeys and buttons:\n",
      to);
  u::PrintEntries(to, u::kKeys);
  std::fputs(
      "In a window the game pauses while another window has the foreground;\n"
      "in full screen, leaving it ends the game.\n\nOptions:\n",
      to);
  u::PrintEntries(to, u::kOptions);
  std::fputs("\nHeadless runs:\n", to);
  u::PrintEntries(to, u::kHeadlessOptions);
  std::fputs("\nEnvironment:\n", to);
  u::PrintEntries(to, u::kEnvironment);
  std::fputs(
      "\n"
      "The pictures are looked for in --data DIR, the installed data folder,\n"
      "the program's own folder and the working folder, in that order. The\n"
#ifdef _WIN32
      "scores and settings are kept in %APPDATA%\\TumbleSquash, unless a\n"
      "Score.dat already sits beside the pictures; the screenshots go to\n"
      "Pictures\\TumbleSquash.\n",
#else
      "scores are kept in $XDG_DATA_HOME/tumblesquash (by default\n"
      "~/.local/share/tumblesquash), unless a Score.dat already sits beside\n"
      "the pictures.\n",
#endif
      to);
}

void PrintPaths(const platform::GameFiles& files, const std::string& settings,
                const std::string& screenshots) {
  using Kind = platform::ScorePlace::Kind;
  std::printf("\nPaths in use:\n  pictures:    %s\n  searched:    %s\n",
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
  std::printf("  scores:      %s%s\n", files.scores.path.c_str(), why);
  if (!files.scores.copyFrom.empty()) {
    std::printf("               (the first run copies %s there)\n",
                files.scores.copyFrom.c_str());
  }
  std::printf(
      "  settings:    %s\n  screenshots: %s\n",
      settings.empty() ? "(none: no home folder)" : settings.c_str(),
      screenshots.empty() ? "(none: no home folder)" : screenshots.c_str());
}

// The value after an option that needs one.
bool TakeValue(int argc, char** argv, int& i, std::string& out) {
  if (i + 1 >= argc) {
    base::Say("%s needs a value", argv[i]);
    return false;
  }
  out = argv[++i];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  os::PrepareProcess();
  if (argc > 1 && std::strcmp(argv[1], "--headless") == 0) {
    return headless::Main(argc - 2, argv + 2, argv[0]);
  }
  platform::SdlOptions options;
  std::string dataOption, scoreOption, scaleText, displayText;
  // The volume options, applied over the remembered volumes further down.
  std::vector<int> volumeOptions;
  bool help = false, soundTest = false, fullScreen = false, window = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* volumeError = nullptr;
    sound::Volumes ignored;
    const int volumeArgs =
        sound::ParseVolumeOption(argc, argv, i, ignored, volumeError);
    if (volumeArgs < 0) {
      base::Say("%s", volumeError);
      return 2;
    }
    if (volumeArgs > 0) {
      volumeOptions.push_back(i);
      i += volumeArgs - 1;
    } else if (arg == "--window") {
      window = true;
    } else if (arg == "--fullscreen") {
      fullScreen = true;
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
    } else if (arg == "--scale") {
      if (!TakeValue(argc, argv, i, scaleText)) return 2;
    } else if (arg == "--display") {
      if (!TakeValue(argc, argv, i, displayText)) return 2;
    } else if (arg == "--record") {
      if (!TakeValue(argc, argv, i, options.session.record)) return 2;
    } else if (arg == "--replay") {
      if (!TakeValue(argc, argv, i, options.session.replay)) return 2;
    } else if (arg == "--trace") {
      if (!TakeValue(argc, argv, i, options.session.trace)) return 2;
    } else {
      base::Say("unknown option \"%s\" (try --help)", argv[i]);
      return 2;
    }
  }
  std::uint64_t scale = 0;
  if (scaleText == "fit") {
    scale = static_cast<std::uint64_t>(-1);
  } else if (!scaleText.empty() &&
             !base::ParseUnsigned(scaleText, platform::kMaxScale, scale)) {
    base::Say("--scale needs fit or a number from 0 to %d",
              platform::kMaxScale);
    return 2;
  }
  std::uint64_t display = 0;
  if (!displayText.empty() && !base::ParseUnsigned(displayText, 63, display)) {
    base::Say("--display needs a number from 0 to 63");
    return 2;
  }
  if (!displayText.empty()) options.displayIndex = static_cast<int>(display);
  if (fullScreen && window) {
    base::Say("--fullscreen and --window exclude each other");
    return 2;
  }
  if (!options.session.record.empty() && !options.session.replay.empty()) {
    base::Say("--record and --replay exclude each other");
    return 2;
  }
  const os::FileEnvironment env = os::CurrentFileEnvironment(argv[0]);
  const std::string configFolder = os::UserConfigFolder(env);
  const std::string settingsPath =
      configFolder.empty() ? "" : base::JoinPath(configFolder, "settings.conf");
  options.screenshotFolder = os::ScreenshotFolder(env);
  const platform::GameFiles files =
      platform::DecideGameFiles(env, dataOption, scoreOption);
  if (!files.dataOptionLacks.empty()) {
    base::Say("--data \"%s\": no \"%s\" there; looking further",
              dataOption.c_str(), files.dataOptionLacks.c_str());
  }
  if (help) {
    PrintUsage(stdout);
    PrintPaths(files, settingsPath, options.screenshotFolder);
    return 0;
  }
  platform::NullPlatform fileAccess;
  platform::SettingsFile settings;
  if (!settingsPath.empty()) {
    settings.Load(fileAccess, settingsPath);
    options.settings = &settings;
  }
  // The volumes as last time, but for those the options set.
  sound::Volumes volumes = platform::ReadVolumes(settings);
  for (int at : volumeOptions) {
    const char* ignored = nullptr;
    sound::ParseVolumeOption(argc, argv, at, volumes, ignored);
  }
  sound::SetVolumes(volumes);
  if (soundTest) return platform::RunSdlSoundTest();

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
  platform::PrepareScoreFile(files.scores);
  // What saves killed in the middle left behind; and the terminal going
  // away saves as a request to end does.
  platform::RemoveLeftovers(files.scores.path);
  if (!settingsPath.empty()) platform::RemoveLeftovers(settingsPath);
  if (!options.screenshotFolder.empty()) {
    os::RemoveStaleTemporaries(options.screenshotFolder, "tumblesquash-");
  }
  os::HangUpLikeTerminate();

  // The window's mode and scale: as last time, unless an option says. What
  // the options say is remembered.
  options.display = platform::ReadDisplaySettings(settings);
  if (fullScreen || window) options.display.fullScreen = fullScreen;
  if (!scaleText.empty()) {
    options.display.scale =
        scaleText == "fit" ? platform::kScaleFit : static_cast<int>(scale);
  }
  const bool told =
      fullScreen || window || !scaleText.empty() || !volumeOptions.empty();
  // Said on the command line, written even where it is what the file (or
  // the default) says already.
  if (fullScreen || window) settings.WriteAgain("mode");
  if (!scaleText.empty()) settings.WriteAgain("scale");
  if (!volumeOptions.empty()) {
    for (const char* key :
         {"master_volume", "music_volume", "effects_volume", "mute"}) {
      settings.WriteAgain(key);
    }
  }
  if (told && options.settings) {
    platform::SaveSettings(fileAccess, settings, options.display, volumes);
  }
  options.showStats = std::getenv("TUMBLESQUASH_FPS") != nullptr;
  return platform::RunSdl(options);
}
