#include "package/zip_entry_path.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

std::wstring Relative(const std::wstring& name) {
  std::wstring relative = L"unchanged";
  return ZipEntryRelativePath(name, relative) ? relative : L"<refused>";
}

TEST(ZipEntryPath, PlainNamesBecomeBackslashedRelativePaths) {
  EXPECT_EQ(Relative(L"a.txt"), L"a.txt");
  EXPECT_EQ(Relative(L"a/b/c.txt"), L"a\\b\\c.txt");
  EXPECT_EQ(Relative(L"locales/"), L"locales");
  EXPECT_EQ(Relative(L"a\\b.txt"), L"a\\b.txt");
  EXPECT_EQ(Relative(L"..hidden/..b"), L"..hidden\\..b");
  EXPECT_EQ(Relative(L"\u8BED\u8A00/\u5B66\u751F.txt"), L"\u8BED\u8A00\\\u5B66\u751F.txt");
  EXPECT_EQ(Relative(L"console.txt"), L"console.txt");
  EXPECT_EQ(Relative(L"COM10.txt"), L"COM10.txt");
}

TEST(ZipEntryPath, NamesThatLeaveTheFolderAreRefused) {
  for (const wchar_t* name : {L"", L"/", L"/etc/passwd", L"\\rooted", L"\\\\server\\share\\x", L"C:\\x", L"C:x",
                              L"c:/x", L"..", L"../x", L"a/../../x", L"a\\..\\x", L"a/./x", L". ./x", L"a/... /x",
                              L"a//b", L"file.txt:stream", L"con", L"sub/NUL.txt", L"Com1", L"lpt9.log",
                              L"a/\x01.txt", L"a*b", L"what?", L"a|b", L"a<b", L"a\"b"}) {
    EXPECT_EQ(Relative(name), L"<refused>") << std::string(name, name + wcslen(name));
  }
  std::wstring relative = L"stale";
  EXPECT_FALSE(ZipEntryRelativePath(L"../x", relative));
  EXPECT_TRUE(relative.empty());
}

}  // namespace
