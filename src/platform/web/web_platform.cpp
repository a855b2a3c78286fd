#include "platform/web/web_platform.h"

#include <emscripten.h>

#include <cinttypes>
#include <cstdio>

#include "base/input.h"
#include "base/say.h"
#include "loop/main_loop.h"
#include "loop/trace.h"
#include "sound/device.h"
#include "video/present.h"
#include "video/sheet_layout.h"

// The page's side, in pre.js: these only call into it.
EM_JS(void, JsViewSize, (double* width, double* height, double* ratio), {
  HEAPF64[width >> 3] = window.innerWidth;
  HEAPF64[height >> 3] = window.innerHeight;
  HEAPF64[ratio >> 3] = window.devicePixelRatio || 1;
});
EM_JS(void, JsPlace, (double cssPerPixel), { TSPage.place(cssPerPixel); });
EM_JS(void, JsScreenRect, (double* rect), {
  const r = TSPage.screen.getBoundingClientRect();
  HEAPF64.set([ r.left, r.top, r.width, r.height ], rect >> 3);
});
EM_JS(int, JsShowScreen, (int shown), { return TSPage.showScreen(shown); });
EM_JS(void, JsShowSplash, (const std::uint8_t* bytes, int size),
      { TSPage.showSplash(size ? HEAPU8.slice(bytes, bytes + size) : null); });
EM_JS(void, JsDraw, (const std::uint32_t* rgba, int bytes),
      { TSPage.draw(HEAPU8.subarray(rgba, rgba + bytes)); });
EM_JS(void, JsHideCursor, (int hidden), { TSPage.hideCursor(hidden); });
EM_JS(void, JsFailure, (const char* caption, const char* text),
      { TSPage.failure(UTF8ToString(caption), UTF8ToString(text)); });
EM_JS(int, JsAudioStart, (), { return TSPage.audioStart(); });
EM_JS(void, JsAudioStop, (), { TSPage.audioStop(); });
EM_JS(void, JsAudioPause, (int paused), { TSPage.audioPause(paused); });
EM_JS(void, JsSyncScores, (), { TSPage.syncScores(); });

