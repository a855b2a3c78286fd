// The SDL audio device and the sound check.
#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

#if defined(__linux__)
#include <dlfcn.h>
#endif

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "base/say.h"
#include "platform/system/null_platform.h"
#include "sound/device.h"
#include "sound/sound.h"

namespace platform {

namespace {

SDL_AudioDeviceID audioDevice = 0;
int deviceChannels = 2;
int deviceRate = 44100;
int deviceFrames = 2048;

// The device's queue: about 46 ms. Shorter ones (12 ms was tried) run dry
// on a loaded desktop and click. SDL's ALSA output keeps two buffers of
// the size asked for, the sound servers one.
int BufferFrames(const char* driver) {
  return driver && SDL_strcmp(driver, "alsa") == 0 ? 1024 : 2048;
}

#if defined(__linux__)
void Quiet(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints its own lines on stderr for every card it looks for and
// does not find (eight on a machine with none); the game says it once.
void SilenceAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_NOW);
  if (!alsa) return;
  using Handler =
      void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(
          dlsym(alsa, "snd_lib_error_set_handler"))) {
    set(Quiet);
  }
  // Kept loaded: the handler lives in the library SDL uses next.
}
#else
void SilenceAlsa() {}
#endif

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

namespace {
// SDL's sound, started ahead of the device: 1 started, -1 refused (with
// SDL's reason), 0 not tried or closed since.
int audioStarted = 0;
std::string audioRefused;
}  // namespace

void PrepareSdlAudio() {
  if (audioStarted) return;
  SetSdlAppName();
  SilenceAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    audioStarted = 1;
  } else {
    audioStarted = -1;
    audioRefused = SDL_GetError();
  }
}

bool OpenSdlAudio() {
  if (audioDevice) return true;
  PrepareSdlAudio();
  if (audioStarted < 0) {
    base::Say("no sound (%s); playing silent", audioRefused.c_str());
    audioStarted = 0;
    return false;
  }
  SDL_AudioSpec want{}, have{};
  want.freq = 44100;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(BufferFrames(SDL_GetCurrentAudioDriver()));
  want.callback = PullMix;
  audioDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                    SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (!audioDevice) {
    base::Say("no sound device (%s); playing silent", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioStarted = 0;
    return false;
  }
  deviceChannels = have.channels;
  deviceRate = have.freq;
  deviceFrames = have.samples;
  sound::SetOutputFormat(have.freq, have.channels);
  sound::HoldOutput(false);
  SDL_PauseAudioDevice(audioDevice, 0);
  return true;
}

void CloseSdlAudio() {
  if (!audioDevice) return;
  // The sound fades out first, and what the device still holds plays out
  // (two of its buffers, then a little), so closing does not click.
  sound::HoldOutput(true);
  const Uint64 limit = SDL_GetTicks64() + 300;
  while (!sound::OutputSilent() && SDL_GetTicks64() < limit) SDL_Delay(2);
  SDL_Delay(static_cast<Uint32>(2000 * deviceFrames / deviceRate + 10));
  // Waits for a pull in progress, so the mixer is idle afterwards.
  SDL_CloseAudioDevice(audioDevice);
  audioDevice = 0;
  sound::HoldOutput(false);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioStarted = 0;
}

void PauseSdlAudio(bool pause) {
  // The device plays on (silence, once the fade is done): stopping it would
  // cut off what it holds.
  if (audioDevice) sound::HoldOutput(pause);
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
  if (!sound::InitSound()) return 1;  // (OpenSdlAudio said why)
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
