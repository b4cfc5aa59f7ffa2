#include "app/config_helper.h"

#include <gtest/gtest.h>

#include <boost/date_time/gregorian/gregorian.hpp>

#include "base/message_box.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;
using boost::gregorian::date;
using boost::gregorian::days;

namespace {

const char kFresh[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<config>\r\n</config>";

std::vector<std::pair<std::wstring, std::wstring>> g_boxes;
void RecordBox(const std::wstring& text, const std::wstring& caption) { g_boxes.emplace_back(text, caption); }

class ConfigHelper : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    previousSink = SetErrorBoxSink(RecordBox);
    temp.MakeCurrent();  // parse errors are logged to ./quill.log
  }
  void TearDown() override { SetErrorBoxSink(previousSink); }

  std::string Folder() const { return (temp / "Tavora" / "TavoraStudent").string(); }
  fs::path ConfigFile() const { return temp / "Tavora" / "TavoraStudent" / "config.xml"; }
  void PrepareWith(const std::string& bytes) {
    fs::create_directories(Folder());
    WriteFileBytes(ConfigFile(), bytes);
  }
  std::string Config() const { return ReadFileBytes(ConfigFile()); }

  TempFolder temp;
  CConfigHelper config;
  ErrorBoxSink previousSink = nullptr;
  const date today{2026, 12, 8};
};

