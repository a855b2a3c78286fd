// The headless runner on its own, for builds with no window library: the
// wasm build runs it under node. It takes the game's command line, with or
// without the leading --headless.
#include <cstdio>
#include <cstring>

#include "platform/headless/headless.h"
#include "platform/os/files.h"
#include "platform/system/usage.h"

int main(int argc, char** argv) {
  os::PrepareProcess();
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "--headless") == 0) first = 2;
  if (argc > first && std::strcmp(argv[first], "--help") == 0) {
    std::fputs("usage: tumblesquash [--headless] [OPTION...]\n", stdout);
    platform::usage::PrintEntries(stdout, platform::usage::kHeadlessOptions);
    return 0;
  }
  return headless::Main(argc - first, argv + first, argv[0]);
}
