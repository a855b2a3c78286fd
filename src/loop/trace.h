// The trace line of a scene call: the frame, the scenes, the input, the
// generator, every global by name, the scores, digests of the pool, the
// screen and the palette, the sound commands and, if asked, the live actors.
#pragma once
#include <string>

namespace loop {

// Puts the line of the scene call just made (with its newline) in `out`.
void TraceLine(std::string& out, bool withActors);

}  // namespace loop
