// Our mixer on its own, for the page's audio worklet (see sound_link.h): the
// page hands it the recordings and the game's channel changes, and the
// worklet pulls the mix one render quantum at a time.
#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/web/sound_link.h"
#include "sound/device.h"
#include "sound/mixer.h"
#include "sound/recording.h"
#include "sound/volumes.h"

namespace {

std::vector<std::shared_ptr<const sound::Recording>> recordings;
std::vector<std::string> names;
web::ChannelMirror mirror;
std::int16_t mixed[2 * 4096];
float planes[2 * 4096];
float peak = 0;

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void* ts_mixer_alloc(int bytes) {
  return std::malloc(static_cast<std::size_t>(bytes));
}

EMSCRIPTEN_KEEPALIVE void ts_mixer_free(void* p) { std::free(p); }

// A device at `rate` for `count` recordings; every voice dropped.
EMSCRIPTEN_KEEPALIVE void ts_mixer_open(int rate, int count) {
  {
    std::lock_guard<std::mutex> lock(sound::MixerLock);
    for (sound::Channel& c : sound::Channels) c = sound::Channel{};
  }
  sound::ResetMixer();
  if (sound::OutputRate != rate) {
    sound::SetOutputFormat(rate, 2);
    recordings.clear();
    names.clear();
  }
  recordings.resize(static_cast<std::size_t>(count));
  names.resize(static_cast<std::size_t>(count));
  mirror = web::ChannelMirror{};
}

// The recording numbered `number` (the game's order), a WAVE resource that
// must stay where it is. 1 when it is playable.
EMSCRIPTEN_KEEPALIVE int ts_mixer_recording(int number, const char* name,
                                            const unsigned char* wave,
                                            int size) {
  if (number < 0 || static_cast<std::size_t>(number) >= recordings.size()) {
    return 0;
  }
  names[static_cast<std::size_t>(number)] = name;
  const sound::WaveResource resource{
      "WAVE", names[static_cast<std::size_t>(number)].c_str(), wave,
      static_cast<unsigned>(size)};
  recordings[static_cast<std::size_t>(number)] = sound::LoadRecording(
      resource, sound::OutputRate, sound::LevelOf(resource.name));
  mirror.Arrived(number, sound::Channels, recordings);
  return recordings[static_cast<std::size_t>(number)] ? 1 : 0;
}

// The game's changes (sound_link.h's words); how many channels started.
EMSCRIPTEN_KEEPALIVE int ts_mixer_apply(const std::uint32_t* words, int count) {
  const int started = mirror.Apply({words, static_cast<std::size_t>(count)},
                                   sound::Channels, recordings);
  if (mirror.HasVolumes()) sound::SetVolumes(mirror.volumes());
  return started;
}

// `frames` frames as two planes of floats, left then right.
EMSCRIPTEN_KEEPALIVE float* ts_mixer_mix(int frames) {
  if (frames <= 0 || frames > 4096) return planes;
  sound::MixAudio(mixed, frames);
  for (int i = 0; i < frames; ++i) {
    planes[i] = mixed[2 * i] * (1.0f / 32768);
    planes[frames + i] = mixed[2 * i + 1] * (1.0f / 32768);
    peak = std::fmax(
        peak, std::fmax(std::fabs(planes[i]), std::fabs(planes[frames + i])));
  }
  // The mixer's leftovers, freed here between quanta (the worklet has no
  // other thread to give them to).
  std::shared_ptr<const sound::Recording> retired[sound::kRetiredCapacity];
  {
    std::lock_guard<std::mutex> lock(sound::MixerLock);
    sound::TakeRetired(retired, sound::kRetiredCapacity);
  }
  return planes;
}

// The loudest sample since the last call.
EMSCRIPTEN_KEEPALIVE float ts_mixer_peak() {
  const float p = peak;
  peak = 0;
  return p;
}

// How far the mixer's output runs behind the channels.
EMSCRIPTEN_KEEPALIVE int ts_mixer_delay() { return sound::MixDelayFrames(); }

}  // extern "C"
