// The service's clock as the installer keeps it: the last time stamp the service sent plus the
// local ticks elapsed since it arrived.
#pragma once

#include <cstdint>

// Seconds on the service's clock at tick count tickNow. Tick counts wrap after 49.7 days; the
// subtraction stays correct in unsigned arithmetic, and so does the sum.
inline int32_t ServerClockNow(int32_t serverTime, uint32_t serverTick, uint32_t tickNow) {
  const uint32_t elapsedMs = tickNow - serverTick;
  return static_cast<int32_t>(static_cast<uint32_t>(serverTime) + elapsedMs / 1000);
}
