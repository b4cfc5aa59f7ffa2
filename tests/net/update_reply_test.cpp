#include "net/update_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(ServerTimeStamp, ReadFromTheScxObjectInAnyLetterCase) {
  int32_t stamp = 0;
  EXPECT_TRUE(ReadServerTimeStamp(L"{\"SCX\":{\"TimeStamp\":1700000000}}", stamp));
  EXPECT_EQ(stamp, 1700000000);
  EXPECT_TRUE(ReadServerTimeStamp(L"{\"scx\":{\"timestamp\":\"42\"}}", stamp));
  EXPECT_EQ(stamp, 42);
}

TEST(ServerTimeStamp, ZeroIsReadAsZero) {
  int32_t stamp = 5;
  EXPECT_TRUE(ReadServerTimeStamp(L"{\"SCX\":{\"TimeStamp\":0}}", stamp));
  EXPECT_EQ(stamp, 0);
}

TEST(ServerTimeStamp, AbsentMalformedOrNonJsonLeavesTheValue) {
  const std::wstring replies[] = {
      L"",
      L"not json",
      L"junk{\"SCX\":{\"TimeStamp\":5}}",
      L"{\"SCX\":{}}",
      L"{\"TimeStamp\":5}",
      L"{\"SCX\":{\"TimeStamp\":\"soon\"}}",
      L"{\"SCX\":{\"TimeStamp\":{\"a\":1}}}",
      L"{\"SCX\":{\"TimeStamp\":99999999999}}",
      L"{\"SCX\":{\"TimeStamp\":1.5}}",
  };
  for (const std::wstring& reply : replies) {
    int32_t stamp = 77;
    EXPECT_FALSE(ReadServerTimeStamp(reply, stamp));
    EXPECT_EQ(stamp, 77);
  }
}

TEST(ServerTimeStamp, WholeNumbersOf32BitsWithWhiteSpaceAroundThemAreRead) {
  const std::pair<const wchar_t*, int32_t> stamps[] = {
      {L"\" -12\\t\"", -12},        {L"\"+7\"", 7},          {L"\"007\"", 7}, {L"-0", 0},
      {L"2147483647", 2147483647}, {L"-2147483648", INT32_MIN},
  };
  for (const auto& stamp : stamps) {
    int32_t value = 77;
    EXPECT_TRUE(ReadServerTimeStamp(std::wstring(L"{\"SCX\":{\"TimeStamp\":") + stamp.first + L"}}", value))
        << stamp.second;
    EXPECT_EQ(value, stamp.second);
  }
  for (const wchar_t* text : {L"2147483648", L"-2147483649", L"\"1 2\"", L"\"- 1\"", L"\"0x10\"", L"1e3", L"\"\"",
                              L"\" \"", L"true", L"null"}) {
    int32_t value = 77;
    EXPECT_FALSE(ReadServerTimeStamp(std::wstring(L"{\"SCX\":{\"TimeStamp\":") + text + L"}}", value));
    EXPECT_EQ(value, 77);
  }
}

TEST(BracedPart, TextAroundTheOutermostBracesIsCut) {
  std::wstring reply = L"callback( {\"a\":{\"b\":1}} );\r\n";
  EXPECT_TRUE(KeepBracedPart(reply));
  EXPECT_EQ(reply, L"{\"a\":{\"b\":1}}");
}

TEST(BracedPart, WithoutBothBracesTheReplyStays) {
  for (const std::wstring original : {L"", L"no braces", L"only { open", L"only } close", L"} reversed {"}) {
    std::wstring reply = original;
    EXPECT_FALSE(KeepBracedPart(reply));
    EXPECT_EQ(reply, original);
  }
}

namespace {

const wchar_t kTwoProducts[] =
    LR"({"AppUpdateList":[
      {"AppName":"TavoraTeacher","MainVersion":"9,9,9,9","DownloadUrls":["http://t/x/"]},
      {"AppName":"TavoraStudent","MainVersion":"1,2,0,0",
       "DownloadUrls":["http://a/first","http://b/second/"],
       "Modules":[{"name":"m.dll","bytes":12,"version":"1.0.0.2","registerdll":"true"}],
       "InstallPackageNew":{"name":"TavoraStudent-0011223344556677.zip","bytes":99}},
      {"AppName":"TavoraStudent","MainVersion":"7,0,0,0","DownloadUrls":["http://c/"]}
    ]})";

}  // namespace

TEST(UpdateEntry, FirstEntryOfTheProductIsTaken) {
  UpdateEntry entry;
  ASSERT_TRUE(ChooseUpdateEntry(kTwoProducts, L"TavoraStudent", entry));
  EXPECT_EQ(entry.mainVersion, L"1,2,0,0");
}

TEST(UpdateEntry, LastDownloadUrlWinsAndKeepsItsSlash) {
  UpdateEntry entry;
  ASSERT_TRUE(ChooseUpdateEntry(kTwoProducts, L"TavoraStudent", entry));
  EXPECT_EQ(entry.downloadBaseUrl, L"http://b/second/");
}

TEST(UpdateEntry, OtherDownloadUrlsStandByFromLastToFirstWithoutRepeats) {
  UpdateEntry entry;
  ASSERT_TRUE(ChooseUpdateEntry(kTwoProducts, L"TavoraStudent", entry));
  EXPECT_EQ(entry.mirrorBaseUrls, std::vector<std::wstring>{L"http://a/first/"});
  ASSERT_TRUE(ChooseUpdateEntry(
      L"{\"AppUpdateList\":[{\"AppName\":\"P\",\"MainVersion\":\"1\",\"DownloadUrls\":"
      L"[\"http://m1/\",\"http://m2\",\"http://m1\",\"http://main/\",\"http://main\"]}]}",
      L"P", entry));
  EXPECT_EQ(entry.downloadBaseUrl, L"http://main/");
  EXPECT_EQ(entry.mirrorBaseUrls, (std::vector<std::wstring>{L"http://m1/", L"http://m2/"}));
}

