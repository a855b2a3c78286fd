// Scenes: a function that draws and advances one frame. The frame loop calls
// the current one; a scene moves the game on by storing another.
#pragma once

namespace base {

using Scene = void (*)();

extern Scene CurrentScene;

}  // namespace base
