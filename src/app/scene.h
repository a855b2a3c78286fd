// Scenes: a function that draws and advances one frame.
#pragma once

namespace app {

using Scene = void (*)();

extern Scene CurrentScene;

// The scene's name as the trace shows it ("OpeningScene", ...).
const char* SceneName(Scene scene);

}  // namespace app
