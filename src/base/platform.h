// The one seam between the game core and the machine it runs on.
//
// The core never includes a system or SDL header. A back end (SDL for
// people, headless for tests) implements this interface; the frame loop
// drives it one pass at a time. Files go through it too, so that tests can
// hand the game files that fail in every way a disk can.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform {

enum class MsgType : std::uint8_t {
  MouseMove,  // lParam = (y << 16) | x, each a 16-bit screen coordinate
  LButtonDown,
  LButtonUp,
  RButtonDown,
  RButtonUp,
  KeyDown,   // wParam = key code (kKeyEscape for Escape)
  Activate,  // wParam = 1 gained the foreground, 0 lost it
  Close,     // close request (window manager, or posted by the game)
  Quit,      // quit message; wParam = exit code
};

inline constexpr std::uint32_t kKeyEscape = 0x1B;

// The game's screen: every frame a back end is given is this size.
inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

struct Message {
  MsgType type;
  std::uint32_t wParam;
  std::uint32_t lParam;
};

struct PaletteEntry {
  std::uint8_t red, green, blue, flags;
};

// What became of reading a file.
enum class ReadResult : std::uint8_t {
  Read,        // the whole file is in the buffer
  Missing,     // there is no such file
  Unreadable,  // it exists but cannot be read (permissions, an I/O error)
  NotRegular,  // a folder, a pipe or a device: never opened
};

// Held while it lives: an exclusive lock taken with Platform::LockFile.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// Whether asking for a lock may wait for another instance to let it go. The
// frame loop never waits (it takes the lock now or tries again later); only
// a program on its way out, with no frame left to show, waits a little.
enum class LockWait : std::uint8_t { No, AFewSeconds };

class Platform {
 public:
  virtual ~Platform() = default;

  // Takes the next pending window message without waiting. False when the
  // queue is empty.
  virtual bool PollMessage(Message& out) = 0;

  // Draws "minititle.bmp" into the 480 x 240 start-up window; draws nothing
  // when it is missing.
  virtual void ShowSplash() = 0;

  // Switches to the 640 x 480 game display. False when it cannot be made.
  virtual bool OpenDisplay() = 0;
  // Gives the desktop back. Safe to call when nothing is open.
  virtual void CloseDisplay() = 0;
  // The modal failure message (also printed to stderr); destroys the window.
  virtual void ShowFailure(const char* caption, const char* text) = 0;
  virtual void HideCursor() = 0;

  // Shows one 640 x 480 frame of palette indices (rows of `pitch` bytes)
  // through the palette, then waits for the next frame tick. False when the
  // frame could not be shown (it is then skipped, never retried).
  virtual bool Present(const std::uint8_t* pixels, int pitch,
                       const PaletteEntry* palette) = 0;

  // Starts the audio output; the device pulls mixed samples from the sound
  // module. False when no device can be opened. Only called while closed.
  virtual bool OpenAudio() = 0;
  // Stops it; only called while open.
  virtual void CloseAudio() = 0;

  // Seconds since the epoch, for seeding the generator.
  virtual std::uint32_t CalendarSeconds() = 0;

  // Reads a regular file into `out`, as far as its first `limit` bytes.
  // Anything else (a pipe, a folder, a device) is refused before it is
  // opened, so no file can make the game wait.
  virtual ReadResult ReadFile(const char* name, std::size_t limit,
                              std::vector<std::uint8_t>& out) = 0;
  // Puts `bytes` in place of the file in one step: afterwards it holds the
  // old contents or the new, never a mixture, whatever happens meanwhile
  // (a crash, a full disk, a size limit, another instance saving). The new
  // file is on the disk, its folder entry included, when this returns true.
  // False with a short reason when the new contents could not be put there;
  // the old file is then untouched and nothing is left beside it.
  virtual bool ReplaceFile(const char* name,
                           std::span<const std::uint8_t> bytes,
                           std::string& error) = 0;
  // Takes an exclusive lock on `name` that every instance of the game on
  // this machine honours, for a read-change-replace that must not interleave
  // with another's. Null with a short reason when it cannot be had; `busy`
  // then says that another instance holds it (worth trying again later).
  // Where only one instance can reach the files, holding it needs nothing
  // (the default).
  virtual std::unique_ptr<FileLock> LockFile(const char* name, LockWait wait,
                                             bool& busy, std::string& error);

  // Called by the frame loop after each scene call, before the flip.
  virtual void AfterScene() {}
};

// The back end the program runs on. The frame loop's start sets it; tests
// and benchmarks set a stand-in. Null until then.
Platform* Current();
void SetCurrent(Platform* platform);

}  // namespace platform