TEST(UpdateEntry, SlashIsAppendedToASingleUrlWithoutOne) {
  UpdateEntry entry;
  ASSERT_TRUE(ChooseUpdateEntry(
      L"{\"AppUpdateList\":[{\"AppName\":\"P\",\"MainVersion\":\"1\",\"DownloadUrls\":[\"http://h/rel\"]}]}",
      L"P", entry));
  EXPECT_EQ(entry.downloadBaseUrl, L"http://h/rel/");
}

TEST(UpdateEntry, EntryJsonHoldsEveryMemberOfTheChosenEntryOnly) {
  UpdateEntry entry;
  ASSERT_TRUE(ChooseUpdateEntry(kTwoProducts, L"TavoraStudent", entry));
  UpdateEntry again;
  // The written entry is itself readable as a one-entry list.
  ASSERT_TRUE(ChooseUpdateEntry(L"{\"AppUpdateList\":[" + entry.entryJson + L"]}", L"TavoraStudent", again));
  EXPECT_EQ(again.mainVersion, L"1,2,0,0");
  EXPECT_EQ(again.downloadBaseUrl, L"http://b/second/");
  EXPECT_NE(entry.entryJson.find(L"InstallPackageNew"), std::wstring::npos);
  EXPECT_NE(entry.entryJson.find(L"0011223344556677"), std::wstring::npos);
  EXPECT_NE(entry.entryJson.find(L"registerdll"), std::wstring::npos);
  EXPECT_EQ(entry.entryJson.find(L"TavoraTeacher"), std::wstring::npos);
  EXPECT_EQ(entry.entryJson.find(L"7,0,0,0"), std::wstring::npos);
  EXPECT_EQ(entry.entryJson.front(), L'{');
  EXPECT_EQ(entry.entryJson.back(), L'}');
}

TEST(UpdateEntry, NameMatchesInAnyLetterCaseButNotWithAnExtraCharacter) {
  UpdateEntry entry;
  EXPECT_TRUE(ChooseUpdateEntry(kTwoProducts, L"tavorastudent", entry));
  EXPECT_FALSE(ChooseUpdateEntry(kTwoProducts, L"TavoraStudents", entry));
  EXPECT_FALSE(ChooseUpdateEntry(kTwoProducts, L"TavoraStuden", entry));
}

TEST(UpdateEntry, KeysInAnotherLetterCaseAreFound) {
  UpdateEntry entry;
  ASSERT_TRUE(ChooseUpdateEntry(
      L"{\"APPUPDATELIST\":[{\"appname\":\"TavoraStudent\",\"mainversion\":\"3,0,0,0\","
      L"\"downloadurls\":[\"http://h/x/\"]}]}",
      L"TavoraStudent", entry));
  EXPECT_EQ(entry.mainVersion, L"3,0,0,0");
}

TEST(UpdateEntry, UnusableRepliesAreRefused) {
  const std::wstring replies[] = {
      L"",
      L"<html>502 Bad Gateway</html>",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\"",
      L"{\"Other\":[]}",
      L"{\"AppUpdateList\":[]}",
      // An entry without a name on the way to the product.
      L"{\"AppUpdateList\":[{\"MainVersion\":\"1\",\"DownloadUrls\":[\"http://h/\"]},"
      L"{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\",\"DownloadUrls\":[\"http://h/\"]}]}",
      L"{\"AppUpdateList\":[{\"AppName\":{\"x\":1},\"MainVersion\":\"1\",\"DownloadUrls\":[\"http://h/\"]}]}",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"DownloadUrls\":[\"http://h/\"]}]}",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\"}]}",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\",\"DownloadUrls\":[]}]}",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\",\"DownloadUrls\":\"\"}]}",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\",\"DownloadUrls\":[\"\"]}]}",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\",\"DownloadUrls\":[{\"u\":\"x\"}]}]}",
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":{\"a\":\"1\"},\"DownloadUrls\":[\"http://h/\"]}]}",
  };
  for (const std::wstring& reply : replies) {
    UpdateEntry entry;
    entry.mainVersion = L"untouched";
    EXPECT_FALSE(ChooseUpdateEntry(reply, L"TavoraStudent", entry)) << std::string(reply.begin(), reply.end());
    EXPECT_EQ(entry.mainVersion, L"untouched");
  }
}

TEST(UpdateEntry, EntriesAfterTheChosenOneAreNotLookedAt) {
  UpdateEntry entry;
  EXPECT_TRUE(ChooseUpdateEntry(
      L"{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\",\"DownloadUrls\":[\"http://h/\"]},"
      L"{\"broken\":true}]}",
      L"TavoraStudent", entry));
}

TEST(UpdateEntry, DeeplyNestedReplyIsRefusedWithoutRecursingIntoIt) {
  std::wstring reply = L"{\"AppUpdateList\":";
  reply += std::wstring(1000000, L'[');
  UpdateEntry entry;
  EXPECT_FALSE(ChooseUpdateEntry(reply, L"TavoraStudent", entry));
  int32_t stamp = 0;
  EXPECT_FALSE(ReadServerTimeStamp(reply, stamp));
}
