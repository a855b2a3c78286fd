// <windows.h>, for the files that need it. It defines ReplaceFile as a macro
// (for ReplaceFileA or ReplaceFileW), which would rename the game's own
// functions of that name in one file and not in another: it is undefined
// here, and windows.h is included through this header only.
#pragma once
#include <windows.h>
#undef ReplaceFile
