#include "common/progress.h"

#include <gtest/gtest.h>

TEST(CancelFlag, NullFlagNeverCancels) {
  EXPECT_FALSE(folian::Cancelled(nullptr));
  folian::CancelFlag flag{false};
  EXPECT_FALSE(folian::Cancelled(&flag));
  flag = true;
  EXPECT_TRUE(folian::Cancelled(&flag));
}
