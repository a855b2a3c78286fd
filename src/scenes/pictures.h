// Picture changes and drawing steps that several scenes share.
#pragma once
#include "base/types.h"
#include "video/rect.h"

namespace scenes {

// "OMAKETITLE.ssk" in bonus mode, else "TITLE.ssk".
const char* TitlePictureName();
// Picture, palette, then the key from the lettering's corner (0, 480).
void LoadTitlePicture(const char* name);
// A whole picture into the sheet with its colours, keyed on the colour the
// sheet then holds at `keyPixel`...
void LoadPicture(const char* name, video::Point keyPixel);
// ...or on the first coded byte of its file.
void LoadPictureKeyedOnFirstByte(const char* name);

// The game sheet as a game starts with it: "qqqqomake.ssk" keyed on its
// pixel (0, 480) in bonus mode, else "qqqq.ssk" keyed on its first pixel.
void LoadGameSheet();

// A sheet rectangle onto the screen, its key colour left out.
void DrawKeyed(video::Rect dst, video::Rect src);
// Fill of the whole screen with index 0.
void ClearScreen();
// The 320 x 240 field tile copied opaque into the four quarters, left column
// first: the play, result and ranking screens all start with it.
void DrawFieldBackground();

}  // namespace scenes
