// The headless runner on its own, for builds with no window library: the
// wasm build runs it under node. It takes the game's command line, with or
// without the leading --headless.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/headless/headless.h"

int main(int argc, char** argv) {
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "--headless") == 0) first = 2;
  if (argc > first && std::strcmp(argv[first], "--help") == 0) {
    std::puts(
        "usage: tumblesquash [--headless] [--seed N] [--frames N]"
        " [--input FILE]\n"
        "                    [--trace FILE] [--trace-actors]\n"
        "Run it in the folder that holds the picture files; the scores are\n"
        "kept in Score.dat there.");
    return 0;
  }
  headless::Options options;
  std::string error;
  if (!headless::ParseOptions(argc - first, argv + first, options, error)) {
    std::fprintf(stderr, "tumblesquash: %s\n", error.c_str());
    return 2;
  }
  return headless::Run(options);
}
