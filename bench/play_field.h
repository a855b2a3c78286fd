// A play field for the frame benchmarks: the real sheet, a pool of actors
// in mid-game, and one frame of play as the play scene runs it.
#pragma once

namespace bench {

// Every record live (full) or a typical field of ten enemies and their
// effects; remembers the field for RestoreField.
void PrepareField(bool full);
// Back to the field PrepareField left, so every frame does the same work.
void RestoreField();
// A frame of the play scene as the frame loop runs it, with a shot.
void PlayFrame();

}  // namespace bench
