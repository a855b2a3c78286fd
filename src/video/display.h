// Display set-up and teardown.
#pragma once

namespace video {

inline constexpr const char* kFailureCaption = "TumbleSquash";
inline constexpr const char* kFailureText = "DirectDrawのセットアップに失敗";

// Opens the current platform's display and makes the surfaces; 0 after a
// failure, when the failure message has been shown.
int InitDisplay();
// Releases the display; does nothing when none is up.
void ShutdownDisplay();
int FatalDisplayError();
bool DisplayUp();

}  // namespace video
