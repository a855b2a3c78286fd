// Makes the manual page: the template's marker lines (.\" KEYS, .\" OPTIONS,
// .\" HEADLESS, .\" ENVIRONMENT) become the program's own lists (see
// platform/system/usage.h). Usage: manpage TEMPLATE OUTPUT
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/system/usage.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: manpage TEMPLATE OUTPUT\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  std::FILE* out = std::fopen(argv[2], "w");
  if (!in || !out) {
    std::fprintf(stderr, "manpage: cannot read %s or write %s\n", argv[1],
                 argv[2]);
    return 1;
  }
  namespace u = platform::usage;
  std::string line;
  while (std::getline(in, line)) {
    if (line == ".\\\" KEYS") {
      u::PrintManualEntries(out, u::kKeys);
    } else if (line == ".\\\" OPTIONS") {
      u::PrintManualEntries(out, u::kOptions);
    } else if (line == ".\\\" HEADLESS") {
      u::PrintManualEntries(out, u::kHeadlessOptions);
    } else if (line == ".\\\" ENVIRONMENT") {
      u::PrintManualEntries(out, u::kEnvironment);
    } else {
      std::fprintf(out, "%s\n", line.c_str());
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
