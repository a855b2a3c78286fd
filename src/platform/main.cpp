// TumbleSquash: the game in a window (or full screen), or headless with
// --headless for tests and reviews.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/headless/headless.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_platform.h"

namespace {

void PrintUsage(FILE* to) {
  std::fputs(
      "usage: tumblesquash [--window] [--sound-test]\n"
      "       tumblesquash --headless [--seed N] [--frames N] [--input FILE]\n"
      "                    [--trace FILE] [--trace-actors]"
      " [--shot FRAME:FILE.png ...]\n"
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
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--window") == 0) {
      options.windowed = true;
    } else if (std::strcmp(argv[i], "--sound-test") == 0) {
      return platform::RunSdlSoundTest();
    } else if (std::strcmp(argv[i], "--help") == 0) {
      PrintUsage(stdout);
      return 0;
    } else {
      std::fprintf(stderr, "tumblesquash: unknown option \"%s\"\n", argv[i]);
      PrintUsage(stderr);
      return 2;
    }
  }
  return platform::RunSdl(options);
}
