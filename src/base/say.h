// The program's messages: one line on stderr that begins with the command's
// name, as Linux programs do ("tumblesquash: ...").
#pragma once

namespace base {

inline constexpr char kProgramName[] = "tumblesquash";

// printf-style; the line end is added.
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace base
