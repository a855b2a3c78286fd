// The desktop's events become the game's window messages: the mouse mapped
// to game pixels, the keys the game knows, and the rules that only a real
// desktop needs: a release SDL lost, focus that pauses a window (and ends a
// full-screen game), and the keys that are ours (Alt+Enter, F12, volume).
//
// What the events ask of the rest of the back end goes through EventHost,
// so the rules are tested against a stand-in without any display.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/os/clock.h"
#include "platform/system/input_queue.h"

namespace platform {

class EventHost {
 public:
  virtual ~EventHost() = default;
  // The game's display is up (before that, only the start-up window).
  virtual bool DisplayOpen() const = 0;
  virtual bool FullScreen() const = 0;
  virtual std::uint32_t WindowId() const = 0;
  virtual bool HasInputFocus() const = 0;
  // The game pixel under a pointer at (x, y) window points, packed.
  virtual std::uint32_t Pointer(int x, int y) const = 0;

  virtual void ToggleFullScreen() = 0;
  virtual void SaveScreenshot() = 0;
  // A volume key changed the volumes: worth remembering.
  virtual void VolumesChanged() = 0;
  virtual void Resized() = 0;
  // The window's image was lost and must be drawn again.
  virtual void Exposed() = 0;
  // The window lost the foreground (true) or has it back (false).
  virtual void Pause(bool paused) = 0;
};

class SdlEvents {
 public:
  using Clock = os::Nanos (*)();
  explicit SdlEvents(EventHost& host, Clock clock = os::MonotonicNow)
      : host_(host), clock_(clock) {}

  // Takes every event SDL has, and checks what SDL cannot tell by itself.
  void Pump();
  void Handle(const SDL_Event& e);

  InputQueue& queue() { return queue_; }
  bool paused() const { return paused_; }
  // A replay's input replaces the mouse.
  void SetReplaying(bool replaying) { replaying_ = replaying; }
  // The window changes (a new window, a mode switch): it may take the focus
  // away for a moment; a loss soon after is checked again once it is over.
  void WindowChanging(bool newWindow);

  static constexpr os::Nanos kFocusGrace = os::kSecond / 2;
  // A window manager that gives the focus on a click passes the click on
  // after it: a press this soon after the focus ended a pause is the one
  // that ended it.
  static constexpr os::Nanos kResumeClick = os::kSecond / 4;

 private:
  void HandleWindowEvent(const SDL_WindowEvent& e);
  void HandleKey(const SDL_KeyboardEvent& e);
  void HandleButton(const SDL_MouseButtonEvent& e);
  void CheckLostReleases();
  void LoseFocus();
  void Pause(bool pause);

  EventHost& host_;
  Clock clock_;
  InputQueue queue_;
  bool replaying_ = false;
  bool paused_ = false;
  bool focused_ = false;
  os::Nanos focusGraceUntil_ = 0;
  bool focusCheckPending_ = false;
  // Left and right: SDL missed a release (see CheckLostReleases).
  bool staleButton_[2] = {false, false};
  // The press that ended a pause was taken: its release goes too.
  bool dropRelease_[2] = {false, false};
  // Until when a press still counts as the one that ended the pause; and
  // whether a press while paused already was.
  os::Nanos resumeClickUntil_ = 0;
  bool pressedWhilePaused_ = false;
};

// The player's volume keys: M mutes and unmutes, - and = (or the keypad's
// - and +) turn the master volume down and up, unmuting. True when `key`
// was one of them. The game itself still sees the key as before.
bool HandleVolumeKey(SDL_Keycode key, bool repeat);

}  // namespace platform
