#include "net/server_clock.h"

#include <gtest/gtest.h>

TEST(ServerClock, ElapsedTicksAcrossTheWrapAreCountedInUnsignedArithmetic) {
  // Stored 4096 ms before the counter wraps, read at 4000 ms after: 8096 ms later.
  EXPECT_EQ(ServerClockNow(1000, 0xFFFFFFFFu - 4095u, 4000u), 1008);
}

TEST(ServerClock, WholeSecondsOnly) {
  EXPECT_EQ(ServerClockNow(1000, 5000u, 5999u), 1000);
  EXPECT_EQ(ServerClockNow(1000, 5000u, 6000u), 1001);
}

TEST(ServerClock, BeforeAnySyncItCountsSecondsSinceSystemStart) {
  EXPECT_EQ(ServerClockNow(0, 0u, 123456u), 123);
}
