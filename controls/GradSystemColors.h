#pragma once
// The RGB value of a colour that may name a system colour, for the gradient controls.
#include "controls/NumEditTypes.h"

// The RGB value ($00BBGGRR) a colour stands for now: itself, or for a system colour (high byte set)
// the current colour of the application palette's role that plays that part.
TColor GradColorToRGB(TColor color);
