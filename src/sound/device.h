// The device side of the sound: what a back end's audio output calls.
#pragma once
#include <cstdint>

namespace sound {

// The format the device wants: rate in Hz, 1 (mono) or 2 (stereo) channels.
// Set it before the device starts pulling. The recordings are resampled to
// the rate when they are loaded; a new rate makes the loaded ones again.
void SetOutputFormat(int rate, int channels);
// Fills `frames` frames of signed 16-bit samples (interleaved when stereo)
// and moves every playing channel on. Called from the audio thread; it
// allocates and frees nothing, and holds the mixer's lock only to read the
// channels before mixing and to write their positions back after.
void MixAudio(int16_t* out, int frames);
// Holds the output still (true) or lets it play on. A hold fades the whole
// mix out over kEdgeFadeMs and then keeps every channel where it was,
// giving silence; letting go fades it back in from there. Pausing,
// resuming and closing a device go through this, so none of them clicks.
inline constexpr int kEdgeFadeMs = 8;
void HoldOutput(bool hold);
// True once a hold's fade has been mixed and only silence follows.
bool OutputSilent();
// Moves every playing channel on by `frames` output frames without mixing:
// the silent device of the headless runs, cheap enough for every frame.
void AdvanceChannels(int frames);

}  // namespace sound
