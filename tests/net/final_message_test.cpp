#include "net/final_message.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/refusing_queue.h"

namespace {

constexpr UINT kFinal = WM_USER + 901;

class FinalMessage : public ::testing::Test {
 protected:
  void SetUp() override {
    g_refusalsLeft = 0;
    g_postAttempts = 0;
    window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
  }
  int Queued(WPARAM& wParam) {
    int count = 0;
    MSG message;
    while (PeekMessageW(&message, window, kFinal, kFinal, PM_REMOVE)) {
      ++count;
      wParam = message.wParam;
    }
    return count;
  }

  HWND window = nullptr;
  std::atomic<uint8_t> stop{0};
};

}  // namespace

TEST_F(FinalMessage, RefusedPostIsTriedAgainUntilTaken) {
  g_refusalsLeft = 3;
  EXPECT_TRUE(PostFinalMessage(window, kFinal, 7, 0, stop, RefusingPoster));
  EXPECT_EQ(g_postAttempts, 4);
  WPARAM wParam = 0;
  EXPECT_EQ(Queued(wParam), 1);
  EXPECT_EQ(wParam, 7u);
}

TEST_F(FinalMessage, GoneWindowEndsTheAttempts) {
  g_refusalsLeft = 1 << 30;
  DestroyWindow(window);
  EXPECT_FALSE(PostFinalMessage(window, kFinal, 0, 0, stop, RefusingPoster));
  EXPECT_EQ(g_postAttempts, 1);
}

TEST_F(FinalMessage, StopFlagEndsTheAttempts) {
  g_refusalsLeft = 1 << 30;
  std::thread stopper([this] {
    while (g_postAttempts < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = 1;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(PostFinalMessage(window, kFinal, 0, 0, stop, RefusingPoster));
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  WPARAM wParam = 0;
  EXPECT_EQ(Queued(wParam), 0);
}

TEST_F(FinalMessage, FirstPostThatIsTakenIsTheOnlyOne) {
  EXPECT_TRUE(PostFinalMessage(window, kFinal, 0, 0, stop));
  WPARAM wParam = 1;
  EXPECT_EQ(Queued(wParam), 1);
}
