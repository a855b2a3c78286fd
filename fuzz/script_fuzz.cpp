// Input scripts end to end: the bytes as a script file, run by the headless
// runner through every scene they reach, in a folder with the real pictures.
// A run goes on a second past the script's last event, and no further than
// 1500 frames, to keep the fuzzer moving.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_folder.h"
#include "platform/headless/headless.h"

namespace {
constexpr std::uint32_t kFrameCap = 1500;
constexpr std::uint32_t kAfterLastEvent = 60;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::EnterOwnFolder("ts_fuzz_script");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzzing::WriteFile("in.txt", data, size);
  std::remove("Score.dat");
  headless::Options options;
  options.hasSeed = true;
  options.seed = size;
  options.inputFile = "in.txt";
  options.dataFolder = TS_RUN_DIR;
  std::vector<headless::ScriptEvent> events;
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const bool parsed = headless::ParseScript(text, "in.txt", events, error);
  std::uint32_t last = 0;
  for (const auto& e : events) last = std::max(last, e.frame);
  options.frames =
      std::min(last, kFrameCap - kAfterLastEvent) + kAfterLastEvent;
  const int code = headless::Run(options);
  // A script is refused exactly when it does not parse.
  if ((code != 0) != !parsed) __builtin_trap();
  return 0;
}
