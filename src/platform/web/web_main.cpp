// TumbleSquash in a web page: the page's events become the game's window
// messages, the browser's animation frames drive the frame loop.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/say.h"
#include "base/scores.h"
#include "platform/web/web_platform.h"
#include "sound/device.h"
#include "sound/volumes.h"

namespace {

using platform::Message;
using platform::MsgType;

web::WebPlatform page;

EM_JS(void, JsAudioUnlockInGesture, (), { TSPage.audioUnlock(); });
EM_JS(void, JsReady, (), { TSPage.ready(); });

EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void*) {
  const web::ScreenRect screen = page.screenRect();
  page.Push({MsgType::MouseMove, 0,
             web::ScreenPosition(static_cast<double>(e->clientX),
                                 static_cast<double>(e->clientY), screen)});
  if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) return EM_FALSE;
  const bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
  // A press is a gesture: the one moment a page may start its sound.
  if (down) JsAudioUnlockInGesture();
  if (e->button == 0) {
    page.Push({down ? MsgType::LButtonDown : MsgType::LButtonUp, 0, 0});
  } else if (e->button == 2) {
    page.Push({down ? MsgType::RButtonDown : MsgType::RButtonUp, 0, 0});
  }
  return EM_TRUE;  // no text selection, no dragging of the picture
}

// The desktop's sound keys: M mutes, - and = step the master volume.
bool VolumeKey(const char* key, bool repeat) {
  sound::VolumeStep step;
  if (std::strcmp(key, "m") == 0 || std::strcmp(key, "M") == 0) {
    step = sound::VolumeStep::Mute;
  } else if (std::strcmp(key, "-") == 0) {
    step = sound::VolumeStep::Down;
  } else if (std::strcmp(key, "=") == 0 || std::strcmp(key, "+") == 0) {
    step = sound::VolumeStep::Up;
  } else {
    return false;
  }
  sound::StepVolume(step, repeat);
  return true;
}

EM_BOOL OnKey(int, const EmscriptenKeyboardEvent* e, void*) {
  if (e->ctrlKey || e->altKey || e->metaKey) return EM_FALSE;  // the browser's
  if (std::strcmp(e->key, "Escape") == 0) {
    page.Push({MsgType::KeyDown, platform::kKeyEscape, 0});
    return EM_TRUE;
  }
  return VolumeKey(e->key, e->repeat != 0) ? EM_TRUE : EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
  page.SetHidden(e->hidden != 0);
  return EM_FALSE;
}

EM_BOOL OnResize(int, const EmscriptenUiEvent*, void*) {
  page.Layout();
  return EM_FALSE;
}

EM_BOOL OnAnimationFrame(double now, void*) {
  page.Tick(now);
  return EM_TRUE;
}

}  // namespace

// For the page's script: the audio callback and the debug hook.
extern "C" {

// Mixes `frames` stereo frames and returns them as two planes of floats,
// left then right.
EMSCRIPTEN_KEEPALIVE float* ts_web_mix(int frames) {
  static std::int16_t mixed[2 * 8192];
  static float planes[2 * 8192];
  if (frames <= 0 || frames > 8192) return planes;
  sound::MixAudio(mixed, frames);
  for (int i = 0; i < frames; ++i) {
    planes[i] = mixed[2 * i] * (1.0f / 32768);
    planes[frames + i] = mixed[2 * i + 1] * (1.0f / 32768);
  }
  return planes;
}

EMSCRIPTEN_KEEPALIVE const char* ts_web_debug() { return page.DebugJson(); }

}  // extern "C"

int main() {
  // The page's data package put the pictures here; Score.dat lives in the
  // folder the page keeps in IndexedDB.
  if (chdir("/game") != 0) base::Say("/game: %s", std::strerror(errno));
  base::SetScoreFilePath(std::string("/save/") + base::kScoreFileName);
  const char* doc = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
  emscripten_set_mousedown_callback(doc, nullptr, EM_TRUE, OnMouse);
  emscripten_set_mouseup_callback(doc, nullptr, EM_TRUE, OnMouse);
  emscripten_set_mousemove_callback(doc, nullptr, EM_TRUE, OnMouse);
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr,
                                  EM_TRUE, OnKey);
  emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, OnVisibility);
  emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr,
                                 EM_FALSE, OnResize);
  page.Layout();
  page.StartRun();
  JsReady();
  emscripten_request_animation_frame_loop(OnAnimationFrame, nullptr);
  return 0;
}
