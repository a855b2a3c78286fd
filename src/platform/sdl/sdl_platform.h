// The SDL back end: the start-up window, the 640 x 480 display scaled to the
// desktop, mouse and keyboard, frame pacing and the audio device. Files and
// the calendar are the null platform's.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/null/null_platform.h"

namespace platform {

struct SdlOptions {
  bool windowed = false;
};

class SdlPlatform final : public NullPlatform {
 public:
  explicit SdlPlatform(const SdlOptions& options);
  ~SdlPlatform() override;

  // False when SDL's video cannot start at all.
  bool CreateStartWindow();

  bool PollMessage(Message& out) override;
  void ShowSplash() override;
  bool OpenDisplay() override;
  void CloseDisplay() override;
  void ShowFailure(const char* caption, const char* text) override;
  void HideCursor() override;
  bool Present(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette) override;
  bool OpenAudio() override;
  void CloseAudio() override;

  // Waits a little for input while nothing else is to be done.
  void WaitForInput(int milliseconds);

 private:
  bool Translate(const SDL_Event& e, Message& out);
  void SetIcon(SDL_Window* window);
  void PaceFrame();

  SdlOptions options_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool focused_ = false;
  bool vsync_ = false;
  std::uint64_t nextTick_ = 0;
  std::uint32_t pixels_[640 * 480];
};

int RunSdl(const SdlOptions& options);

// A problem that stops the game before it starts: one line on stderr and a
// message box where a display can show one.
void ShowStartupError(const char* text);

}  // namespace platform
