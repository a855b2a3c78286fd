// Everything the scenes use from the video subsystem.
#pragma once
#include "video/blit.h"
#include "video/display.h"
#include "video/fade.h"
#include "video/ssk.h"
#include "video/surface.h"
