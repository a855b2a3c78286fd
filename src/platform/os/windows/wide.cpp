#include "platform/os/windows/wide.h"

#include "platform/os/windows/system.h"

namespace os::windows {

bool ToWide(const std::string& text, std::wstring& out) {
  out.clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS,
                                      text.data(), size, nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<std::size_t>(n));
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size,
                        out.data(), n);
  // A NUL inside would cut the name short: that is not the file asked for.
  return out.find(L'\0') == std::wstring::npos;
}

std::string ToUtf8(const wchar_t* text, std::size_t length) {
  if (length == 0) return "";
  const int size = static_cast<int>(length);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0,
                                      nullptr, nullptr);
  if (n <= 0) return "";
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, size, out.data(), n, nullptr,
                        nullptr);
  return out;
}

std::string ToUtf8(const std::wstring& text) {
  return ToUtf8(text.data(), text.size());
}

std::string ErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n ? ToUtf8(text, n) : "";
  if (text) ::LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' ||
                          out.back() == ' ' || out.back() == '.')) {
    out.pop_back();
  }
  if (out.empty()) out = "error " + std::to_string(code);
  // Lower case at the start, as the rest of a message line is.
  if (out[0] >= 'A' && out[0] <= 'Z' &&
      !(out.size() > 1 && out[1] >= 'A' && out[1] <= 'Z')) {
    out[0] = static_cast<char>(out[0] - 'A' + 'a');
  }
  return out;
}

std::string LastError(const std::string& what) {
  return what + ": " + ErrorText(::GetLastError());
}

}  // namespace os::windows
