// The headless back end: messages from a script, frames into a trace.
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "app/input.h"
#include "app/main_loop.h"
#include "app/random.h"
#include "app/scores.h"
#include "game/actors.h"
#include "platform/headless/headless.h"
#include "platform/headless/quiet_platform.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/video.h"

namespace headless {

namespace {

using platform::Message;
using platform::MsgType;

std::uint32_t Crc(const void* data, std::size_t size) {
  return static_cast<std::uint32_t>(
      crc32(0L, static_cast<const Bytef*>(data), static_cast<uInt>(size)));
}

// Appends formatted text to a line being built; lines stay far below this.
struct Line {
  char text[1 << 16];
  std::size_t used = 0;
  void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text + used, sizeof text - used, format, args);
    va_end(args);
    if (n > 0) used = std::min(sizeof text - 1, used + std::size_t(n));
  }
};

class HeadlessPlatform final : public platform::QuietPlatform {
 public:
  HeadlessPlatform(const Options& options, std::vector<ScriptEvent> events,
                   FILE* trace)
      : options_(options), events_(std::move(events)), trace_(trace) {}

  bool PollMessage(Message& out) override {
    if (next_ >= events_.size()) return false;
    const ScriptEvent& e = events_[next_];
    // Frame-0 events belong to the pre-game loop (and, after the click that
    // ends it, to the passes before the first scene call); an event of frame
    // F arrives in the passes right before the F-th scene call.
    const bool due =
        app::InPregame ? e.frame == 0 : e.frame <= app::SceneCalls + 1;
    if (!due) return false;
    out = e.message;
    ++next_;
    return true;
  }

  void AfterScene() override {
    if (trace_) WriteTraceLine();
    for (const auto& [frame, file] : options_.shots) {
      if (frame == app::SceneCalls) {
        if (!WritePng(file, video::BackSurface->pixels,
                      video::BackSurface->pitch, video::ScreenPalette)) {
          std::fprintf(stderr, "tumblesquash: cannot write shot \"%s\": %s\n",
                       file.c_str(), std::strerror(errno));
          shotFailed_ = true;
        }
      }
    }
  }

  bool shotFailed() const { return shotFailed_; }
  std::uint32_t lastEventFrame() const {
    return events_.empty() ? 0 : events_.back().frame;
  }

