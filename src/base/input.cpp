#include "base/input.h"

#include "base/scene.h"

namespace base {

TS_INPUT_GLOBALS(TS_DEFINE_GLOBAL)
Scene CurrentScene = nullptr;

}  // namespace base
