// mixcheck: plays a game headless from an input script and measures its mix.
//
//   mixcheck --pictures DIR --seed N --input SCRIPT [--frames N]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mix_check.h"

int main(int argc, char** argv) {
  mixcheck::Game game;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--pictures") == 0) {
      game.pictures = argv[i + 1];
    } else if (std::strcmp(argv[i], "--seed") == 0) {
      game.seed = std::uint32_t(std::strtoul(argv[i + 1], nullptr, 10));
    } else if (std::strcmp(argv[i], "--input") == 0) {
      game.script = argv[i + 1];
    } else if (std::strcmp(argv[i], "--frames") == 0) {
      game.frames = std::atoll(argv[i + 1]);
    } else {
      std::fprintf(stderr, "mixcheck: unknown option \"%s\"\n", argv[i]);
      return 2;
    }
  }
  if (game.pictures.empty() || game.script.empty()) {
    std::fprintf(stderr,
                 "usage: mixcheck --pictures DIR --seed N --input SCRIPT "
                 "[--frames N]\n");
    return 2;
  }
  mixcheck::Figures figures = mixcheck::Measure(game);
  if (figures.seconds == 0) {
    std::fprintf(stderr, "mixcheck: the game could not be rendered\n");
    return 1;
  }
  mixcheck::PrintRecordings(stdout);
  mixcheck::Print(figures, stdout);
  return 0;
}
