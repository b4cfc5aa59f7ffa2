#include "ui/install_progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

TEST(DownloadProgress, ShowsEachNewWholePercentOnly) {
  CDownloadProgress progress;
  EXPECT_FALSE(progress.Add(9, 1000));  // 0 %: what is shown already
  EXPECT_TRUE(progress.Add(1, 1000));   // 1 %
  EXPECT_EQ(progress.ShownPercent(), 1);
  EXPECT_FALSE(progress.Add(9, 1000));  // 1.9 % is still 1
  EXPECT_EQ(progress.ShownPercent(), 1);
  EXPECT_TRUE(progress.Add(481, 1000));  // 50 %
  EXPECT_EQ(progress.ShownPercent(), 50);
  EXPECT_EQ(progress.ReceivedBytes(), 500u);
}

TEST(DownloadProgress, PercentAboveHundredIsIgnoredButCounted) {
  CDownloadProgress progress;
  EXPECT_TRUE(progress.Add(990, 1000));
  EXPECT_FALSE(progress.Add(20, 1000));  // 101 %
  EXPECT_EQ(progress.ShownPercent(), 99);
  EXPECT_EQ(progress.ReceivedBytes(), 1010u);
}

TEST(DownloadProgress, ZeroOrNegativeTotalChangesNothingUntilComplete) {
  CDownloadProgress progress;
  EXPECT_FALSE(progress.Add(4096, 0));
  EXPECT_FALSE(progress.Add(4096, -1));
  EXPECT_EQ(progress.ShownPercent(), 0);
  progress.Complete();
  EXPECT_EQ(progress.ShownPercent(), 100);
}

TEST(DownloadProgress, TotalsBeyondFourGibibytesUseSixtyFourBits) {
  const int64_t total = 10LL * 1024 * 1024 * 1024;  // 10 GiB
  CDownloadProgress progress;
  EXPECT_TRUE(progress.Add(0xFFFFFFFFu, total));  // just under 4 GiB: 39 %
  EXPECT_EQ(progress.ShownPercent(), 39);
  EXPECT_TRUE(progress.Add(0xFFFFFFFFu, total));  // 79 %
  EXPECT_EQ(progress.ShownPercent(), 79);
  EXPECT_FALSE(progress.Add(0xFFFFFFFFu, total));  // 119 %
  EXPECT_EQ(progress.ReceivedBytes(), 3ull * 0xFFFFFFFFull);
}

TEST(DownloadProgress, CompleteShowsHundredEvenBelowIt) {
  CDownloadProgress progress;
  progress.Add(100, 1000);
  progress.Complete();
  EXPECT_EQ(progress.ShownPercent(), 100);
}

TEST(ProgressBar, RightEdgeGrowsFromOnePixelToFiveHundredNineteen) {
  EXPECT_EQ(ProgressBarRight(0) - kProgressBarLeft, 1);
  EXPECT_EQ(ProgressBarRight(100) - kProgressBarLeft, 519);
  EXPECT_EQ(ProgressBarRight(1), 47);   // 42 + 518 / 100 = 42 + 5
  EXPECT_EQ(ProgressBarRight(50), 301);  // 42 + 259
  EXPECT_EQ(ProgressBarRight(99), 554);  // 42 + 512 (512.82 truncated)
}

TEST(ProgressBar, TipHasABlankInsideEachParenthesis) {
  EXPECT_EQ(ProgressTipText(0), L"( 0% )");
  EXPECT_EQ(ProgressTipText(42), L"( 42% )");
  EXPECT_EQ(ProgressTipText(100), L"( 100% )");
}

TEST(SlideCarousel, FlipTakesSixtyTicksOfTenPixels) {
  CSlideCarousel carousel;
  std::vector<int> visibleX;
  int ticks = 0;
  while (!carousel.Tick()) {
    ++ticks;
    visibleX.push_back(carousel.VisibleX());
    EXPECT_EQ(carousel.WaitingX(), carousel.VisibleX() + 600);
    ASSERT_LT(ticks, 100);
  }
  EXPECT_EQ(ticks + 1, 60);  // the 60th tick ends the flip
  EXPECT_EQ(visibleX.front(), -10);
  EXPECT_EQ(visibleX.back(), -590);
  EXPECT_EQ(carousel.VisibleX(), 0);
  EXPECT_EQ(carousel.WaitingX(), 600);
}

TEST(SlideCarousel, FlipsSwapTheLabelsAndWrapAfterTheFourthSlide) {
  CSlideCarousel carousel;
  EXPECT_EQ(carousel.ShownSlide(), 1);
  EXPECT_EQ(carousel.NextSlide(), 2);
  EXPECT_EQ(carousel.VisibleLabel(), 0);
  const int expectedShown[] = {2, 3, 4, 1, 2};
  const int expectedNext[] = {3, 4, 1, 2, 3};
  for (int flip = 0; flip < 5; ++flip) {
    int ticks = 0;
    while (!carousel.Tick()) ASSERT_LT(++ticks, 100);
    EXPECT_EQ(carousel.ShownSlide(), expectedShown[flip]) << flip;
    EXPECT_EQ(carousel.NextSlide(), expectedNext[flip]) << flip;
    EXPECT_EQ(carousel.VisibleLabel(), (flip + 1) % 2) << flip;
  }
}

TEST(SlideCarousel, BarColourFollowsTheSlide) {
  EXPECT_EQ(SlideBarColour(1), 0xFF3FA1FAu);
  EXPECT_EQ(SlideBarColour(2), 0xFFFE9E0Cu);
  EXPECT_EQ(SlideBarColour(3), 0xFFFD6F59u);
  EXPECT_EQ(SlideBarColour(4), 0xFF0DB841u);
  EXPECT_EQ(SlideBarColour(0), 0xFF3FA1FAu);
}
