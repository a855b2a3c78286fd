#include <cstdint>

#include "platform/system/null_platform.h"
#include "sound/device.h"
#include "sound/sound.h"
#include "sound/wave_resources.h"

// Any bytes as the one recording a channel is filled from: refused or
// played, never read past their end.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  static platform::NullPlatform device;
  if (!sound::SoundDeviceOpen()) {
    platform::SetCurrent(&device);
    sound::InitSound();
  }
  const sound::WaveResource table[] = {
      {"WAVE", "X", data, static_cast<unsigned>(size)}};
  sound::SetWaveResources(table, 1);
  if (sound::LoadWaveChannel(0, "X")) {
    sound::DuplicateChannel(1, 0);
    sound::SoundCommand(0, -1, 0);
    sound::SoundCommand(1, 1, 30000);
    std::int16_t out[2 * 512];
    sound::SetOutputFormat(44100, 2);
    sound::MixAudio(out, 512);
    sound::SoundCommand(0, 0, 0);
    sound::SoundCommand(1, 0, 0);
  }
  sound::SetWaveResources(nullptr, 0);
  return 0;
}
