#include "controls/AbNumSpin.h"

#include <gtest/gtest.h>

TEST(AbNumSpin, Builds) { SUCCEED(); }
