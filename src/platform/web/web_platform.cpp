#include "platform/web/web_platform.h"

#include <emscripten.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/input.h"
#include "base/say.h"
#include "base/scene.h"
#include "base/scores.h"
#include "loop/main_loop.h"
#include "loop/trace.h"
#include "scenes/scenes.h"
#include "sound/device.h"
#include "sound/volumes.h"
#include "video/present.h"
#include "video/sheet_layout.h"

// The page's side, in pre.js: these only call into it.
EM_JS(void, JsScreenRect, (double* rect), {
  const r = TSPage.screen.getBoundingClientRect();
  HEAPF64.set([ r.left, r.top, r.width, r.height ], rect >> 3);
});
EM_JS(int, JsShowScreen, (int shown), { return TSPage.showScreen(shown); });
EM_JS(void, JsShowSplash, (), { TSPage.showSplash(); });
EM_JS(void, JsDraw, (const std::uint32_t* rgba, int width, int height),
      { TSPage.draw(rgba, width, height); });
EM_JS(void, JsHideCursor, (int hidden), { TSPage.hideCursor(hidden); });
EM_JS(void, JsFailure, (const char* caption, const char* text),
      { TSPage.failure(UTF8ToString(caption), UTF8ToString(text)); });
EM_JS(int, JsAudioStart, (), { return TSPage.audio.start(); });
EM_JS(void, JsAudioStop, (), { TSPage.audio.stop(); });
EM_JS(void, JsAudioPause, (int paused), { TSPage.audio.pause(paused); });
EM_JS(void, JsAudioPost, (const std::uint32_t* words, int count),
      { TSPage.audio.post(HEAPU32.slice(words >> 2, (words >> 2) + count)); });
EM_JS(void, JsScoresChanged, (), { TSPage.scores.changed(); });
EM_JS(void, JsTitle, (const char* title),
      { document.title = UTF8ToString(title); });

namespace web {

namespace {

using platform::Message;
using platform::MsgType;

// In the page's own memory, never stored.
constexpr char kSessionFile[] = "/tmp/session.script";

constexpr int kWidth = video::kScreenWidth, kHeight = video::kScreenHeight;

// No scene call ever needs more passes than this; a loop that somehow
// stopped making frames must not hang the page.
constexpr int kMaxPassesPerCall = 4096;

// The tab's titles: as the desktop's window has them, and the pretended
// document's while the boss key hides the game.
constexpr const char* kTitles[] = {"TumbleSquash",
                                   "TumbleSquash (paused: click to go on)",
                                   layout::boss::kCaption};

bool IsScoreFile(const char* name) {
  return std::strcmp(name, base::ScoreFilePath()) == 0;
}

}  // namespace

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
  // The sound's reset put the built-in (empty) table back.
  if (standIns_) standIns_->Install();
}

