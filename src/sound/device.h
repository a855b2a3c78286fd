// The device side of the sound: what a back end's audio output calls.
#pragma once
#include <cstdint>

namespace sound {

// The format the device wants: rate in Hz, 1 (mono) or 2 (stereo) channels.
// Set it before the device starts pulling.
void SetOutputFormat(int rate, int channels);
// Fills `frames` frames of signed 16-bit samples (interleaved when stereo)
// and moves every playing channel on. Called from the audio thread; it
// takes the mixer's lock and allocates nothing.
void MixAudio(int16_t* out, int frames);
// Moves every playing channel on by `frames` output frames without mixing:
// the silent device of the headless runs, cheap enough for every frame.
void AdvanceChannels(int frames);

}  // namespace sound
