// The install window's arithmetic, free of Windows: the download percentage with its bar and
// tip, and the four-slide carousel whose colour the bar follows.
#pragma once

#include <cstdint>
#include <string>

// The bar label's client rectangle: left, top and bottom are fixed, the right edge grows with
// the percent from 42 (1 pixel wide at 0 %) to 560 (519 pixels at 100 %).
constexpr int kProgressBarLeft = 41;
constexpr int kProgressBarTop = 318;
constexpr int kProgressBarBottom = 325;
int ProgressBarRight(int percent);

// "( 42% )": blank inside each parenthesis.
std::wstring ProgressTipText(int percent);

// Bytes received against the list's declared total, and the whole percent last shown.
class CDownloadProgress {
 public:
  // Adds one reported block (the downloader reports at most 32 bits per block). True when the
  // whole percent changed and is to be shown; a percent above 100 is ignored. A total of 0 or
  // less (the manifest declared no sizes) has no percent: nothing changes until the download
  // completes.
  bool Add(uint32_t bytes, int64_t totalBytes);
  // The download has completed: 100, whatever the reports added up to.
  void Complete() { m_shownPercent = 100; }

  int ShownPercent() const { return m_shownPercent; }
  uint64_t ReceivedBytes() const { return m_receivedBytes; }

 private:
  uint64_t m_receivedBytes = 0;
  int m_shownPercent = 0;
};

constexpr int kSlideCount = 4;
constexpr int kSlideWidth = 600;  // pixels; a flip moves both slide labels by this much
constexpr int kSlideStep = 10;    // pixels per animation tick, so a flip takes 60 ticks

// Bar colour (0xAARRGGBB) that goes with slide 1 to 4; slide 1's for anything else.
uint32_t SlideBarColour(int slide);

// Timer periods of the carousel in milliseconds. Tests shorten them.
struct CarouselTimings {
  unsigned firstWaitMs = 1000;  // slide 1 before the first flip
  unsigned laterWaitMs = 3000;  // every later slide
  unsigned animationMs = 5;     // one animation tick
};

// Two slide labels take turns: the visible one slides out to the left while the waiting one
// follows it in from the right; at the end of a flip the visible one is parked at x = 600 and
// becomes the waiting one, with the image of the slide after the one now shown.
class CSlideCarousel {
 public:
  // One animation tick. False while the flip goes on (VisibleX and WaitingX tell where the
  // two labels go); true when this tick ended it: the roles have swapped, the new visible
  // label belongs at x = 0 and the new waiting one at x = 600.
  bool Tick();

  int VisibleX() const { return m_offset; }
  int WaitingX() const { return m_offset + kSlideWidth; }
  // Which of the two labels (0 or 1) is the visible slide now.
  int VisibleLabel() const { return m_visibleLabel; }
  // The slide on screen, 1 to 4, and the one the next flip brings in (1 after 4).
  int ShownSlide() const { return m_shownSlide; }
  int NextSlide() const { return m_shownSlide % kSlideCount + 1; }

 private:
  int m_offset = 0;
  int m_shownSlide = 1;
  int m_visibleLabel = 0;
};
