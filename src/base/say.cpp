#include "base/say.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace base {

void Say(const char* format, ...) {
  // One write for the whole line, so lines of two threads never mix.
  std::string line = std::string(kProgramName) + ": ";
  char text[1024];
  std::va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  line += text;
  line += '\n';
  std::fputs(line.c_str(), stderr);
}

}  // namespace base
