// The recordings compiled into the executable: a table of WAVE resources
// made at build time from the files the sound generator writes.
#pragma once

namespace sound {

struct WaveResource {
  const char* type;  // "WAVE"
  const char* name;
  const unsigned char* data;
  unsigned size;
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
