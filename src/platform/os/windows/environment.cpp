// Where things are on Windows: the known folders. Every path handed on is
// UTF-8, written the Windows way.
#include "platform/os/environment.h"

// clang-format off
#include "platform/os/windows/system.h"
#include <knownfolders.h>
#include <shlobj.h>
// clang-format on

#include <cwchar>
#include <vector>

#include "base/data_folder.h"
#include "platform/os/windows/wide.h"

namespace os {

namespace {

constexpr char kFolderName[] = "TumbleSquash";

std::string KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  std::string out;
  if (::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK) {
    out = windows::ToUtf8(path, std::wcslen(path));
  }
  ::CoTaskMemFree(path);
  return out;
}

// "C:/...", "//server/share/...": a variable holding anything else (a
// relative path) is ignored, as XDG's rules do on Linux.
bool IsAbsolute(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' &&
          (path[2] == '/' || path[2] == '\\')) ||
         path.rfind("//", 0) == 0 || path.rfind("\\\\", 0) == 0;
}

std::string FromVariable(const char* name) {
  std::string value = Variable(name);
  return IsAbsolute(value) ? value : "";
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(),
                                         static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) {
      return windows::ToUtf8(buffer.data(), n);
    }
    if (buffer.size() >= 32768) return "";
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string Variable(const char* name) {
  std::wstring wide;
  if (!windows::ToWide(name, wide)) return "";
  std::vector<wchar_t> value(256);
  for (;;) {
    const DWORD n = ::GetEnvironmentVariableW(wide.c_str(), value.data(),
                                              static_cast<DWORD>(value.size()));
    if (n == 0) return "";
    if (n < value.size()) return windows::ToUtf8(value.data(), n);
    value.resize(n);
  }
}

FileEnvironment CurrentFileEnvironment(const char*) {
  FileEnvironment env;
  env.home = FromVariable("USERPROFILE");
  if (env.home.empty()) env.home = KnownFolder(FOLDERID_Profile);
  env.appData = FromVariable("APPDATA");
  if (env.appData.empty()) env.appData = KnownFolder(FOLDERID_RoamingAppData);
  env.picturesFolder = KnownFolder(FOLDERID_Pictures);
  const DWORD n = ::GetCurrentDirectoryW(0, nullptr);
  if (n > 0) {
    std::wstring cwd(n, L'\0');
    const DWORD got = ::GetCurrentDirectoryW(n, cwd.data());
    if (got > 0 && got < n) {
      cwd.resize(got);
      env.workingFolder = windows::ToUtf8(cwd);
    }
  }
  // The pictures are installed beside the program: its own folder is where
  // they are looked for, and no installed folder is named at build time.
  const std::string exe = ExecutablePath();
  if (!exe.empty()) env.executableFolder = base::FolderOf(exe);
  return env;
}

std::string UserDataFolder(const FileEnvironment& env) {
  if (!env.appData.empty()) return base::JoinPath(env.appData, kFolderName);
  if (env.home.empty()) return "";
  return base::JoinPath(base::JoinPath(env.home, "AppData\\Roaming"),
                        kFolderName);
}

std::string UserConfigFolder(const FileEnvironment& env) {
  return UserDataFolder(env);
}

std::string ScreenshotFolder(const FileEnvironment& env) {
  if (!env.picturesFolder.empty()) {
    return base::JoinPath(env.picturesFolder, kFolderName);
  }
  const std::string data = UserDataFolder(env);
  return data.empty() ? "" : base::JoinPath(data, "screenshots");
}

}  // namespace os
