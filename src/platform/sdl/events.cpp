#include "platform/sdl/events.h"

#include "sound/volumes.h"

namespace platform {

void SdlEvents::WindowChanging(bool newWindow) {
  if (newWindow) focused_ = false;
  focusGraceUntil_ = clock_() + kFocusGrace;
}

void SdlEvents::Pause(bool pause) {
  if (paused_ == pause) return;
  paused_ = pause;
  host_.Pause(pause);
}

void SdlEvents::LoseFocus() {
  if (host_.FullScreen()) {
    // Full screen keeps the game's own rule: leaving it ends the game.
    queue_.Push({MsgType::Activate, 0, 0});
  } else {
    Pause(true);
  }
}

void SdlEvents::HandleKey(const SDL_KeyboardEvent& e) {
  const SDL_Keycode key = e.keysym.sym;
  if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) &&
      (e.keysym.mod & KMOD_ALT)) {
    if (!e.repeat && host_.DisplayOpen()) {
      WindowChanging(false);
      host_.ToggleFullScreen();
    }
    return;
  }
  if (key == SDLK_F12) {
    if (!e.repeat) host_.SaveScreenshot();
    return;
  }
  // The volume keys are ours (remembered when the game ends); the game
  // sees them as any other key.
  if (HandleVolumeKey(key, e.repeat != 0)) host_.VolumesChanged();
  queue_.Push({MsgType::KeyDown, key == SDLK_ESCAPE ? kKeyEscape : 0u, 0});
}

void SdlEvents::HandleWindowEvent(const SDL_WindowEvent& e) {
  if (e.windowID != host_.WindowId()) return;
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      queue_.Push({MsgType::Close, 0, 0});
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      focused_ = true;
      focusCheckPending_ = false;
      if (paused_ && !pressedWhilePaused_) {
        resumeClickUntil_ = clock_() + kResumeClick;
      }
      pressedWhilePaused_ = false;
      Pause(false);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Before the game's display is up there is nothing to pause or end;
      // and only losing a foreground we had counts.
      if (!host_.DisplayOpen() || !focused_) break;
      if (clock_() < focusGraceUntil_) {
        focusCheckPending_ = true;
      } else {
        LoseFocus();
      }
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (host_.DisplayOpen()) host_.Resized();
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      if (host_.DisplayOpen()) host_.Exposed();
      break;
    default:
      break;
  }
}

void SdlEvents::HandleButton(const SDL_MouseButtonEvent& e) {
  const int b = e.button == SDL_BUTTON_LEFT    ? 0
                : e.button == SDL_BUTTON_RIGHT ? 1
                                               : -1;
  if (b < 0) return;
  const bool down = e.type == SDL_MOUSEBUTTONDOWN;
  // A release SDL lets through after swallowing its press (see
  // CheckLostReleases) is a whole click.
  const bool swallowed = !down && staleButton_[b];
  staleButton_[b] = false;
  // While paused, a click only brings the window back: the press that
  // does, and its release, are not the game's.
  if (down && (paused_ || clock_() < resumeClickUntil_)) {
    if (paused_) pressedWhilePaused_ = true;
    resumeClickUntil_ = 0;
    dropRelease_[b] = true;
    return;
  }
  if (!down && dropRelease_[b]) {
    dropRelease_[b] = false;
    return;
  }
  if (down) resumeClickUntil_ = 0;
  if (replaying_ || paused_) return;
  const MsgType press = b == 0 ? MsgType::LButtonDown : MsgType::RButtonDown;
  const MsgType release = b == 0 ? MsgType::LButtonUp : MsgType::RButtonUp;
  if (swallowed) queue_.Push({press, 0, 0});
  queue_.Push({down ? press : release, 0, 0});
}

void SdlEvents::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      queue_.Push({MsgType::Close, 0, 0});
      break;
    case SDL_MOUSEMOTION:
      if (!replaying_) {
        queue_.Push(
            {MsgType::MouseMove, 0, host_.Pointer(e.motion.x, e.motion.y)});
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      HandleButton(e.button);
      break;
    case SDL_KEYDOWN:
      HandleKey(e.key);
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(e.window);
      break;
    default:
      break;
  }
}

// A button held while the windows change (after the start-up click) can be
// released where SDL never hears of it: SDL then thinks it still held and
// swallows its next press. So while SDL thinks a button held, the server is
// asked; a release it has but SDL missed marks the button, and the release
// SDL does pass on makes the whole click (see HandleButton).
void SdlEvents::CheckLostReleases() {
  const Uint32 buttons =
      SDL_BUTTON(SDL_BUTTON_LEFT) | SDL_BUTTON(SDL_BUTTON_RIGHT);
  if (!(SDL_GetMouseState(nullptr, nullptr) & buttons)) return;
  // The query is a round trip: every event sent before it is here after it.
  const Uint32 real = SDL_GetGlobalMouseState(nullptr, nullptr);
  SDL_Event e;
  while (SDL_PollEvent(&e)) Handle(e);
  const Uint32 cached = SDL_GetMouseState(nullptr, nullptr);
  for (int b : {0, 1}) {
    const Uint32 mask = SDL_BUTTON(b == 0 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT);
    if ((cached & mask) && !(real & mask)) staleButton_[b] = true;
  }
}

void SdlEvents::Pump() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) Handle(e);
  if (host_.DisplayOpen()) CheckLostReleases();
  if (focusCheckPending_ && clock_() >= focusGraceUntil_) {
    focusCheckPending_ = false;
    if (!host_.HasInputFocus()) LoseFocus();
  }
}

bool HandleVolumeKey(SDL_Keycode key, bool repeat) {
  switch (key) {
    case SDLK_m:
      sound::StepVolume(sound::VolumeStep::Mute, repeat);
      return true;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
      sound::StepVolume(sound::VolumeStep::Down, repeat);
      return true;
    case SDLK_EQUALS:
    case SDLK_PLUS:
    case SDLK_KP_PLUS:
      sound::StepVolume(sound::VolumeStep::Up, repeat);
      return true;
    default:
      return false;
  }
}

}  // namespace platform
