// TumbleSquash in a web page: the page's script (pre.js) hands the game its
// events and stored scores through the functions below; the browser's
// animation frames drive the frame loop.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/say.h"
#include "base/scores.h"
#include "platform/web/web_platform.h"

namespace {

web::WebPlatform page;

EM_JS(void, JsReady, (), { TSPage.ready(); });
// What the page found stored before the game started: 0 the file's bytes,
// 1 none, 2 something else.
EM_JS(int, JsStoredKind, (), { return TSPage.scores.initialKind(); });
EM_JS(int, JsStoredSize, (), { return TSPage.scores.initialSize(); });
EM_JS(void, JsStoredCopy, (std::uint8_t * to),
      { TSPage.scores.initialCopy(to); });
// The recordings' names, one a line.
EM_JS(int, JsSoundNamesSize, (),
      { return lengthBytesUTF8(TSPage.audio.names().join('\n')) + 1; });
EM_JS(void, JsSoundNamesCopy, (char* to, int size),
      { stringToUTF8(TSPage.audio.names().join('\n'), to, size); });

EM_BOOL OnAnimationFrame(double now, void*) {
  page.Tick(now);
  return EM_TRUE;
}

web::ScoreStore::Found Found(int kind) {
  return kind == 0   ? web::ScoreStore::Found::Bytes
         : kind == 1 ? web::ScoreStore::Found::Missing
                     : web::ScoreStore::Found::Unreadable;
}

// What Merge gives the page: [write 0 or 1, ticket, size] and the bytes.
std::vector<std::uint32_t> merged;

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void ts_web_mouse(int kind, double x, double y,
                                       int button) {
  page.Mouse(kind, x, y, button);
}

EMSCRIPTEN_KEEPALIVE void ts_web_touch(int phase, int id, double x, double y) {
  page.Touch(phase, id, x, y);
}

EMSCRIPTEN_KEEPALIVE int ts_web_key(const char* key, int repeat) {
  return page.Key(key, repeat != 0) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void ts_web_hidden(int hidden) {
  page.SetHidden(hidden != 0);
}

EMSCRIPTEN_KEEPALIVE void ts_web_focused(int focused) {
  page.SetFocused(focused != 0);
}

EMSCRIPTEN_KEEPALIVE const char* ts_web_debug() { return page.DebugJson(); }

EMSCRIPTEN_KEEPALIVE int ts_web_scores_pending() {
  return page.scores().Pending() ? 1 : 0;
}

// Under the page's lock, with what is stored now (kind as JsStoredKind).
EMSCRIPTEN_KEEPALIVE const std::uint32_t* ts_web_scores_merge(
    int kind, const std::uint8_t* bytes, int size) {
  std::vector<std::uint8_t> out;
  std::uint32_t ticket = 0;
  const bool write = page.scores().Merge(
      Found(kind), {bytes, static_cast<std::size_t>(size)}, out, ticket);
  merged.assign(3 + (out.size() + 3) / 4, 0);
  merged[0] = write ? 1 : 0;
  merged[1] = ticket;
  merged[2] = static_cast<std::uint32_t>(out.size());
  if (!out.empty())
    std::copy(out.begin(), out.end(),
              reinterpret_cast<std::uint8_t*>(&merged[3]));
  return merged.data();
}

EMSCRIPTEN_KEEPALIVE void ts_web_scores_stored(int ticket,
                                               const std::uint8_t* bytes,
                                               int size) {
  page.scores().Stored(static_cast<std::uint32_t>(ticket),
                       {bytes, static_cast<std::size_t>(size)});
}

EMSCRIPTEN_KEEPALIVE void ts_web_scores_seen(const std::uint8_t* bytes,
                                             int size) {
  page.scores().Seen({bytes, static_cast<std::size_t>(size)});
}

}  // extern "C"

int main() {
  // The page put the pictures here; Score.dat is the page's to keep (the
  // path only names it).
  if (chdir("/game") != 0) base::Say("/game: %s", std::strerror(errno));
  base::SetScoreFilePath(std::string("/save/") + base::kScoreFileName);

  const int kind = JsStoredKind();
  std::vector<std::uint8_t> stored(static_cast<std::size_t>(JsStoredSize()));
  JsStoredCopy(stored.data());
  page.scores().Start(Found(kind), stored);

  std::vector<char> names(static_cast<std::size_t>(JsSoundNamesSize()));
  JsSoundNamesCopy(names.data(), static_cast<int>(names.size()));
  std::vector<std::string> list;
  std::string name;
  for (const char* c = names.data(); *c; ++c) {
    if (*c == '\n') {
      list.push_back(name);
      name.clear();
    } else {
      name += *c;
    }
  }
  if (!name.empty()) list.push_back(name);
  page.SetSoundNames(list);

  page.StartRun();
  JsReady();
  emscripten_request_animation_frame_loop(OnAnimationFrame, nullptr);
  return 0;
}
