// Helpers for the sound tests: a platform whose audio device we control and
// small recordings made on the spot.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/quiet_platform.h"
#include "sound/sound.h"

namespace soundtest {

// The quiet platform, with a device that can be missing and counts its use.
class FakeAudio final : public platform::QuietPlatform {
 public:
  explicit FakeAudio(bool hasDevice = true) : hasDevice_(hasDevice) {}
  bool OpenAudio() override {
    ++opens;
    return hasDevice_;
  }
  void CloseAudio() override { ++closes; }

  int opens = 0;
  int closes = 0;

 private:
  bool hasDevice_;
};

// A canonical 44-byte-header WAVE file around `data`.
inline std::vector<unsigned char> MakeWave(
    int channels, unsigned rate, int bits,
    const std::vector<unsigned char>& data) {
  std::vector<unsigned char> w;
  auto u16 = [&](unsigned v) {
    w.push_back(v & 0xFF);
    w.push_back((v >> 8) & 0xFF);
  };
  auto u32 = [&](unsigned v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
  unsigned block = unsigned(channels * bits / 8);
  tag("RIFF");
  u32(unsigned(36 + data.size()));
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(unsigned(channels));
  u32(rate);
  u32(rate * block);
  u16(block);
  u16(unsigned(bits));
  tag("data");
  u32(unsigned(data.size()));
  w.insert(w.end(), data.begin(), data.end());
  return w;
}

// Little-endian bytes of 16-bit samples.
inline std::vector<unsigned char> Bytes16(const std::vector<int16_t>& s) {
  std::vector<unsigned char> b;
  for (int16_t v : s) {
    b.push_back(uint16_t(v) & 0xFF);
    b.push_back(uint16_t(v) >> 8);
  }
  return b;
}

// Resources installed for one test; the table points into this object.
struct Resources {
  std::vector<std::string> names;
  std::vector<std::vector<unsigned char>> bytes;
  std::vector<sound::WaveResource> table;

  void Add(const std::string& name, std::vector<unsigned char> data) {
    names.push_back(name);
    bytes.push_back(std::move(data));
  }
  void Install() {
    table.clear();
    for (size_t i = 0; i < names.size(); ++i) {
      table.push_back({"WAVE", names[i].c_str(), bytes[i].data(),
                       unsigned(bytes[i].size())});
    }
    sound::SetWaveResources(table.data(), int(table.size()));
  }
};

// Mixes `frames` frames of the current output format.
inline std::vector<int16_t> Mix(int frames, int channels = 2) {
  std::vector<int16_t> out(size_t(frames) * channels, 12345);
  sound::MixAudio(out.data(), frames);
  return out;
}

}  // namespace soundtest