void WebPlatform::SetSoundNames(const std::vector<std::string>& names) {
  standIns_ = std::make_unique<StandIns>(names);
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

void WebPlatform::ShowSplash() {
  // The page shows the start picture itself, long before the game runs.
  JsShowSplash();
  if (counters_.splashAtMs < 0) counters_.splashAtMs = emscripten_get_now();
}

bool WebPlatform::OpenDisplay() {
  displayUp_ = JsShowScreen(1) != 0;
  UpdateRunning();
  return displayUp_;
}

void WebPlatform::CloseDisplay() {
  if (!displayUp_) return;
  JsShowScreen(0);
  JsHideCursor(0);
  displayUp_ = false;
  pending_ = nullptr;
  UpdateRunning();
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
  video::ConvertFrame(pending_, pendingPitch_, kWidth, kHeight, swapped, rgba_);
  JsDraw(rgba_, kWidth, kHeight);
  pending_ = nullptr;
  const double now = emscripten_get_now();
  counters_.presentMs += now - start;
  if (counters_.firstFrameAtMs < 0) counters_.firstFrameAtMs = now;
}

bool WebPlatform::OpenAudio() {
  const int rate = JsAudioStart();
  if (rate <= 0) return false;
  sound::SetOutputFormat(rate, 2);
  soundWatch_.Forget();
  audioOpen_ = true;
  return true;
}

void WebPlatform::CloseAudio() {
  // The channels were emptied just before: the mixer fades them out.
  SendSound();
  audioOpen_ = false;
  JsAudioStop();
}

void WebPlatform::SendSound() {
  if (!audioOpen_) return;
  soundWatch_.Collect(sound::Channels, sound::GetVolumes(), soundWords_);
  if (!soundWords_.empty()) {
    JsAudioPost(soundWords_.data(), static_cast<int>(soundWords_.size()));
  }
}

platform::ReadResult WebPlatform::ReadFile(const char* name, std::size_t limit,
                                           std::vector<std::uint8_t>& out) {
  if (!IsScoreFile(name)) return NullPlatform::ReadFile(name, limit, out);
  const platform::ReadResult result = scores_.Read(out);
  if (out.size() > limit) out.resize(limit);
  return result;
}

bool WebPlatform::ReplaceFile(const char* name,
                              std::span<const std::uint8_t> bytes,
                              std::string& error) {
  if (!IsScoreFile(name)) return NullPlatform::ReplaceFile(name, bytes, error);
  scores_.Replace(bytes);
  ++counters_.savesWritten;
  // The page stores it now, merged with what other tabs stored; a failure
  // there is said on the page and tried again, and never holds the game.
  JsScoresChanged();
  return true;
}

std::unique_ptr<platform::FileLock> WebPlatform::LockFile(
    const char* name, platform::LockWait wait, bool& busy, std::string& error) {
  // This tab's copy is only ever touched by this thread; the page takes the
  // lock all tabs share when it stores it.
  if (IsScoreFile(name)) return Platform::LockFile(name, wait, busy, error);
  return NullPlatform::LockFile(name, wait, busy, error);
}

void WebPlatform::AfterScene() {
  input_.SceneCalled();
  recorder_.AfterScene();
  if (touch_.AwayDue()) input_.Push({MsgType::MouseMove, 0, TouchInput::kAway});
  SendSound();
  UpdateTitle();
}

void WebPlatform::UpdateTitle() {
  const int title = base::CurrentScene == scenes::BossKeyScene ? 2
                    : paused_                                  ? 1
                                                               : 0;
  if (title == title_) return;
  title_ = title;
  JsTitle(kTitles[title]);
}

void WebPlatform::Mouse(int kind, double x, double y, int button) {
  touch_.MouseUsed();
  if (kind != 0 && paused_) SetFocused(true);  // a click brings it back
  input_.Push({MsgType::MouseMove, 0, ScreenPosition(x, y, screenRect())});
  if (kind == 0) return;
  const bool down = kind == 1;
  if (button == 0) {
    input_.Push({down ? MsgType::LButtonDown : MsgType::LButtonUp, 0, 0});
  } else if (button == 2) {
    input_.Push({down ? MsgType::RButtonDown : MsgType::RButtonUp, 0, 0});
  }
  if (down) Pressed();
}

void WebPlatform::Pressed() {
  // The scene that takes the press runs now when it is nearly due: a shot
  // is heard without waiting for the next animation frame (which then
  // draws it).
  if (stopped_ || loop::InPregame) return;
  const double start = emscripten_get_now();
  const int calls = clock_.Advance(start, FrameClock::kPressEarlyMs);
  for (int i = 0; i < calls; ++i) {
    if (!RunSceneCall()) break;
  }
  counters_.coreMs += emscripten_get_now() - start;
}

void WebPlatform::Touch(int phase, int id, double x, double y) {
  ++counters_.touches;
  if (phase == 0 && paused_) SetFocused(true);
  std::vector<Message> out;
  const std::uint32_t at = phase == 2 ? 0 : ScreenPosition(x, y, screenRect());
  switch (phase) {
    case 0:
      touch_.Down(id, at, out);
      break;
    case 1:
      touch_.Move(id, at, out);
      break;
    default:
      touch_.Up(id, out);
      break;
  }
  for (const Message& m : out) input_.Push(m);
  if (phase == 0) Pressed();
}

bool WebPlatform::Key(const char* key, bool repeat) {
  if (std::strcmp(key, "Escape") == 0) {
    input_.Push({MsgType::KeyDown, platform::kKeyEscape, 0});
    return true;
  }
  // The desktop's sound keys: M mutes, - and = step the master volume.
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
  // Heard at once, also on the splash and while paused.
  SendSound();
  return true;
}

void WebPlatform::SetHidden(bool hidden) {
  hidden_ = hidden;
  UpdateRunning();
}

void WebPlatform::SetFocused(bool focused) {
  focused_ = focused;
  UpdateRunning();
}

void WebPlatform::UpdateRunning() {
  // As the desktop in a window: losing the focus pauses the game, once its
  // display is up. A hidden tab pauses it too.
  paused_ = !focused_ && displayUp_;
  const bool stopped = hidden_ || paused_;
  if (stopped != stopped_) {
    stopped_ = stopped;
    // No scene calls and no sound meanwhile; on return the clock starts
    // afresh instead of catching up.
    JsAudioPause(stopped ? 1 : 0);
    if (stopped) {
      ++counters_.pauses;
    } else {
      clock_.Restart();
    }
  }
  // The pointer is the player's while the game waits.
  if (displayUp_) JsHideCursor(paused_ ? 0 : 1);
  UpdateTitle();
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
  if (stopped_) return;
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
  char head[768];
  std::snprintf(
      head, sizeof head,
      "{\"web\":{\"ticks\":%" PRIu64 ",\"sceneCalls\":%" PRIu64
      ",\"presents\":%" PRIu64 ",\"runs\":%" PRIu64 ",\"savesWritten\":%" PRIu64
      ",\"coreMs\":%.3f,\"presentMs\":%.3f,\"splashAtMs\":%.1f,"
      "\"firstFrameAtMs\":%.1f,\"hidden\":%s,\"pregame\":%s,"
      "\"mouse\":[%u,%u],\"paused\":%s,\"pauses\":%" PRIu64
      ",\"touches\":%" PRIu64
      ",\"scoresPending\":%s,\"volumes\":[%d,%d,%d,%s]"
      "},\"game\":",
      counters_.ticks, counters_.sceneCalls, counters_.presents, counters_.runs,
      counters_.savesWritten, counters_.coreMs, counters_.presentMs,
      counters_.splashAtMs, counters_.firstFrameAtMs,
      hidden_ ? "true" : "false", loop::InPregame ? "true" : "false",
      static_cast<unsigned>(base::MouseX), static_cast<unsigned>(base::MouseY),
      paused_ ? "true" : "false", counters_.pauses, counters_.touches,
      scores_.Pending() ? "true" : "false", sound::GetVolumes().master,
      sound::GetVolumes().music, sound::GetVolumes().effects,
      sound::GetVolumes().mute ? "true" : "false");
  std::string line;
  loop::TraceLine(line, true);
  while (!line.empty() && line.back() == '\n') line.pop_back();
  debug_ = head + (line.empty() ? std::string("null") : line) + "}";
  return debug_.c_str();
}

}  // namespace web
