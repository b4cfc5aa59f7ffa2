#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_settings.h"
#include "package/aftermath_helper.h"

namespace {

const wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TavoraStudent";

struct Value {
  LONG result = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::wstring text;
  DWORD bytes = 0;
};

Value ReadValue(const std::wstring& subKey, const std::wstring& name) {
  Value value;
  HKEY key = nullptr;
  value.result = RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (value.result != ERROR_SUCCESS) return value;
  std::vector<wchar_t> buffer(8192, L'\0');
  value.bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  value.result = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(buffer.data()),
                                  &value.bytes);
  RegCloseKey(key);
  value.text = buffer.data();
  return value;
}

std::vector<std::wstring> ValueNames(const std::wstring& subKey) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

std::wstring WebAddress() {
  const std::string host = settings::kWebHost;
  return L"http://" + std::wstring(host.begin(), host.end()) + L"/";
}

class UninstallEntry : public ::testing::Test {
 protected:
  void SetUp() override { SHDeleteKeyW(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { SHDeleteKeyW(HKEY_CURRENT_USER, kKey); }
  CAftermathHelper helper;
};

TEST_F(UninstallEntry, SixTextValuesDescribeTheInstalledClient) {
  const std::wstring folder = L"C:\\users\\root\\AppData\\Local\\Quillmor\\TavoraStudent\\";
  helper.WriteUninstallEntry(folder, L"1,2,0,0");

  EXPECT_EQ(ValueNames(kKey), (std::vector<std::wstring>{L"DisplayIcon", L"DisplayName", L"DisplayVersion",
                                                          L"Publisher", L"UninstallString", L"URLInfoAbout"}));
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"DisplayIcon", folder + L"TavoraStudent.exe"},
      {L"DisplayName", L"Qelvo"},
      {L"DisplayVersion", L"1,2,0,0"},
      {L"Publisher", L"Quillnet"},
      {L"UninstallString", folder + L"TavoraStudentInstaller.exe uninstall"},
      {L"URLInfoAbout", WebAddress()},
  };
  for (const auto& [name, text] : expected) {
    const Value value = ReadValue(kKey, name);
    ASSERT_EQ(value.result, ERROR_SUCCESS) << name;
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
    EXPECT_EQ(value.text, text) << name;
    EXPECT_EQ(value.bytes, (text.size() + 1) * sizeof(wchar_t)) << name << ": the text and its terminator";
  }
}

TEST_F(UninstallEntry, FolderWithBlanksStaysUnquotedInTheUninstallCommand) {
  const std::wstring folder = L"C:\\users\\Student Name\\AppData\\Local\\Quillmor\\TavoraStudent\\";
  helper.WriteUninstallEntry(folder, L"1,0,0,0");
  EXPECT_EQ(ReadValue(kKey, L"UninstallString").text,
            L"C:\\users\\Student Name\\AppData\\Local\\Quillmor\\TavoraStudent\\TavoraStudentInstaller.exe uninstall");
}

TEST_F(UninstallEntry, SecondInstallOverwritesTheValues) {
  helper.WriteUninstallEntry(L"C:\\first\\", L"1,0,0,0");
  helper.WriteUninstallEntry(L"C:\\second\\", L"1,3,0,7");

  EXPECT_EQ(ValueNames(kKey).size(), 6u);
  EXPECT_EQ(ReadValue(kKey, L"DisplayVersion").text, L"1,3,0,7");
  EXPECT_EQ(ReadValue(kKey, L"DisplayIcon").text, L"C:\\second\\TavoraStudent.exe");
  EXPECT_EQ(ReadValue(kKey, L"UninstallString").text, L"C:\\second\\TavoraStudentInstaller.exe uninstall");
}

TEST_F(UninstallEntry, LongTextIsStoredWholeWithItsTerminator) {
  const std::wstring text(3000, L'x');
  EXPECT_EQ(helper.WriteRegistryString(kKey, L"Long", text), ERROR_SUCCESS);
  const Value value = ReadValue(kKey, L"Long");
  ASSERT_EQ(value.result, ERROR_SUCCESS);
  EXPECT_EQ(value.text, text);
  EXPECT_EQ(value.bytes, 3001u * sizeof(wchar_t));
}

TEST_F(UninstallEntry, KeyThatCannotBeCreatedReturnsItsErrorAndWritesNothing) {
  // A key name may not be longer than 255 characters.
  const std::wstring subKey = std::wstring(kKey) + L"\\" + std::wstring(300, L'k');
  EXPECT_NE(helper.WriteRegistryString(subKey, L"DisplayName", L"Qelvo"), ERROR_SUCCESS);
  EXPECT_NE(ReadValue(subKey, L"DisplayName").result, ERROR_SUCCESS);
}

}  // namespace

TEST_F(UninstallEntry, UpdatedVersionReplacesOnlyTheVersionOfAnEntryThatIsThere) {
  helper.UpdateUninstallVersion(L"1,1,0,0");
  EXPECT_EQ(ValueNames(kKey).size(), 0u) << "no entry is made where none was";
  helper.WriteUninstallEntry(L"C:\\first\\", L"1,0,0,0");
  helper.UpdateUninstallVersion(L"1,1,0,0");
  EXPECT_EQ(ValueNames(kKey).size(), 6u);
  EXPECT_EQ(ReadValue(kKey, L"DisplayVersion").text, L"1,1,0,0");
  EXPECT_EQ(ReadValue(kKey, L"DisplayIcon").text, L"C:\\first\\TavoraStudent.exe");
}
