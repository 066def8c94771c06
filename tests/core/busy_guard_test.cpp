// The busy flag's guard: one holder at a time, cleared only by the holder.
#include <gtest/gtest.h>

#include "app/busy_guard.h"

namespace {

TEST(BusyGuardTest, OneHolderAtATimeAndTheFlagClearsWithIt) {
  bool busy = false;
  {
    CBusyGuard command(busy);
    EXPECT_TRUE(command.Held());
    EXPECT_TRUE(busy);
    {
      CBusyGuard nested(busy);  // a second command while the first runs
      EXPECT_FALSE(nested.Held());
    }
    EXPECT_TRUE(busy);  // the refused guard leaves the holder's flag alone
  }
  EXPECT_FALSE(busy);
}

TEST(BusyGuardTest, AFlagSetElsewhereStaysSet) {
  bool busy = true;  // a shell request set it by hand
  { CBusyGuard command(busy); }
  EXPECT_TRUE(busy);
}

}  // namespace
