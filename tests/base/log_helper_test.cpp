#include "base/log_helper.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "support/temp_folder.h"

namespace {

// Each test runs in a process of its own, so the first call here is the run's first log call.
class LogHelper : public ::testing::Test {
 protected:
  void SetUp() override { temp.MakeCurrent(); }
  std::string LogFile() const { return ReadFileBytes(temp / "quill.log"); }
  TempFolder temp;
};

TEST_F(LogHelper, FirstCallTruncatesTheFileAndWritesPrefixedCrLfLine) {
  WriteFileBytes(temp / "quill.log", "line of an earlier run\r\n");
  CLogHelper::GetInstance()->Log("downloaded %d of %d", 3, 7);
  const std::string text = LogFile();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(text, m, std::regex(
      R"((\d+)/(\d+)/(\d+) (\d+):(\d+):(\d+) (\d+) dbg downloaded 3 of 7\r\n)"))) << text;
  for (int i = 2; i <= 6; ++i) {
    EXPECT_TRUE(m[i].str() == "0" || m[i].str()[0] != '0') << "no leading zeros: " << m[i];
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(std::stoi(m[1]), now.wYear);
  EXPECT_EQ(std::stoul(m[7]), GetCurrentThreadId());
}

TEST_F(LogHelper, EveryLineIsOnDiskAtOnce) {
  CLogHelper::GetInstance()->Log("first");
  EXPECT_NE(LogFile().find("dbg first\r\n"), std::string::npos);
  CLogHelper::GetInstance()->LogW(L"second %ls", L"line");
  EXPECT_NE(LogFile().find("dbg second line\r\n"), std::string::npos);
}

TEST_F(LogHelper, PreformattedTextWithPercentIsWrittenLiterally) {
  CLogHelper::GetInstance()->Log("%s", "C:\\100%done\\%s%d.gz");
  CLogHelper::GetInstance()->LogW(L"%ls", L"D:\\50%\\%n");
  const std::string text = LogFile();
  EXPECT_NE(text.find(" dbg C:\\100%done\\%s%d.gz\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" dbg D:\\50%\\%n\r\n"), std::string::npos) << text;
}

TEST_F(LogHelper, WideChineseTextIsWrittenInTheAnsiCodePage) {
  CLogHelper::GetInstance()->LogW(L"所要执行的文件没有找到");
  const std::string text = LogFile();
  wchar_t back[64] = {};
  const size_t start = text.find(" dbg ") + 5;
  const std::string bytes = text.substr(start, text.size() - start - 2);
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), back, 64);
  ASSERT_EQ(GetACP(), 936u) << "tests run as on a Simplified Chinese Windows";
  EXPECT_EQ(std::wstring(back), L"所要执行的文件没有找到");
  EXPECT_EQ(bytes, "\xCB\xF9\xD2\xAA\xD6\xB4\xD0\xD0\xB5\xC4\xCE\xC4\xBC\xFE\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD");
}

TEST_F(LogHelper, OverlongNarrowLineIsCutToTheBufferWithItsLineFeed) {
  CLogHelper::GetInstance()->Log("%s", std::string(10000, 'a').c_str());
  const std::string text = LogFile();
  EXPECT_EQ(text.size(), 4096u) << "4094 characters, then CR LF from the line feed";
  EXPECT_EQ(text.substr(text.size() - 3), "a\r\n");
}

TEST_F(LogHelper, OverlongWideLineIsCutToTheBufferWithItsLineFeed) {
  CLogHelper::GetInstance()->LogW(L"%ls", std::wstring(10000, L'b').c_str());
  const std::string text = LogFile();
  EXPECT_EQ(text.size(), 4096u);
  EXPECT_EQ(text.substr(text.size() - 3), "b\r\n");
}

TEST_F(LogHelper, TwoThreadsLoggingFirstShareOneFileAndNeverMixLines) {
  std::atomic<int> ready{0};
  auto worker = [&](char tag) {
    ++ready;
    while (ready < 2) {
    }
    for (int i = 0; i < 200; ++i) CLogHelper::GetInstance()->Log("%c%c%c%c%c%c%c%c %d", tag, tag, tag, tag, tag, tag, tag, tag, i);
  };
  std::thread a(worker, 'x'), b(worker, 'y');
  a.join();
  b.join();
  const std::string text = LogFile();
  const std::regex line(R"(\d+/\d+/\d+ \d+:\d+:\d+ \d+ dbg (xxxxxxxx|yyyyyyyy) \d+\r\n)");
  int lines = 0;
  for (size_t pos = 0; pos < text.size(); ++lines) {
    const size_t end = text.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos);
    const std::string one = text.substr(pos, end + 2 - pos);
    EXPECT_TRUE(std::regex_match(one, line)) << one;
    pos = end + 2;
  }
  EXPECT_EQ(lines, 400);
}

}  // namespace

namespace {

TEST_F(LogHelper, LogFileThatCannotBeCreatedTurnsLoggingOffSilently) {
  std::filesystem::create_directory(temp / "quill.log");  // the file cannot be opened
  CLogHelper::GetInstance()->Log("lost %d", 1);
  CLogHelper::GetInstance()->LogW(L"lost %d", 2);
  EXPECT_TRUE(std::filesystem::is_directory(temp / "quill.log"));
  EXPECT_TRUE(std::filesystem::is_empty(temp / "quill.log"));
}

}  // namespace
