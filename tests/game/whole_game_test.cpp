// A whole game played without a click.
#include "app/random.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "game_fixture.h"

namespace gametest {
namespace {

class WholeGame : public GameTest {};

TEST_F(WholeGame, WithNoClicksEveryEnemyLeavesAndNothingIsHit) {
  for (u32 seed : {1u, 2024u}) {
    game::ResetGame();
    app::SeedRandom(seed);
    int frames = 0;
    while (game::StepEnemies() != 0 && frames < 200000) {
      game::StepActors();
      ++frames;
    }
    EXPECT_LT(frames, 200000) << "seed " << seed;
    EXPECT_EQ(game::EnemiesPerGame, game::EnemiesSpawned);
    EXPECT_EQ(0, game::HitCount);
    for (i32 kind : {game::WalkerOne, game::WalkerTwo, game::Flyer}) {
      EXPECT_EQ(0, CountLive(kind));
    }
    // No enemy was ever hit, so none exploded.
    EXPECT_EQ(0, CountLive(game::Blast));
  }
}

}  // namespace
}  // namespace gametest
