#include "ui/network_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

}  // namespace

TEST(NetworkWatch, ThirdConsecutiveFailureReportsOnceAbout200MsAfterTheFirst) {
  std::atomic<bool> stop{false};
  std::vector<Clock::time_point> checks;
  std::vector<Clock::time_point> reports;
  const bool reported = WatchNetwork(
      stop,
      [&] {
        checks.push_back(Clock::now());
        return false;
      },
      [&] {
        reports.push_back(Clock::now());
        return true;
      });
  EXPECT_TRUE(reported);
  ASSERT_EQ(checks.size(), 3u);
  ASSERT_EQ(reports.size(), 1u);
  const long long delay = MillisecondsBetween(checks.front(), reports.front());
  EXPECT_GE(delay, 190);
  EXPECT_LE(delay, 400);
}

TEST(NetworkWatch, AConnectionBetweenFailuresStartsTheCountAgain) {
  std::atomic<bool> stop{false};
  // Offline, offline, online, then offline for good: the loss is reported at the sixth check.
  const std::vector<bool> answers = {false, false, true, false, false, false};
  size_t asked = 0;
  int reports = 0;
  WatchNetwork(
      stop, [&] { return asked < answers.size() ? answers[asked++] : (++asked, false); },
      [&] {
        ++reports;
        return true;
      });
  EXPECT_EQ(asked, 6u);
  EXPECT_EQ(reports, 1);
}

TEST(NetworkWatch, StopFlagSetFirstMeansNoCheckNoReportAndPromptJoin) {
  std::atomic<bool> stop{true};
  int checks = 0, reports = 0;
  const Clock::time_point start = Clock::now();
  std::thread watcher([&] {
    WatchNetwork(
        stop,
        [&] {
          ++checks;
          return false;
        },
        [&] {
          ++reports;
          return true;
        });
  });
  watcher.join();
  EXPECT_LT(MillisecondsBetween(start, Clock::now()), 50);
  EXPECT_EQ(checks, 0);
  EXPECT_EQ(reports, 0);
}

TEST(NetworkWatch, StopWhileOfflineEndsWithoutReport) {
  std::atomic<bool> stop{false};
  std::atomic<int> checks{0}, reports{0};
  std::thread watcher([&] {
    WatchNetwork(
        stop,
        [&] {
          ++checks;
          return false;
        },
        [&] {
          ++reports;
          return true;
        });
  });
  while (checks < 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  stop = true;
  const Clock::time_point stopped = Clock::now();
  watcher.join();
  EXPECT_LE(MillisecondsBetween(stopped, Clock::now()), 150) << "at most one poll period";
  EXPECT_EQ(reports, 0);
  EXPECT_LE(checks, 2);
}

TEST(NetworkWatch, RefusedReportEndsTheWatchUnreported) {
  std::atomic<bool> stop{false};
  EXPECT_FALSE(WatchNetwork(stop, [] { return false; }, [] { return false; }));
}

TEST(NetworkWatch, OnlineMachineIsNeverReported) {
  std::atomic<bool> stop{false};
  std::atomic<int> checks{0};
  bool reported = true;
  std::thread watcher([&] {
    reported = WatchNetwork(
        stop,
        [&] {
          ++checks;
          return true;
        },
        [] { return true; });
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  stop = true;
  watcher.join();
  EXPECT_FALSE(reported);
  EXPECT_GE(checks, 4) << "polled every 100 ms";
}
