#include <cstdint>
#include <string>

#include "platform/headless/headless.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::vector<headless::ScriptEvent> events;
  std::string error;
  headless::ParseScript(std::string(reinterpret_cast<const char*>(data), size),
                        "fuzz", events, error);
  return 0;
}
