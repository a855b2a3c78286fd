// The scenes' progress variables and the names the trace gives the scenes.
#include "scenes/scenes.h"

namespace scenes {

TS_SCENE_GLOBALS(TS_DEFINE_GLOBAL)

const char* SceneName(base::Scene scene) {
  struct Named {
    base::Scene scene;
    const char* name;
  };
  static const Named names[] = {
      {OpeningScene, "OpeningScene"}, {TitleScene, "TitleScene"},
      {MenuScene, "MenuScene"},       {PlayScene, "PlayScene"},
      {BossKeyScene, "BossKeyScene"}, {ResultScene, "ResultScene"},
      {RankingScene, "RankingScene"},
  };
  for (const Named& n : names) {
    if (n.scene == scene) return n.name;
  }
  return "None";
}

}  // namespace scenes
