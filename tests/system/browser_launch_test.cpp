#include "system/browser_launch.h"

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kAddress = L"http://127.0.0.1:18080/html/tavoraweb_privacy.html";
const wchar_t kHtmKey[] = L"Software\\Classes\\.htm";
const wchar_t kTypeKey[] = L"Software\\Classes\\TavoraTest.HtmlDocument";

bool SetDefault(const std::wstring& subKey, const std::wstring& text, DWORD type = REG_SZ) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

// Registers a ".htm" handler for the current user and puts back what was there before.
class BrowserLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    hadHtmKey = RegOpenKeyExW(HKEY_CURRENT_USER, kHtmKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
    if (hadHtmKey) {
      std::vector<wchar_t> buffer(4096, L'\0');
      DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
      hadDefault = RegQueryValueExW(key, nullptr, nullptr, &previousType, reinterpret_cast<BYTE*>(buffer.data()),
                                    &bytes) == ERROR_SUCCESS;
      previousDefault = buffer.data();
      RegCloseKey(key);
    }
    ASSERT_TRUE(SetDefault(kHtmKey, L"TavoraTest.HtmlDocument"));
  }
  void TearDown() override {
    SHDeleteKeyW(HKEY_CURRENT_USER, kTypeKey);
    if (!hadHtmKey) {
      SHDeleteKeyW(HKEY_CURRENT_USER, kHtmKey);
    } else if (hadDefault) {
      SetDefault(kHtmKey, previousDefault, previousType);
    } else {
      SHDeleteValueW(HKEY_CURRENT_USER, kHtmKey, nullptr);
    }
  }

  void RegisterCommand(const std::wstring& command, DWORD type = REG_SZ) {
    ASSERT_TRUE(SetDefault(std::wstring(kTypeKey) + L"\\shell\\open\\command", command, type));
  }

  bool hadHtmKey = false;
  bool hadDefault = false;
  DWORD previousType = REG_SZ;
  std::wstring previousDefault;
};

TEST_F(BrowserLaunch, QuotedPlaceholderOfTheRegisteredCommandIsReplacedByTheAddress) {
  RegisterCommand(L"\"C:\\Program Files\\Browser\\browser.exe\" -url \"%1\"");
  std::wstring commandLine;
  ASSERT_TRUE(BrowserFallbackCommand(kAddress, commandLine));
  EXPECT_EQ(commandLine, L"\"C:\\Program Files\\Browser\\browser.exe\" -url  " + kAddress);
}

TEST_F(BrowserLaunch, BarePlaceholderOfTheRegisteredCommandIsReplacedByTheAddress) {
  RegisterCommand(L"C:\\Browser\\browser.exe %1");
  std::wstring commandLine;
  ASSERT_TRUE(BrowserFallbackCommand(kAddress, commandLine));
  EXPECT_EQ(commandLine, L"C:\\Browser\\browser.exe  " + kAddress);
}

TEST_F(BrowserLaunch, RegisteredCommandWithoutPlaceholderGetsTheAddressAppended) {
  RegisterCommand(L"\"C:\\Browser\\browser.exe\" -nohome");
  std::wstring commandLine;
  ASSERT_TRUE(BrowserFallbackCommand(kAddress, commandLine));
  EXPECT_EQ(commandLine, L"\"C:\\Browser\\browser.exe\" -nohome " + kAddress);
}

TEST_F(BrowserLaunch, ExpandableCommandHasItsEnvironmentReferencesExpanded) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"TAVORA_TEST_BROWSERS", L"C:\\Browsers"));
  RegisterCommand(L"\"%TAVORA_TEST_BROWSERS%\\browser.exe\" \"%1\"", REG_EXPAND_SZ);
  std::wstring commandLine;
  ASSERT_TRUE(BrowserFallbackCommand(kAddress, commandLine));
  EXPECT_EQ(commandLine, L"\"C:\\Browsers\\browser.exe\"  " + kAddress);
}

TEST_F(BrowserLaunch, CommandLongerThanAPathIsReadWhole) {
  const std::wstring program = L"C:\\" + std::wstring(700, L'b') + L".exe";
  RegisterCommand(program + L" \"%1\"");
  std::wstring commandLine;
  ASSERT_TRUE(BrowserFallbackCommand(kAddress, commandLine));
  EXPECT_EQ(commandLine, program + L"  " + kAddress);
}

TEST_F(BrowserLaunch, DocumentTypeWithoutCommandGivesNoCommandLine) {
  std::wstring commandLine = L"unchanged";
  EXPECT_FALSE(BrowserFallbackCommand(kAddress, commandLine));
  EXPECT_EQ(commandLine, L"unchanged");
}

}  // namespace
