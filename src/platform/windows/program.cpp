// The Windows program's entry. It is a GUI program, so that no console
// window flashes up when the game is started from the desktop; yet --help,
// --version and the headless runner print: to the console of the program
// that started it when there is one, else wherever its output was sent.
// Started from the desktop with nobody to read what it says, a run that
// ends in failure shows its messages in a message box instead.
//
// The game's own main() (main.cpp) is renamed SDL_main by SDL's header, as
// for SDL's own entry, which this one replaces: it is called here with the
// command line in UTF-8.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <fcntl.h>
#include <io.h>

// clang-format off
#include "platform/os/windows/system.h"
#include <shellapi.h>
// clang-format on

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/windows/wide.h"

extern "C" int SDL_main(int argc, char* argv[]);

namespace {

using os::windows::ToUtf8;
using os::windows::ToWide;

// A standard handle that leads somewhere: a console, a pipe or a file.
bool Leads(DWORD which) {
  const HANDLE h = ::GetStdHandle(which);
  return h && h != INVALID_HANDLE_VALUE &&
         ::GetFileType(h) != FILE_TYPE_UNKNOWN;
}

class ProgramOutput {
 public:
  ProgramOutput() {
    const bool out = Leads(STD_OUTPUT_HANDLE);
    const bool err = Leads(STD_ERROR_HANDLE);
    // Output sent to a file or a pipe stays there; only what leads nowhere
    // goes to the console of the program that started this one.
    if ((!out || !err) && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
      if (!out) Reopen(stdout, STD_OUTPUT_HANDLE);
      if (!err) Reopen(stderr, STD_ERROR_HANDLE);
      // Paths and names may be anything: the console shows UTF-8 (its
      // code page is given back at the end).
      oldCodePage_ = ::GetConsoleOutputCP();
      ::SetConsoleOutputCP(CP_UTF8);
    }
    if (!Leads(STD_ERROR_HANDLE)) Collect();
  }

  ProgramOutput(const ProgramOutput&) = delete;
  ProgramOutput& operator=(const ProgramOutput&) = delete;

  // What the program ends with. A failure nobody could read about is shown.
  int Finish(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (reader_.joinable()) {
      // The last handle of the pipe's writing end: the reader sees its end.
      _close(2);
      reader_.join();
      if (code != 0 && !said_.empty()) Show(said_);
    }
    if (oldCodePage_) ::SetConsoleOutputCP(oldCodePage_);
    return code;
  }

 private:
  static void Reopen(FILE* stream, DWORD which) {
    if (std::freopen("CONOUT$", "w", stream)) {
      ::SetStdHandle(which,
                     reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
    }
  }

  // Standard error into a pipe, read here as it comes so a writer never
  // waits; only the first lines are kept.
  void Collect() {
    HANDLE readEnd, writeEnd;
    if (!::CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd),
                                   _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      ::CloseHandle(readEnd);
      ::CloseHandle(writeEnd);
      return;
    }
    if (_dup2(fd, 2) != 0) {
      _close(fd);
      ::CloseHandle(readEnd);
      return;
    }
    _close(fd);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    reader_ = std::thread([this, readEnd] {
      char chunk[4096];
      DWORD got = 0;
      while (::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) &&
             got > 0) {
        const std::size_t room = kKept - std::min(kKept, said_.size());
        said_.append(chunk, std::min<std::size_t>(room, got));
      }
      ::CloseHandle(readEnd);
    });
  }

  static void Show(const std::string& text) {
    std::wstring wide;
    if (!ToWide(text, wide)) wide = L"(the message is not readable)";
    ::MessageBoxW(nullptr, wide.c_str(), L"TumbleSquash",
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  }

  static constexpr std::size_t kKept = 4000;
  std::thread reader_;
  std::string said_;
  UINT oldCodePage_ = 0;
};

}  // namespace

int main(int, char**) {
  ProgramOutput output;
  // The command line as the player typed it, in UTF-8 (the narrow one the
  // C library gives is in the system's code page).
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 0; wide && i < count; ++i) {
    args.push_back(ToUtf8(wide[i], std::wcslen(wide[i])));
  }
  if (wide) ::LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  SDL_SetMainReady();
  return output.Finish(SDL_main(static_cast<int>(args.size()), argv.data()));
}
