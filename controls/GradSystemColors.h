#pragma once

#include "controls/NumEditTypes.h"

// The RGB value ($00BBGGRR) a colour stands for now: itself, or for a system colour (high byte set)
// the current colour of the application palette's role that plays that part.
TColor GradColorToRGB(TColor color);
