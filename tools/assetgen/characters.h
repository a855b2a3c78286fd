// The enemies: round creatures drawn as lit spheres whose faces and markings
// are painted on the sphere, so one description serves all eight facings.
#pragma once
#include "raster.h"

namespace assetgen {

enum class Pattern {
  kPlain,    // one colour, a leaf on top
  kEars,     // long ears
  kPenguin,  // dark back, white face and belly, beak
  kSnowman,  // white with a scarf and a carrot nose
  kBat,      // flyer with membrane wings and little horns
  kBird,     // flyer with feathered wings and a crest
};

struct CreatureStyle {
  Pattern pattern = Pattern::kPlain;
  Color body, belly, outline, feet, accent;
  float radius = 17;
};

// Facing of sheet row 1..8: row 1 up the screen, 3 left, 5 down, 7 right.
// Returns the azimuth seen from the player: 0 faces the viewer, +pi/2 right.
float RowAzimuth(int row);

// Draws a walker's hop picture `frame` (0..7, 0 and 7 on the ground) or a
// flyer's wing-beat picture in a 64 x 64 cell whose top-left is (ox, oy).
void DrawCreature(Image& im, int ox, int oy, const CreatureStyle& style,
                  int row, int frame);

// The standard casts of the two sheets.
CreatureStyle WalkerOneStyle(bool bonus);
CreatureStyle WalkerTwoStyle(bool bonus);
CreatureStyle FlyerStyle(bool bonus);

}  // namespace assetgen
