#include "base/utf8_text.h"

#include <gtest/gtest.h>

TEST(Utf8Text, ChineseRoundTrips) {
  const std::string utf8 = "Qelvo 学生端";
  EXPECT_EQ(Utf8ToWide(utf8), L"Qelvo 学生端");
  EXPECT_EQ(WideToUtf8(L"Qelvo 学生端"), utf8);
}

TEST(Utf8Text, CharactersBeyondTheBasicPlaneRoundTrip) {
  const std::string utf8 = "\xF0\x9F\x98\x80";  // U+1F600
  const std::wstring wide = Utf8ToWide(utf8);
  EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
  EXPECT_EQ(WideToUtf8(wide), utf8);
}

TEST(Utf8Text, MalformedSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
  EXPECT_EQ(Utf8ToWide("\xE4\xB8"), L"\xFFFD\xFFFD");
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\xFFFD") << "overlong form";
  EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), L"\xFFFD") << "encoded surrogate";
}
