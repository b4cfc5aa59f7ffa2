#include "ui/install_window_texts.h"

#include <gtest/gtest.h>

#include "base/run_mode.h"

TEST(InstallWindowTexts, CaptionShowsTheProductVersionWithDots) {
  EXPECT_EQ(InstallCaptionText(RunMode::Install, L"1,2,0,5"), L"Qelvo 学生端1.2.0.5");
  EXPECT_EQ(InstallCaptionText(RunMode::Update, L"3,10,7,0"), L"Qelvo 学生端3.10.7.0");
  EXPECT_EQ(InstallCaptionText(RunMode::UpToDate, L""), L"Qelvo 学生端");
}

TEST(InstallWindowTexts, UninstallCaptionHasNoVersion) {
  EXPECT_EQ(InstallCaptionText(RunMode::Uninstall, L"1,2,0,5"), L"卸载 学生端");
}

TEST(InstallWindowTexts, VersionButtonShowsTheFirstTwoNumbers) {
  EXPECT_EQ(VersionButtonText(L"1,2,0,5"), L"V1.2");
  EXPECT_EQ(VersionButtonText(L"12,34,56,78"), L"V12.34");
}

TEST(InstallWindowTexts, MalformedVersionLeavesTheButtonEmpty) {
  EXPECT_EQ(VersionButtonText(L""), L"");
  EXPECT_EQ(VersionButtonText(L"1,2"), L"");
  EXPECT_EQ(VersionButtonText(L"1.2.0.5"), L"");
  EXPECT_EQ(VersionButtonText(L"a,b,c,d"), L"");
  EXPECT_EQ(VersionButtonText(L"1 ,2,0,5"), L"");
  EXPECT_EQ(VersionButtonText(L"1,2,0,"), L"");
}

// The numbers are read as "%d,%d,%d,%d" reads them.
TEST(InstallWindowTexts, VersionNumbersMayHaveLeadingSpaceAndTrailingText) {
  EXPECT_EQ(VersionButtonText(L" 1, 2, 0, 5"), L"V1.2");
  EXPECT_EQ(VersionButtonText(L"1,2,0,5,6"), L"V1.2");
  EXPECT_EQ(VersionButtonText(L"01,+2,0,5 beta"), L"V1.2");
}
