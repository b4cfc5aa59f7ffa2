#include "net/progress_reporter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "net/download_messages.h"
#include "support/refusing_queue.h"

namespace {

class ProgressReporter : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    g_refusalsLeft = 0;
    g_postAttempts = 0;
  }
  void TearDown() override {
    g_refusalsLeft = 0;
    DestroyWindow(window);
  }

  // wParam of every progress report in the queue, in order.
  std::vector<WPARAM> Reports() { return TakeQueuedProgress(window); }

  HWND window = nullptr;
  std::atomic<uint8_t> stopFlag{0};
};

}  // namespace

TEST_F(ProgressReporter, FirstBytesGoOutAtOnceAndLaterOnesWaitForTheInterval) {
  CProgressReporter progress(window, ::PostMessageW, 60000);
  progress.Add(100);
  progress.Add(20);
  progress.Add(30);
  EXPECT_EQ(Reports(), std::vector<WPARAM>({100}));
  EXPECT_EQ(progress.Unreported(), 50u);
  EXPECT_TRUE(progress.Flush(stopFlag));
  EXPECT_EQ(Reports(), std::vector<WPARAM>({50}));
  EXPECT_EQ(progress.Unreported(), 0u);
}

TEST_F(ProgressReporter, AReportFollowsOnceTheIntervalHasPassed) {
  CProgressReporter progress(window, ::PostMessageW, 100);
  progress.Add(1);
  progress.Add(2);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  progress.Add(3);
  EXPECT_EQ(Reports(), std::vector<WPARAM>({1, 5}));
}

TEST_F(ProgressReporter, RefusedReportKeepsItsBytesForTheNext) {
  CProgressReporter progress(window, RefusingPoster, 0);
  g_refusalsLeft = 2;
  progress.Add(4096);
  progress.Add(10);
  EXPECT_EQ(Reports(), std::vector<WPARAM>());
  progress.Add(7);
  EXPECT_EQ(Reports(), std::vector<WPARAM>({4113}));
}

TEST_F(ProgressReporter, FlushPostsAgainWhileTheQueueRefuses) {
  CProgressReporter progress(window, RefusingPoster, 60000);
  progress.Add(1);
  progress.Add(500);
  g_refusalsLeft = 3;
  g_postAttempts = 0;
  EXPECT_TRUE(progress.Flush(stopFlag));
  EXPECT_EQ(g_postAttempts, 4);
  EXPECT_EQ(Reports(), std::vector<WPARAM>({1, 500}));
}

TEST_F(ProgressReporter, FlushGivesUpWhenTheStopFlagIsSet) {
  CProgressReporter progress(window, RefusingPoster, 60000);
  progress.Add(1);
  progress.Add(500);
  g_refusalsLeft = 1 << 30;
  stopFlag = 1;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(progress.Flush(stopFlag));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(progress.Unreported(), 500u);
}

TEST_F(ProgressReporter, NullWindowPostsNothing) {
  CProgressReporter progress(nullptr, RefusingPoster, 0);
  progress.Add(100);
  EXPECT_TRUE(progress.Flush(stopFlag));
  EXPECT_EQ(g_postAttempts, 0);
  EXPECT_EQ(progress.Unreported(), 0u);
}
