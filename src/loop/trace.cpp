#include "loop/trace.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/crc32.h"
#include "base/random.h"
#include "base/say.h"
#include "base/scores.h"
#include "game/actors.h"
#include "loop/main_loop.h"
#include "scenes/scenes.h"
#include "sound/sound_log.h"
#include "video/video.h"

namespace loop {

namespace {

// The line is built by plain appends: it is written once a scene call, and
// a format for each of its hundred-odd fields cost more than the digests'
// smaller parts.
class Line {
 public:
  explicit Line(std::string& out) : out_(out) { out_.clear(); }

  void Add(const char* format, ...)
      __attribute__((format(TS_PRINTF_FORMAT, 2, 3))) {
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0) out_.append(text, std::min<std::size_t>(n, sizeof text - 1));
  }
  Line& Text(const char* text) {
    out_ += text;
    return *this;
  }
  Line& Number(long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out_.append(digits, end);
    return *this;
  }
  // Eight lower-case hexadecimal digits.
  Line& Hex(std::uint32_t value) {
    char digits[8];
    for (int i = 7; i >= 0; --i, value >>= 4) {
      digits[i] = "0123456789abcdef"[value & 15];
    }
    out_.append(digits, 8);
    return *this;
  }
  // One global of the "g" object, whatever its integer type. There are
  // dozens a line.
  void Field(const char* name, long long value) {
    if (!first_) out_ += ',';
    out_ += '"';
    out_ += name;
    out_ += "\":";
    Number(value);
    first_ = false;
  }

 private:
  std::string& out_;
  bool first_ = true;
};

std::uint32_t ScreenCrc() {
  if (!video::BackSurface) return 0;
  const video::Surface& screen = *video::BackSurface;
  // Rows packed: one call (the same digest as row by row, without a start
  // and an end for each).
  if (screen.pitch == video::kScreenWidth) {
    return base::Crc32(0, screen.pixels,
                       std::size_t(video::kScreenWidth) * video::kScreenHeight);
  }
  std::uint32_t crc = 0;
  for (int y = 0; y < video::kScreenHeight; ++y) {
    crc = base::Crc32(crc, screen.Row(y), video::kScreenWidth);
  }
  return crc;
}

std::uint32_t PaletteCrc() {
  // The palette changes only now and then (fades, a new picture): the
  // digest of the last one is kept.
  static video::PaletteEntry last[256];
  static std::uint32_t lastCrc = 0;
  static bool known = false;
  if (known && std::memcmp(last, video::ScreenPalette, sizeof last) == 0) {
    return lastCrc;
  }
  std::memcpy(last, video::ScreenPalette, sizeof last);
  known = true;
  std::uint8_t rgb[768];
  for (int i = 0; i < 256; ++i) {
    rgb[3 * i] = video::ScreenPalette[i].red;
    rgb[3 * i + 1] = video::ScreenPalette[i].green;
    rgb[3 * i + 2] = video::ScreenPalette[i].blue;
  }
  lastCrc = base::Crc32(0, rgb, sizeof rgb);
  return lastCrc;
}

void AddActors(Line& l) {
  l.Add(",\"actors\":[");
  bool first = true;
  for (int i = 0; i < game::kPoolSize; ++i) {
    const game::Actor& a = game::ActorPool[i];
    if (a.active != 1) continue;
    l.Add("%s[%d,%d,%.9g,%.9g,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d]",
          first ? "" : ",", i, a.kind, static_cast<double>(a.x),
          static_cast<double>(a.y), a.height, a.heading, a.speed, a.hopPhase,
          a.frame, a.frameStep, a.frameTimer, a.age, a.hit, a.targetX,
          a.targetY);
    first = false;
  }
  l.Add("]");
}

}  // namespace

void TraceLine(std::string& out, bool withActors) {
  Line l(out);
  l.Text("{\"frame\":").Number(SceneCalls).Text(",\"scene\":\"");
  l.Text(scenes::SceneName(LastScene)).Text("\",\"next\":\"");
  l.Text(scenes::SceneName(base::CurrentScene)).Text("\",\"in\":[");
  for (int i = 0; i < 4; ++i) l.Text(i ? "," : "").Number(LastSceneInput[i]);
  l.Text("],\"rng\":").Number(base::RandomState).Text(",\"g\":{");
#define TS_TRACE_SCENE(type, name, start) l.Field(#name, scenes::name);
#define TS_TRACE_GAME(type, name, start) l.Field(#name, game::name);
#define TS_TRACE_SETTING(type, name, start) l.Field(#name, base::name);
#define TS_TRACE_VIDEO(type, name, start) l.Field(#name, video::name);
  TS_SCENE_GLOBALS(TS_TRACE_SCENE)
  TS_GAME_COUNTERS(TS_TRACE_GAME)
  TS_SETTINGS(TS_TRACE_SETTING)
  TS_VIDEO_GLOBALS(TS_TRACE_VIDEO)
#undef TS_TRACE_SCENE
#undef TS_TRACE_GAME
#undef TS_TRACE_SETTING
#undef TS_TRACE_VIDEO
  l.Text("},\"scores\":[");
  for (int i = 0; i < 10; ++i) l.Text(i ? "," : "").Number(base::HighScores[i]);
  // The pool is hashed as laid out: seventeen little-endian four-byte
  // fields per record, floats as their bits.
  static_assert(sizeof(game::ActorPool) == 34816);
  l.Text("],\"pool\":\"")
      .Hex(base::Crc32(0, game::ActorPool, sizeof game::ActorPool));
  l.Text("\",\"screen\":\"").Hex(ScreenCrc());
  l.Text("\",\"palette\":\"").Hex(PaletteCrc()).Text("\",\"sound\":[");
  for (int i = 0; i < sound::SoundLogCount; ++i) {
    l.Text(i ? ",[" : "[").Number(sound::SoundLog[i].channel).Text(",");
    l.Number(sound::SoundLog[i].command).Text("]");
  }
  l.Text("]");
  if (withActors) AddActors(l);
  l.Text("}\n");
}

}  // namespace loop
