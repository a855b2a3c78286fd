// What the sound tests share: WAVE files made here, a quiet platform whose
// device can be missing, and a fixture that installs recordings and opens
// the device.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/system/null_platform.h"
#include "sound/device.h"
#include "sound/mixer.h"
#include "sound/sound.h"
#include "sound/volumes.h"
#include "sound/wave_resources.h"

namespace soundtest {

using Bytes = std::vector<unsigned char>;
using Ints = std::vector<int>;
using Samples = std::vector<int16_t>;

// A canonical 44-byte-header WAVE file (8-bit samples as unsigned bytes).
inline Bytes MakeWave(int channels, unsigned rate, int bits,
                      const Ints& samples) {
  Bytes w;
  auto put = [&](unsigned v, int n) {
    for (int i = 0; i < n; ++i) w.push_back((v >> 8 * i) & 0xFF);
  };
  auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
  unsigned block = unsigned(channels * bits / 8);
  unsigned size = unsigned(samples.size() * bits / 8);
  tag("RIFF"), put(36 + size, 4), tag("WAVE"), tag("fmt "), put(16, 4);
  put(1, 2), put(channels, 2), put(rate, 4), put(rate * block, 4);
  put(block, 2), put(bits, 2), tag("data"), put(size, 4);
  for (int v : samples) put(unsigned(v), bits / 8);
  return w;
}
// Mono 16-bit at 22050 Hz.
inline Bytes Mono(const Ints& samples) {
  return MakeWave(1, 22050, 16, samples);
}

// The quiet platform, with a device that can be missing and counts its use.
struct FakeAudio final : platform::NullPlatform {
  bool hasDevice = true;
  int opens = 0, closes = 0;
  bool OpenAudio() override { return ++opens, hasDevice; }
  void CloseAudio() override { ++closes; }
};

class SoundTest : public ::testing::Test {
 protected:
  using Recordings = std::vector<std::pair<std::string, Bytes>>;
  void TearDown() override {
    sound::SetVolumes({});
    sound::ResetSound();
  }
  // Installs the recordings, sets a stereo output at `rate` and opens the
  // device (`opened`: what opening it returns).
  void Open(Recordings r, int rate = 22050, int opened = 1) {
    recs = std::move(r);
    for (const auto& [name, b] : recs) {
      table.push_back({"WAVE", name.c_str(), b.data(), unsigned(b.size())});
    }
    sound::SetWaveResources(table.data(), int(table.size()));
    sound::SetOutputFormat(rate, 2);
    platform::SetCurrent(&audio);
    ASSERT_EQ(sound::InitSound(), opened);
  }

  FakeAudio audio;
  Recordings recs;
  std::vector<sound::WaveResource> table;
};

}  // namespace soundtest
