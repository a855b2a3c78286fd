// The player's volumes: what the volume keys, the command line and the
// settings file set.
#pragma once

namespace sound {

// Each volume 0 (silent) to 100 (full), and mute. The music is one channel
// (kMusicChannel); the effects are every other. Changes glide in over a few
// milliseconds, so turning them never clicks. They are the player's, not
// the run's: resetting the sound for a new run leaves them as they are.
struct Volumes {
  int master = 100;
  int music = 100;
  int effects = 100;
  bool mute = false;
};
Volumes GetVolumes();
// Values outside 0 to 100 are brought inside.
void SetVolumes(const Volumes& volumes);

// Each step of a volume is the same step in loudness: 100 is full, every 10
// less is 3 dB softer, 0 is silent.
inline constexpr double kVolumeDbPerStep = 0.3;

// The player's volume keys, whichever keys a back end gives them: Mute
// mutes and unmutes (not again while the key repeats); Down and Up turn the
// master volume 10 (3 dB) down or up, unmuting.
enum class VolumeStep { Mute, Down, Up };
void StepVolume(VolumeStep step, bool repeat);

// The volume options of a command line at argv[i]: --volume N (master),
// --music-volume N, --effects-volume N (0 to 100) and --mute, into
// `volumes`. Returns how many arguments it took: 0 when argv[i] is none of
// them, -1 with `error` set when its value is missing or not 0 to 100.
int ParseVolumeOption(int argc, char** argv, int i, Volumes& volumes,
                      const char*& error);

}  // namespace sound
