// The game's five recordings, each made at exactly its frame count.
#pragma once
#include "dsp.h"

namespace soundgen {

Signal MakeBomb(int frames);
Signal MakePuti(int frames);
Signal MakeIte(int frames);
Signal MakeFall(int frames);
Signal MakeMusic(int frames);

}  // namespace soundgen
