#include "package/install_journal.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kTestKey[] = L"SOFTWARE\\TavoraTests\\InstallJournal";

// The state a run leaves when it is ended between two of its steps, written by hand: the
// journal file as it stood and the files beside it. The next start must make the folder the
// old release again (or, after "commit", the new one), with nothing left over.
class InstallJournalRecovery : public ::testing::Test {
 protected:
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\TavoraTests"); }
  std::wstring Path(const std::string& relative) { return (temp.path() / relative).wstring(); }
  void Journal(const std::string& records) {
    std::string text = kJournalHeader;
    const std::string base = (temp.path()).string();
    for (size_t at = 0, end; at < records.size(); at = end + 1) {
      end = records.find('\n', at);
      std::string line = records.substr(at, end - at);
      const size_t space = line.find(' ');
      // "<word> <relative path>" becomes "<word> <absolute path>"; registry lines stay.
      if (space != std::string::npos && line.compare(0, space, "key") != 0 && line.compare(0, space, "value") != 0) {
        line = line.substr(0, space + 1) + base + "\\" + line.substr(space + 1);
      }
      text += line + "\n";
      if (end == std::string::npos) break;
    }
    WriteFileBytes(journal, text);
  }
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(temp.path())) {
      const std::string name = fs::relative(entry.path(), temp.path()).string();
      if (entry.path() != journal) names.push_back(name + (entry.is_directory() ? "\\" : "=" + ReadFileBytes(entry.path())));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder temp;
  fs::path journal = temp / "TavoraInstaller.journal";
};

TEST_F(InstallJournalRecovery, UpdateCutOffAfterAnyStepGetsEveryOldContentBack) {
  fs::create_directories(temp / "c");
  WriteFileBytes(temp / "c" / "core.dll", "new core");          // replaced: old kept aside
  WriteFileBytes(temp / "c" / "core.dll.tavora-old", "old core");
  WriteFileBytes(temp / "c" / "net.dll", "old net");            // touched only: part written
  WriteFileBytes(temp / "c" / "net.dll.tavora-part", "new n");
  WriteFileBytes(temp / "c" / "net.dll.tavora-old", "old ");    // a copy cut off half-way
  WriteFileBytes(temp / "c" / "settings.ini", "the user's");    // written by the client
  fs::create_directories(temp / "c" / "locales" / "en");
  WriteFileBytes(temp / "c" / "locales" / "en" / "a.ini", "new a");
  fs::create_directories(temp / "c" / "cache");
  WriteFileBytes(temp / "c" / "cache" / "user.bin", "the user's");  // in a folder the run made
  Journal("touch c\\core.dll\nkept c\\core.dll\nfolder c\\locales\nfolder c\\locales\\en\n"
          "add c\\locales\\en\\a.ini\nfolder c\\cache\ntouch c\\net.dll\n"
          "add c\\missing.dll\nadd c\\loc");  // the last line was cut short by the power failure
  ASSERT_TRUE(CInstallJournal::RecoverUnfinished(journal.wstring()));
  EXPECT_EQ(Files(), (std::vector<std::string>{"c\\", "c\\cache\\", "c\\cache\\user.bin=the user's",
                                               "c\\core.dll=old core", "c\\net.dll=old net",
                                               "c\\settings.ini=the user's"}));
  EXPECT_FALSE(fs::exists(journal));
  ASSERT_TRUE(CInstallJournal::RecoverUnfinished(journal.wstring())) << "nothing left to do is no failure";
}

TEST_F(InstallJournalRecovery, RunCutOffBeforeTheNewContentMovedInKeepsTheTargetAsItWas) {
  fs::create_directories(temp / "c");
  WriteFileBytes(temp / "c" / "net.dll", "old net");
  // The kept name is a second link to the target: nothing has replaced it yet.
  ASSERT_TRUE(CreateHardLinkW(Path("c\\net.dll.tavora-old").c_str(), Path("c\\net.dll").c_str(), nullptr));
  WriteFileBytes(temp / "c" / "net.dll.tavora-part", "new net");
  Journal("touch c\\net.dll\nkept c\\net.dll");
  ASSERT_TRUE(CInstallJournal::RecoverUnfinished(journal.wstring()));
  EXPECT_EQ(Files(), (std::vector<std::string>{"c\\", "c\\net.dll=old net"}));
}

TEST_F(InstallJournalRecovery, CommittedRunKeepsTheNewContentAndDropsTheKeptCopies) {
  fs::create_directories(temp / "c");
  WriteFileBytes(temp / "c" / "core.dll", "new core");
  WriteFileBytes(temp / "c" / "core.dll.tavora-old", "old core");
  WriteFileBytes(temp / "c" / "a.ini", "new a");
  Journal("touch c\\core.dll\nkept c\\core.dll\nadd c\\a.ini\ncommit");
  ASSERT_TRUE(CInstallJournal::RecoverUnfinished(journal.wstring()));
  EXPECT_EQ(Files(), (std::vector<std::string>{"c\\", "c\\a.ini=new a", "c\\core.dll=new core"}));
  EXPECT_FALSE(fs::exists(journal));
}

