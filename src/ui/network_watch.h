// The network watcher's loop: polls the connection every 100 ms and reports the loss once,
// on the third consecutive failed check.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>

constexpr std::chrono::milliseconds kNetworkPollPeriod{100};

// Runs on the watcher thread until the stop flag is set or the loss was reported. report is
// asked to report the loss and says whether it did (the owner refuses once it is stopping).
// Returns true when the loss was reported.
bool WatchNetwork(const std::atomic<bool>& stop, const std::function<bool()>& isConnected,
                  const std::function<bool()>& report);