 private:
  void WriteTraceLine() {
    using namespace app;
    using namespace scenes;
    using namespace game;
    Line& l = line_;
    l.used = 0;
    l.Add("{\"frame\":%" PRIu32 ",\"scene\":\"%s\",\"next\":\"%s\"", SceneCalls,
          SceneName(LastScene), SceneName(CurrentScene));
    l.Add(",\"in\":[%" PRIu32 ",%" PRIu32 ",%" PRIu32 ",%" PRIu32 "]",
          LastSceneInput[0], LastSceneInput[1], LastSceneInput[2],
          LastSceneInput[3]);
    l.Add(",\"rng\":%" PRIu32, RandomState);
    l.Add(
        ",\"g\":{\"OpeningPhase\":%d,\"OpeningTimer\":%d,\"OpeningSpeed\":%d,"
        "\"OpeningCell\":%d,\"OpeningSize\":%d,\"OpeningStep\":%d",
        OpeningPhase, OpeningTimer, OpeningSpeed, OpeningCell, OpeningSize,
        OpeningStep);
    l.Add(
        ",\"TitlePhase\":%d,\"TitleWave\":%d,\"TitleAmplitude\":%d,"
        "\"TitleTimer\":%d,\"TitleSpin\":%d,\"TitleSwing\":%d,\"TitleIdle\":%d",
        TitlePhase, TitleWave, TitleAmplitude, TitleTimer, TitleSpin,
        TitleSwing, TitleIdle);
    l.Add(",\"MenuPhase\":%" PRIu32 ",\"FrameSkipCounter\":%d", MenuPhase,
          FrameSkipCounter);
    l.Add(",\"ResultPhase\":%" PRIu32
          ",\"ResultBannerX\":%d,\"ResultHoldFrames\":%d,"
          "\"ResultShownTotal\":%d,\"ResultShownHits\":%d,"
          "\"ResultShownShots\":%d,\"ResultShownCombo\":%d",
          ResultPhase, ResultBannerX, ResultHoldFrames, ResultShownTotal,
          ResultShownHits, ResultShownShots, ResultShownCombo);
    l.Add(
        ",\"RankingPhase\":%d,\"RankingScroll\":%d,\"RankingFade\":%d,"
        "\"RankingHold\":%d",
        RankingPhase, RankingScroll, RankingFade, RankingHold);
    l.Add(
        ",\"EnemiesSpawned\":%u,\"LiveEnemyCount\":%u,\"ExplosionChannel\":%u,"
        "\"HitCount\":%d,\"ShotCount\":%d,\"MaxCombo\":%d",
        EnemiesSpawned, LiveEnemyCount, ExplosionChannel, HitCount, ShotCount,
        MaxCombo);
    l.Add(",\"DetailLevel\":%u,\"Difficulty\":%u,\"BonusMode\":%" PRIu32
          ",\"SheetColorKey\":%u}",
          DetailLevel, Difficulty, BonusMode, video::SheetColorKey);
    l.Add(",\"scores\":[");
    for (int i = 0; i < 10; ++i) {
      l.Add("%s%" PRIu32, i ? "," : "", HighScores[i]);
    }
    // The pool is hashed as laid out: seventeen little-endian four-byte
    // fields per record, floats as their bits.
    static_assert(sizeof(ActorPool) == 34816);
    l.Add("],\"pool\":\"%08" PRIx32 "\"", Crc(ActorPool, sizeof ActorPool));
    std::uint32_t screen = 0;
    if (video::BackSurface) {
      uLong crc = crc32(0L, Z_NULL, 0);
      for (int y = 0; y < video::kScreenHeight; ++y) {
        crc = crc32(crc, video::BackSurface->Row(y), video::kScreenWidth);
      }
      screen = static_cast<std::uint32_t>(crc);
    }
    l.Add(",\"screen\":\"%08" PRIx32 "\"", screen);
    std::uint8_t rgb[768];
    for (int i = 0; i < 256; ++i) {
      rgb[3 * i] = video::ScreenPalette[i].red;
      rgb[3 * i + 1] = video::ScreenPalette[i].green;
      rgb[3 * i + 2] = video::ScreenPalette[i].blue;
    }
    l.Add(",\"palette\":\"%08" PRIx32 "\",\"sound\":[", Crc(rgb, sizeof rgb));
    for (int i = 0; i < sound::SoundLogCount; ++i) {
      l.Add("%s[%d,%d]", i ? "," : "", sound::SoundLog[i].channel,
            sound::SoundLog[i].command);
    }
    l.Add("]");
    if (options_.traceActors) {
      l.Add(",\"actors\":[");
      bool first = true;
      for (int i = 0; i < kPoolSize; ++i) {
        const Actor& a = ActorPool[i];
        if (a.active != 1) continue;
        l.Add("%s[%d,%d,%.9g,%.9g,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d]",
              first ? "" : ",", i, a.kind, static_cast<double>(a.x),
              static_cast<double>(a.y), a.height, a.heading, a.speed,
              a.hopPhase, a.frame, a.frameStep, a.frameTimer, a.age, a.hit,
              a.targetX, a.targetY);
        first = false;
        if (l.used > sizeof l.text - 256) break;
      }
      l.Add("]");
    }
    l.Add("}\n");
    std::fwrite(l.text, 1, l.used, trace_);
  }