TEST_F(InstallJournalRecovery, FirstInstallCutOffLeavesNoFolderKeyOrValueOfItsOwn) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  const wchar_t newVersion[] = L"1,1,0,0";
  RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(newVersion), sizeof newVersion);
  RegCloseKey(key);
  fs::create_directories(temp / "q" / "c" / "locales");
  WriteFileBytes(temp / "q" / "c" / "client.exe", "client");
  WriteFileBytes(temp / "q" / "c" / "locales" / "a.ini", "a");
  Journal("folder q\nfolder q\\c\nadd q\\c\\client.exe\nfolder q\\c\\locales\nadd q\\c\\locales\\a.ini\n"
          "key SOFTWARE\\TavoraTests\\InstallJournal\\Made\n"
          "value SOFTWARE\\TavoraTests\\InstallJournal\tDisplayVersion\t1,0,0,0");
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kTestKey) + L"\\Made").c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr), 0);
  RegCloseKey(key);
  ASSERT_TRUE(CInstallJournal::RecoverUnfinished(journal.wstring()));
  EXPECT_TRUE(Files().empty()) << Files().front();
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kTestKey) + L"\\Made").c_str(), 0, KEY_READ, &key), 0);
  wchar_t version[32] = {};
  DWORD bytes = sizeof version;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kTestKey, L"DisplayVersion", RRF_RT_REG_SZ, nullptr, version, &bytes), 0);
  EXPECT_STREQ(version, L"1,0,0,0");
}

TEST_F(InstallJournalRecovery, FileThatCannotBePutBackKeepsTheJournalAndRefusesTheNextRun) {
  fs::create_directories(temp / "c");
  WriteFileBytes(temp / "c" / "core.dll", "new core");
  WriteFileBytes(temp / "c" / "core.dll.tavora-old", "old core");
  Journal("touch c\\core.dll\nkept c\\core.dll");
  // Held open by a program that does not let it be replaced.
  HANDLE held = CreateFileW(Path("c\\core.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::wstring lines;
  EXPECT_FALSE(CInstallJournal::RecoverUnfinished(journal.wstring(), &lines));
  EXPECT_NE(lines.find(L"core.dll: could not be put back"), std::wstring::npos);
  {
    CInstallJournal next;
    EXPECT_FALSE(next.Begin(journal.wstring())) << "a new run must not start over an unrepaired one";
    EXPECT_NE(next.FailureLines().find(L"could not be undone"), std::wstring::npos);
  }
  EXPECT_TRUE(fs::exists(journal)) << "the refused run leaves the earlier journal alone";
  CloseHandle(held);
  ASSERT_TRUE(CInstallJournal::RecoverUnfinished(journal.wstring()));
  EXPECT_EQ(Files(), (std::vector<std::string>{"c\\", "c\\core.dll=old core"}));
}

// A real run on disk: each change is in the journal file before the run goes on, and the
// journal object left open rolls back (a window closed before it could commit).
TEST_F(InstallJournalRecovery, OpenJournalOnDiskNamesEveryChangeAndRollsBackWhenLeft) {
  fs::create_directories(temp / "c");
  WriteFileBytes(temp / "c" / "core.dll", "old core");
  {
    CInstallJournal run;
    ASSERT_TRUE(run.Begin(journal.wstring()));
    ASSERT_TRUE(run.CreateFolders(Path("c\\new\\deeper\\")));
    ASSERT_TRUE(run.WillTouch(Path("c\\core.dll")));
    WriteFileBytes(temp / "c" / "core.dll.tavora-part", "new core");
    ASSERT_TRUE(run.Replace(Path("c\\core.dll.tavora-part"), Path("c\\core.dll"), L"core.dll"));
    ASSERT_TRUE(run.WillAdd(Path("c\\new\\deeper\\a.ini")));
    WriteFileBytes(temp / "c" / "new" / "deeper" / "a.ini", "a");
    std::vector<JournalRecord> records;
    ASSERT_TRUE(ParseJournal(ReadFileBytes(journal), records));
    std::string steps;
    for (const JournalRecord& record : records) steps += record.text.substr(temp.path().string().size()) + ";";
    EXPECT_EQ(steps, "\\c\\new;\\c\\new\\deeper;\\c\\core.dll;\\c\\core.dll;\\c\\new\\deeper\\a.ini;");
    EXPECT_EQ(ReadFileBytes(temp / "c" / "core.dll"), "new core");
  }
  EXPECT_EQ(Files(), (std::vector<std::string>{"c\\", "c\\core.dll=old core"}));
  EXPECT_FALSE(fs::exists(journal));
}

}  // namespace
