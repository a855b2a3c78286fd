// Display set-up and teardown.
#pragma once
#include "platform/platform.h"

namespace video {

inline constexpr const char* kFailureCaption = "TumbleSquash";
inline constexpr const char* kFailureText = "DirectDrawのセットアップに失敗";

int InitDisplay(platform::Platform& platform);
void ShutdownDisplay();
int FatalDisplayError(platform::Platform& platform);
bool DisplayUp();

}  // namespace video
