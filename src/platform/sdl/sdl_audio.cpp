// The SDL audio device and the sound check.
#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "base/say.h"
#include "platform/system/null_platform.h"
#include "sound/device.h"
#include "sound/sound.h"

namespace platform {

namespace {

SDL_AudioDeviceID audioDevice = 0;
int deviceChannels = 2;

void PullMix(void*, Uint8* stream, int length) {
  sound::MixAudio(reinterpret_cast<int16_t*>(stream),
                  length / int(sizeof(int16_t) * deviceChannels));
}

}  // namespace

void SetSdlAppName() {
  SDL_SetHint(SDL_HINT_APP_NAME, "TumbleSquash");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "TumbleSquash");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "TumbleSquash");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Game");
}

bool OpenSdlAudio() {
  if (audioDevice) return true;
  SetSdlAppName();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{}, have{};
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 512;  // about 12 ms: a shot is heard with its frame
  want.callback = PullMix;
  audioDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                    SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (!audioDevice) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  deviceChannels = have.channels;
  sound::SetOutputFormat(have.freq, have.channels);
  SDL_PauseAudioDevice(audioDevice, 0);
  return true;
}

void CloseSdlAudio() {
  if (!audioDevice) return;
  // Waits for a pull in progress, so the mixer is idle afterwards.
  SDL_CloseAudioDevice(audioDevice);
  audioDevice = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void PauseSdlAudio(bool pause) {
  if (audioDevice) SDL_PauseAudioDevice(audioDevice, pause ? 1 : 0);
}

namespace {

// No screen; the real audio device.
class AudioOnly final : public NullPlatform {
 public:
  bool OpenAudio() override { return OpenSdlAudio(); }
  void CloseAudio() override { CloseSdlAudio(); }
};

void PlayAndWait(int channel, const char* what, Uint32 milliseconds) {
  std::printf("channel %2d: %s\n", channel, what);
  std::fflush(stdout);
  sound::SoundCommand(channel, 1, 0);
  SDL_Delay(milliseconds);
}

}  // namespace

int RunSdlSoundTest() {
  static AudioOnly device;
  SetCurrent(&device);
  if (!sound::InitSound()) {
    base::Say("no audio device");
    return 1;
  }
  sound::FillGameChannels();

  PlayAndWait(0, "BOMB", 3000);
  PlayAndWait(4, "PUTI", 700);
  PlayAndWait(5, "ITE", 700);
  PlayAndWait(6, "FALL", 1200);
  std::printf("channels 1, 2, 3, 0: four bombs over one another\n");
  for (int c : {1, 2, 3, 0}) {
    sound::SoundCommand(c, 1, 0);
    SDL_Delay(180);
  }
  SDL_Delay(3000);
  std::printf("channel 13: MUSIC, looping; listen for the seam at 0:30\n");
  std::fflush(stdout);
  sound::SoundCommand(sound::kMusicChannel, -1, 0);
  SDL_Delay(34000);
  sound::SoundCommand(sound::kMusicChannel, 0, 0);
  sound::ReleaseSound();
  return 0;
}

}  // namespace platform
