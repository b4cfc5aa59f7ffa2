#include "ui/network_watch.h"

#include <thread>

bool WatchNetwork(const std::atomic<bool>& stop, const std::function<bool()>& isConnected,
                  const std::function<bool()>& report) {
  int failures = 0;
  while (!stop) {
    if (isConnected()) {
      failures = 0;
    } else if (failures >= 2) {
      return !stop && report();
    } else {
      ++failures;
    }
    if (stop) break;
    std::this_thread::sleep_for(kNetworkPollPeriod);
  }
  return false;
}
