#include "system/browser_command.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kAddress = L"http://www.example.test/qlv/download/?type=student";

TEST(BrowserCommand, QuotedPlaceholderAndWhatFollowsGiveWayToABlankAndTheAddress) {
  EXPECT_EQ(BuildBrowserCommand(L"\"C:\\Program Files\\Browser\\browser.exe\" -osint -url \"%1\" --new-tab", kAddress),
            L"\"C:\\Program Files\\Browser\\browser.exe\" -osint -url  " + kAddress);
}

TEST(BrowserCommand, BarePlaceholderAndWhatFollowsGiveWayToABlankAndTheAddress) {
  EXPECT_EQ(BuildBrowserCommand(L"C:\\Browser\\browser.exe -nohome %1 -extra", kAddress),
            L"C:\\Browser\\browser.exe -nohome  " + kAddress);
}

TEST(BrowserCommand, CommandWithoutPlaceholderGetsABlankAndTheAddress) {
  EXPECT_EQ(BuildBrowserCommand(L"\"C:\\Browser\\browser.exe\"", kAddress), L"\"C:\\Browser\\browser.exe\" " + kAddress);
}

TEST(BrowserCommand, QuotedPlaceholderIsPreferredToAnEarlierBareOne) {
  EXPECT_EQ(BuildBrowserCommand(L"browser.exe %1 \"%1\"", kAddress), L"browser.exe %1  " + kAddress);
}

TEST(BrowserCommand, LongCommandIsKeptWhole) {
  const std::wstring program = L"C:\\" + std::wstring(600, L'b') + L".exe";
  const std::wstring command = BuildBrowserCommand(program + L" \"%1\"", kAddress);
  EXPECT_EQ(command, program + L"  " + kAddress);
}

}  // namespace