TEST_F(ConfigHelper, FirstSetupCreatesFolderExactFileAndCache) {
  config.SetConfigDir(Folder());
  EXPECT_EQ(Config(), kFresh);
  EXPECT_TRUE(fs::is_directory(temp / "Tavora" / "TavoraStudent" / "Cache"));
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(ConfigHelper, FirstCheckRecordsTodayAndSecondCheckSameDayIsNotDue) {
  config.SetConfigDir(Folder());
  EXPECT_TRUE(config.IsUpdateDue(date(2014, 1, 5)));
  const std::string written = Config();
  EXPECT_NE(written.find("<updatetime value=\"2014-Jan-05\"/>"), std::string::npos) << written;
  EXPECT_EQ(written.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u) << written;
  EXPECT_NE(written.find("\n\t<updatetime"), std::string::npos) << "one tab per level: " << written;

  EXPECT_FALSE(config.IsUpdateDue(date(2014, 1, 5)));
  EXPECT_EQ(Config(), written);
}

TEST_F(ConfigHelper, CheckJustAfterMidnightIsDue) {
  config.SetConfigDir(Folder());
  EXPECT_TRUE(config.IsUpdateDue(today));
  EXPECT_TRUE(config.IsUpdateDue(today + days(1)));
  EXPECT_NE(Config().find("2026-Dec-09"), std::string::npos);
}

TEST_F(ConfigHelper, StoredFutureDateIsNotDueUntilThatDayPasses) {
  PrepareWith("<config><updatetime value=\"2026-Dec-09\"/></config>");
  config.SetConfigDir(Folder());
  EXPECT_FALSE(config.IsUpdateDue(today));
  EXPECT_FALSE(config.IsUpdateDue(today + days(1)));
  EXPECT_TRUE(config.IsUpdateDue(today + days(2)));
}

TEST_F(ConfigHelper, DateOfLastYearIsDueAndBecomesTodayKeepingOtherContent) {
  PrepareWith("<?xml version=\"1.0\"?>\n<config><client lang=\"zh\">keep</client>"
              "<updatetime value=\"2025/12/08\"/></config>");
  config.SetConfigDir(Folder());
  EXPECT_TRUE(config.IsUpdateDue(today));
  const std::string written = Config();
  EXPECT_NE(written.find("value=\"2026-Dec-08\""), std::string::npos) << written;
  EXPECT_NE(written.find("<client lang=\"zh\">keep</client>"), std::string::npos) << written;
}

TEST_F(ConfigHelper, EmptyOrBlankFileIsRecreated) {
  for (const std::string bytes : {"", "  \r\n", "<?xml version=\"1.0\"?>\r\n<!-- none -->"}) {
    PrepareWith(bytes);
    config.SetConfigDir(Folder());
    EXPECT_EQ(Config(), kFresh) << bytes;
  }
}

TEST_F(ConfigHelper, MalformedFileIsKeptAndEveryCheckIsDue) {
  const std::string broken = "<config><updatetime value=\"2026-Dec-08\"></config";
  PrepareWith(broken);
  config.SetConfigDir(Folder());
  EXPECT_EQ(Config(), broken);
  EXPECT_TRUE(config.IsUpdateDue(today));
  EXPECT_TRUE(config.IsUpdateDue(today));
  EXPECT_EQ(Config(), broken);
  const std::string log = ReadFileBytes(temp / "quill.log");
  EXPECT_NE(log.find(" dbg file : " + ConfigFile().string() + ", message : "), std::string::npos) << log;
  EXPECT_NE(log.find(", line : 1"), std::string::npos) << log;
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(ConfigHelper, AnotherRootIsKeptAndCheckIsDue) {
  const std::string other = "<settings><updatetime value=\"2026-Dec-08\"/></settings>";
  PrepareWith(other);
  config.SetConfigDir(Folder());
  EXPECT_TRUE(config.IsUpdateDue(today));
  EXPECT_EQ(Config(), other);
}

TEST_F(ConfigHelper, MissingOrInvalidDateIsReplacedByToday) {
  for (const std::string entry : {"<updatetime/>", "<updatetime value=\"2026-Feb-30\"/>",
                                  "<updatetime value=\"soon\"/>", "<updatetime value=\"\"/>"}) {
    PrepareWith("<config><proxy host=\"10.0.0.1\"/>" + entry + "</config>");
    config.SetConfigDir(Folder());
    EXPECT_TRUE(config.IsUpdateDue(today)) << entry;
    const std::string written = Config();
    EXPECT_NE(written.find("value=\"2026-Dec-08\""), std::string::npos) << written;
    EXPECT_NE(written.find("<proxy host=\"10.0.0.1\"/>"), std::string::npos) << written;
    EXPECT_FALSE(config.IsUpdateDue(today)) << entry;
  }
}

TEST_F(ConfigHelper, AcceptsOtherDateSeparatorsAndNumericMonths) {
  for (const std::string stored : {"2026-12-08", "2026/12/08", "2026.12.08", "2026,Dec,08", "2026 Dec 08"}) {
    PrepareWith("<config><updatetime value=\"" + stored + "\"/></config>");
    config.SetConfigDir(Folder());
    EXPECT_FALSE(config.IsUpdateDue(today)) << stored;
  }
}

TEST_F(ConfigHelper, FolderThatCannotBeCreatedMakesEveryCheckDue) {
  WriteFileBytes(temp / "Tavora", "a file where the folder should be");
  config.SetConfigDir(Folder());
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_TRUE(config.IsUpdateDue(today));
  EXPECT_TRUE(config.IsUpdateDue(today));
}

TEST_F(ConfigHelper, FileThatCannotBeCreatedShowsTheConfigurationMessage) {
  fs::create_directories(ConfigFile());  // a folder named config.xml
  config.SetConfigDir(Folder());
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].first, L"系统拒绝用户创建配置文件");
  EXPECT_EQ(g_boxes[0].second, L"错误");
  EXPECT_TRUE(fs::is_directory(temp / "Tavora" / "TavoraStudent" / "Cache"));
  EXPECT_TRUE(config.IsUpdateDue(today));
}

#ifdef _WIN32
// Many users' profile folders carry Chinese names; the folder arrives as code page 936 text.
TEST_F(ConfigHelper, ChineseProfileFolderInTheSystemCodePageHoldsTheFileAndTheDay) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run under the Simplified Chinese code page";
  const fs::path wideFolder = temp.path() / L"学生 资料" / L"Tavora" / L"TavoraStudent";
  const std::wstring wide = wideFolder.wstring();
  std::string narrow(wide.size() * 2, '\0');
  narrow.resize(WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &narrow[0],
                                    static_cast<int>(narrow.size()), nullptr, nullptr));
  ASSERT_FALSE(narrow.empty());

  config.SetConfigDir(narrow);
  EXPECT_EQ(ReadFileBytes(wideFolder / L"config.xml"), kFresh);
  EXPECT_TRUE(fs::is_directory(wideFolder / L"Cache"));
  EXPECT_TRUE(config.IsUpdateDue(today));
  EXPECT_FALSE(config.IsUpdateDue(today)) << "the day was not recorded: every run would go online";
  EXPECT_NE(ReadFileBytes(wideFolder / L"config.xml").find("2026-Dec-08"), std::string::npos);
  EXPECT_TRUE(g_boxes.empty());
}
#endif

}  // namespace