namespace web {

namespace {

using platform::Message;
using platform::MsgType;

// In the page's own memory, never stored.
constexpr char kSessionFile[] = "/tmp/session.script";

// No scene call ever needs more passes than this; a loop that somehow
// stopped making frames must not hang the page.
constexpr int kMaxPassesPerCall = 4096;

}  // namespace

void WebPlatform::Layout() {
  double width = 0, height = 0, ratio = 1;
  JsViewSize(&width, &height, &ratio);
  const int scale = WholeScale(width, height, ratio);
  JsPlace(scale / ratio);
}

ScreenRect WebPlatform::screenRect() const {
  double r[4];
  JsScreenRect(r);
  return {r[0], r[1], r[2], r[3]};
}

bool WebPlatform::PollMessage(Message& out) {
  if (!input_.Pop(out)) return false;
  recorder_.Record(out);
  return true;
}

void WebPlatform::AfterScene() {
  input_.SceneCalled();
  recorder_.AfterScene();
}

void WebPlatform::StartRun() {
  recorder_.Close();
  platform::RecorderFiles files;
  files.record = kSessionFile;
  std::string error;
  if (!recorder_.Open(files, error)) base::Say("%s", error.c_str());
  // A recording replays from the seed it names, so it is chosen now.
  loop::StartOptions start;
  start.fixedSeed = true;
  start.seed = CalendarSeconds();
  recorder_.BeginRecording(start.seed);
  loop::Start(*this, start);
}

void WebPlatform::ShowSplash() {
  std::vector<std::uint8_t> bytes;
  // Nothing drawn when it is missing: the page shows an empty box to click.
  if (ReadFile(layout::kSplashPicture, 1 << 22, bytes) !=
      platform::ReadResult::Read) {
    bytes.clear();
  }
  JsShowSplash(bytes.data(), static_cast<int>(bytes.size()));
  if (counters_.splashAtMs < 0) counters_.splashAtMs = emscripten_get_now();
}

bool WebPlatform::OpenDisplay() {
  displayUp_ = JsShowScreen(1) != 0;
  Layout();
  return displayUp_;
}

void WebPlatform::CloseDisplay() {
  if (!displayUp_) return;
  JsShowScreen(0);
  JsHideCursor(0);
  displayUp_ = false;
  pending_ = nullptr;
}

void WebPlatform::ShowFailure(const char* caption, const char* text) {
  NullPlatform::ShowFailure(caption, text);
  JsFailure(caption, text);
}

void WebPlatform::HideCursor() { JsHideCursor(1); }

bool WebPlatform::Present(const std::uint8_t* pixels, int pitch,
                          const platform::PaletteEntry* palette) {
  if (!displayUp_) return false;
  // Drawn once the animation frame's scene calls are done: when wall time
  // asks for two calls in one animation frame, only the newer is shown.
  pending_ = pixels;
  pendingPitch_ = pitch;
  pendingPalette_ = palette;
  ++counters_.presents;
  return true;
}

void WebPlatform::DrawPendingFrame() {
  if (!pending_) return;
  const double start = emscripten_get_now();
  // A canvas wants red, green, blue, alpha bytes: the conversion's words
  // with red and blue swapped.
  platform::PaletteEntry swapped[256];
  for (int i = 0; i < 256; ++i) {
    swapped[i] = pendingPalette_[i];
    swapped[i].red = pendingPalette_[i].blue;
    swapped[i].blue = pendingPalette_[i].red;
  }
  video::ConvertFrame(pending_, pendingPitch_, platform::kScreenWidth,
                      platform::kScreenHeight, swapped, rgba_);
  JsDraw(rgba_, static_cast<int>(sizeof rgba_));
  pending_ = nullptr;
  const double now = emscripten_get_now();
  counters_.presentMs += now - start;
  if (counters_.firstFrameAtMs < 0) counters_.firstFrameAtMs = now;
}

bool WebPlatform::OpenAudio() {
  const int rate = JsAudioStart();
  if (rate <= 0) return false;
  sound::SetOutputFormat(rate, 2);
  return true;
}

void WebPlatform::CloseAudio() { JsAudioStop(); }

bool WebPlatform::ReplaceFile(const char* name,
                              std::span<const std::uint8_t> bytes,
                              std::string& error) {
  if (!NullPlatform::ReplaceFile(name, bytes, error)) {
    return false;
  }
  ++counters_.savesWritten;
  // Into IndexedDB now, so a reload or a closed tab keeps it.
  JsSyncScores();
  return true;
}

void WebPlatform::SetHidden(bool hidden) {
  if (hidden == hidden_) return;
  hidden_ = hidden;
  // No scene calls and no sound while nobody can see the game; on return
  // the clock starts afresh instead of catching up.
  JsAudioPause(hidden ? 1 : 0);
  if (!hidden) clock_.Restart();
}

bool WebPlatform::RunSceneCall() {
  for (int pass = 0; pass < kMaxPassesPerCall; ++pass) {
    switch (loop::Step()) {
      case loop::StepResult::Frame:
        ++counters_.sceneCalls;
        return true;
      case loop::StepResult::Message:
        continue;
      case loop::StepResult::Idle:
        return false;  // the splash waits for its click
      case loop::StepResult::Exit:
        // The game has ended (Escape): the page starts it again from the
        // splash, as launching it again would.
        CloseDisplay();
        input_.Clear();
        ++counters_.runs;
        StartRun();
        return false;
    }
  }
  return false;
}

void WebPlatform::Tick(double nowMs) {
  if (hidden_) return;
  ++counters_.ticks;
  const double start = emscripten_get_now();
  const int calls = clock_.Advance(nowMs);
  if (loop::InPregame) {
    RunSceneCall();
  } else {
    for (int i = 0; i < calls; ++i) {
      if (!RunSceneCall()) break;
    }
  }
  counters_.coreMs += emscripten_get_now() - start;
  DrawPendingFrame();
}

const char* WebPlatform::DebugJson() {
  char head[512];
  std::snprintf(
      head, sizeof head,
      "{\"web\":{\"ticks\":%" PRIu64 ",\"sceneCalls\":%" PRIu64
      ",\"presents\":%" PRIu64 ",\"runs\":%" PRIu64 ",\"savesWritten\":%" PRIu64
      ",\"coreMs\":%.3f,\"presentMs\":%.3f,\"splashAtMs\":%.1f,"
      "\"firstFrameAtMs\":%.1f,\"hidden\":%s,\"pregame\":%s,"
      "\"mouse\":[%u,%u]},\"game\":",
      counters_.ticks, counters_.sceneCalls, counters_.presents, counters_.runs,
      counters_.savesWritten, counters_.coreMs, counters_.presentMs,
      counters_.splashAtMs, counters_.firstFrameAtMs,
      hidden_ ? "true" : "false", loop::InPregame ? "true" : "false",
      static_cast<unsigned>(base::MouseX), static_cast<unsigned>(base::MouseY));
  std::string line;
  loop::TraceLine(line, true);
  while (!line.empty() && line.back() == '\n') line.pop_back();
  debug_ = head + (line.empty() ? std::string("null") : line) + "}";
  return debug_.c_str();
}

}  // namespace web
