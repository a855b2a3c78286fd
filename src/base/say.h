// The program's messages: one line on stderr that begins with the command's
// name, as Linux programs do ("tumblesquash: ...").
#pragma once

namespace base {

inline constexpr char kProgramName[] = "tumblesquash";

// The printf family checked against: on Windows the build uses MinGW's own
// C99 one (__USE_MINGW_ANSI_STDIO), which writes what glibc's does, not
// Windows' msvcrt.dll (three-digit exponents, no %zu before Windows 10).
#if defined(__MINGW32__)
#define TS_PRINTF_FORMAT gnu_printf
#else
#define TS_PRINTF_FORMAT printf
#endif

// printf-style; the line end is added.
void Say(const char* format, ...)
    __attribute__((format(TS_PRINTF_FORMAT, 1, 2)));

}  // namespace base
