#include "ui/install_progress.h"

#include <limits>

int ProgressBarRight(int percent) { return kProgressBarLeft + 1 + percent * 518 / 100; }

std::wstring ProgressTipText(int percent) { return L"( " + std::to_wstring(percent) + L"% )"; }

bool CDownloadProgress::Add(uint32_t bytes, int64_t totalBytes) {
  m_receivedBytes += bytes;
  if (totalBytes <= 0) return false;
  // Beyond this the product with 100 leaves signed 64-bit; far above any total anyway.
  constexpr uint64_t kLargestMultipliable = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) / 100;
  if (m_receivedBytes > kLargestMultipliable) return false;
  const int64_t percent = static_cast<int64_t>(m_receivedBytes) * 100 / totalBytes;
  if (percent == m_shownPercent || percent > 100) return false;
  m_shownPercent = static_cast<int>(percent);
  return true;
}

uint32_t SlideBarColour(int slide) {
  static const uint32_t kColours[kSlideCount] = {0xFF3FA1FA, 0xFFFE9E0C, 0xFFFD6F59, 0xFF0DB841};
  if (slide < 1 || slide > kSlideCount) slide = 1;
  return kColours[slide - 1];
}

bool CSlideCarousel::Tick() {
  m_offset -= kSlideStep;
  if (m_offset > -kSlideWidth) return false;
  m_offset = 0;
  m_shownSlide = NextSlide();
  m_visibleLabel = 1 - m_visibleLabel;
  return true;
}
