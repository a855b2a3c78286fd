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
      if (!out) ToConsole(stdout, 1, STD_OUTPUT_HANDLE);
      if (!err) ToConsole(stderr, 2, STD_ERROR_HANDLE);
      // Paths and names may be anything: the console shows UTF-8 (its
      // code page is given back at the end).
      oldCodePage_ = ::GetConsoleOutputCP();
      ::SetConsoleOutputCP(CP_UTF8);
    }
    if (!Leads(STD_ERROR_HANDLE)) Collect();
    // Each message as it is said, as the C standard means standard error
    // to be (Microsoft's library buffers it when it goes to a file or pipe).
    std::setvbuf(stderr, nullptr, _IONBF, 0);
  }

  ProgramOutput(const ProgramOutput&) = delete;
  ProgramOutput& operator=(const ProgramOutput&) = delete;

  // What the program ends with. A failure nobody could read about is shown.
  int Finish(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (reader_.joinable()) {
      // The last handle of the pipe's writing end: the reader sees its end.
      _close(_fileno(stderr));
      reader_.join();
      if (code != 0 && !said_.empty()) Show(said_);
    }
    if (oldCodePage_) ::SetConsoleOutputCP(oldCodePage_);
    return code;
  }

 private:
  // Points the C library's stream at `h` (which it then owns) as
  // descriptor `fd`.
  static bool Rebind(FILE* stream, int fd, HANDLE h, int mode) {
    const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(h), mode);
    if (opened < 0) {
      ::CloseHandle(h);
      return false;
    }
    const bool moved = opened == fd || _dup2(opened, fd) == 0;
    if (opened != fd) _close(opened);
    if (!moved) return false;
#ifndef _UCRT
    // Microsoft's old C library leaves a stream that had no handle at the
    // start without a descriptor (-2) and will not reopen it: given here.
    if (_fileno(stream) < 0) {
      stream->_file = fd;
      stream->_flag = _IOWRT;
    }
#endif
    return _fileno(stream) == fd;
  }

  static void ToConsole(FILE* stream, int fd, DWORD which) {
    const HANDLE console =
        ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return;
    if (Rebind(stream, fd, console, _O_WRONLY | _O_TEXT)) {
      ::SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
    }
  }

  // Standard error into a pipe, read here as it comes so a writer never
  // waits; only the first lines are kept.
  void Collect() {
    HANDLE readEnd, writeEnd;
    if (!::CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return;
    if (!Rebind(stderr, 2, writeEnd, _O_WRONLY | _O_BINARY)) {
      ::CloseHandle(readEnd);
      return;
    }
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
