// The recordings compiled into the executable: a table of WAVE resources
// made at build time from the files the sound generator writes.
#pragma once
#include <limits>

namespace sound {

struct WaveResource {
  const char* type;  // "WAVE"
  const char* name;
  const unsigned char* data;
  unsigned size;
  // Its loudness as MeasureLoudness gives it, measured when the table was
  // made, so the game does not measure at play time; NaN: not measured.
  double loudness = std::numeric_limits<double>::quiet_NaN();
};

// Replaces the resource table LoadWaveChannel searches (tests install small
// synthetic recordings this way); nullptr puts the built-in table back. The
// table must outlive its use.
void SetWaveResources(const WaveResource* table, int count);
// The resource of type "WAVE" with that name, or nullptr.
const WaveResource* FindWaveResource(const char* name);

}  // namespace sound

namespace resources {
extern const sound::WaveResource kWaveResources[];
extern const int kWaveResourceCount;
}  // namespace resources
