// Windows speaks UTF-16; the game's paths and text are UTF-8. Converted here,
// at the edge, and nowhere else.
#pragma once
#include <string>

namespace os::windows {

// False when `text` is not valid UTF-8 (no file can have that name).
bool ToWide(const std::string& text, std::wstring& out);
std::string ToUtf8(const wchar_t* text, std::size_t length);
std::string ToUtf8(const std::wstring& text);

// The system's words for an error code, without the full stop and line end.
std::string ErrorText(unsigned long code);
// "what: the system's words" for the calling thread's last error.
std::string LastError(const std::string& what);

}  // namespace os::windows
