// TumbleSquash: the game in a window (or full screen), or headless with
// --headless for tests and reviews.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/headless/headless.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_platform.h"
#include "sound/volumes.h"

namespace {

void PrintUsage(FILE* to) {
  std::fputs(
      "usage: tumblesquash [--window] [--sound-test] [VOLUME OPTIONS]\n"
      "       tumblesquash --headless [--seed N] [--frames N] [--input FILE]\n"
      "                    [--trace FILE] [--trace-actors]"
      " [--shot FRAME:FILE.png ...]\n"
      "                    [--audio-out FILE.wav] [VOLUME OPTIONS]\n"
      "Volume options (0 to 100, 100 unless given):\n"
      "  --volume N          master volume\n"
      "  --music-volume N    the music\n"
      "  --effects-volume N  the sound effects\n"
      "  --mute              start muted\n"
      "While playing: M mutes and unmutes, - and = turn the volume down and "
      "up.\n"
      "Run it in the folder that holds the picture files; the scores are\n"
      "kept in Score.dat there.\n",
      to);
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
  sound::Volumes volumes;
  bool soundTest = false;
  for (int i = 1; i < argc; ++i) {
    const char* error = nullptr;
    const int volumeArgs =
        sound::ParseVolumeOption(argc, argv, i, volumes, error);
    if (volumeArgs < 0) {
      std::fprintf(stderr, "tumblesquash: %s\n", error);
      return 2;
    }
    if (volumeArgs > 0) {
      i += volumeArgs - 1;
    } else if (std::strcmp(argv[i], "--window") == 0) {
      options.windowed = true;
    } else if (std::strcmp(argv[i], "--sound-test") == 0) {
      soundTest = true;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      PrintUsage(stdout);
      return 0;
    } else {
      std::fprintf(stderr, "tumblesquash: unknown option \"%s\"\n", argv[i]);
      PrintUsage(stderr);
      return 2;
    }
  }
  sound::SetVolumes(volumes);
  return soundTest ? platform::RunSdlSoundTest() : platform::RunSdl(options);
}
