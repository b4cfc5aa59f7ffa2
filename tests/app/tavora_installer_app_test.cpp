#include "app/tavora_installer_app.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/message_box.h"
#include "support/dialog_dismisser.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::wstring> g_boxes;
void RecordBox(const std::wstring& text, const std::wstring&) { g_boxes.push_back(text); }

std::wstring TempPath() {
  wchar_t path[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, path);
  return path;
}

class InstallerApp : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    previousSink = SetErrorBoxSink(RecordBox);
    // Each test its own name: the tests run side by side and share the temporary folder.
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    source = temp / (name + ".exe");
    WriteFileBytes(source, "MZ installer bytes");
    target = fs::path(TempPath()) / (name + "2.exe");
    fs::remove(target);
  }
  void TearDown() override {
    app.m_strRelaunchPath.clear();  // nothing is started when the object goes
    std::error_code error;
    fs::remove(target, error);
    SetErrorBoxSink(previousSink);
  }

  TempFolder temp;
  fs::path source, target;
  CTavoraInstallerApp app;
  ErrorBoxSink previousSink = nullptr;
};

TEST_F(InstallerApp, TempCopyLandsInTheTemporaryFolderAndBecomesTheRelaunchTarget) {
  EXPECT_TRUE(app.PrepareTempCopy(source.wstring()));
  EXPECT_EQ(app.m_strRelaunchPath, target.wstring());
  EXPECT_EQ(ReadFileBytes(target), "MZ installer bytes");
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(InstallerApp, TempCopyReplacesAnEarlierCopy) {
  WriteFileBytes(target, "an older, longer installer build");
  EXPECT_TRUE(app.PrepareTempCopy(source.wstring()));
  EXPECT_EQ(ReadFileBytes(target), "MZ installer bytes");
}

TEST_F(InstallerApp, LockedTempCopyShowsTheSystemErrorCode) {
  WriteFileBytes(target, "running copy");
  HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(app.PrepareTempCopy(source.wstring()));
  CloseHandle(lock);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], L"拷贝文件出错,错误码32!");  // ERROR_SHARING_VIOLATION
  EXPECT_EQ(app.m_strRelaunchPath, target.wstring()) << "stays set after a failure";
  EXPECT_EQ(ReadFileBytes(target), "running copy");
}

TEST_F(InstallerApp, MissingRelaunchTargetIsLoggedInItsFolder) {
  temp.MakeCurrent();
  const fs::path folder = temp / "relaunch";
  fs::create_directories(folder);
  app.m_strRelaunchPath = (folder / "absent.exe").wstring();
  {
    DialogDismisser dismisser;  // the shell reports the missing file in a box of its own
    app.ExitAppInstance();
  }
  const std::string log = ReadFileBytes(folder / "quill.log");
  char expected[64] = {};
  WideCharToMultiByte(CP_ACP, 0, L"所要执行的文件没有找到", -1, expected, sizeof expected, nullptr, nullptr);
  EXPECT_NE(log.find(std::string(" dbg ") + expected + "\r\n"), std::string::npos) << log;
}

}  // namespace
