#include "wire/RestoreOnExit.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

TEST(RestoreOnExit, SetsTheValueWhenTheScopeEndsNormallyOrByAnException) {
  bool flag = false;
  {
    TRestoreOnExit reset(flag, false);
    flag = true;
  }
  EXPECT_FALSE(flag);

  std::function<int()> handler = [] { return 7; };
  EXPECT_THROW(
      {
        TRestoreOnExit restore(handler, std::move(handler));
        handler = nullptr;
        throw std::runtime_error("failed while the handler was away");
      },
      std::runtime_error);
  ASSERT_TRUE(handler);
  EXPECT_EQ(handler(), 7);
}