  const Options& options_;
  std::vector<ScriptEvent> events_;
  std::size_t next_ = 0;
  FILE* trace_;
  bool shotFailed_ = false;
  Line line_;
};

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  auto number = [&](const char* text, unsigned long long limit,
                    unsigned long long& out) {
    if (!text || !*text || *text == '-') return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && out <= limit;
  };
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    unsigned long long n = 0;
    if (arg == "--seed") {
      if (!number(value, 0xFFFFFFFFull, n)) {
        error = "--seed needs a number from 0 to 4294967295";
        return false;
      }
      options.hasSeed = true;
      options.seed = static_cast<std::uint32_t>(n);
      ++i;
    } else if (arg == "--frames") {
      if (!number(value, 1ull << 40, n)) {
        error = "--frames needs a number of frames";
        return false;
      }
      options.frames = static_cast<long long>(n);
      ++i;
    } else if (arg == "--input" || arg == "--trace") {
      if (!value) {
        error = arg + " needs a file name";
        return false;
      }
      (arg == "--input" ? options.inputFile : options.traceFile) = value;
      ++i;
    } else if (arg == "--trace-actors") {
      options.traceActors = true;
    } else if (arg == "--shot") {
      const std::string v = value ? value : "";
      const std::size_t colon = v.find(':');
      if (colon == std::string::npos || colon + 1 == v.size() ||
          !number(v.substr(0, colon).c_str(), 0xFFFFFFFFull, n)) {
        error = "--shot needs FRAME:FILE.png";
        return false;
      }
      options.shots.emplace_back(static_cast<std::uint32_t>(n),
                                 v.substr(colon + 1));
      ++i;
    } else {
      error = "unknown option \"" + arg + "\"";
      return false;
    }
  }
  return true;
}

int Run(const Options& options) {
  std::vector<ScriptEvent> events = options.events;
  if (!options.inputFile.empty()) {
    std::ifstream in(options.inputFile, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "tumblesquash: cannot read input script \"%s\"\n",
                   options.inputFile.c_str());
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!ParseScript(text.str(), options.inputFile, events, error)) {
      std::fprintf(stderr, "tumblesquash: %s\n", error.c_str());
      return 2;
    }
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) {
                     return a.frame < b.frame;
                   });
  // Without a click of its own the script gets one, so the pre-game wait ends.
  const auto firstLater =
      std::find_if(events.begin(), events.end(),
                   [](const ScriptEvent& e) { return e.frame > 0; });
  const bool hasClick =
      std::any_of(events.begin(), firstLater, [](const ScriptEvent& e) {
        return e.message.type == MsgType::LButtonDown;
      });
  if (!hasClick) {
    events.insert(firstLater, {0, {MsgType::LButtonDown, 0, 0}});
  }

  FILE* trace = nullptr;
  if (!options.traceFile.empty()) {
    trace = std::fopen(options.traceFile.c_str(), "w");
    if (!trace) {
      std::fprintf(stderr, "tumblesquash: cannot write trace \"%s\": %s\n",
                   options.traceFile.c_str(), std::strerror(errno));
      return 2;
    }
    static char buffer[1 << 20];
    std::setvbuf(trace, buffer, _IOFBF, sizeof buffer);
  }

  HeadlessPlatform platform(options, events, trace);
  const long long lastFrame =
      options.frames >= 0
          ? options.frames
          : static_cast<long long>(platform.lastEventFrame()) + 10000;
  app::StartOptions start;
  start.fixedSeed = options.hasSeed;
  start.seed = options.seed;
  app::Start(platform, start);
  int code = 0;
  if (lastFrame > 0) {
    for (;;) {
      const app::StepResult r = app::Step();
      if (r == app::StepResult::Exit) {
        code = app::ExitCode();
        break;
      }
      if (r == app::StepResult::Frame &&
          static_cast<long long>(app::SceneCalls) >= lastFrame) {
        break;
      }
    }
  }
  // A run cut short by --frames still releases what it opened.
  video::ShutdownDisplay();
  sound::ReleaseSound();
  if (trace && std::fclose(trace) != 0) {
    std::fprintf(stderr, "tumblesquash: cannot write trace \"%s\"\n",
                 options.traceFile.c_str());
    return 2;
  }
  return platform.shotFailed() ? 2 : code;
}

}  // namespace headless
