#include "ui/wait_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_settings.h"
#include "installer_window_driver.h"
#include "net/check_value.h"
#include "net/download_messages.h"
#include "net/request_codec.h"
#include "net/update_helper.h"
#include "support/download_text.h"
#include "support/scripted_http_server.h"
#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace {

using Reply = ScriptedHttpServer::Reply;

Reply Serving(const std::string& bytes) {
  return Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bytes.size()) + "\r\n\r\n").Send(bytes);
}

// The decrypted query of a signed service request target.
std::string QueryOf(const std::string& target) {
  const std::string key = "RequestData=";
  const size_t start = target.find(key);
  if (start == std::string::npos) return std::string();
  const size_t end = target.find('&', start);
  std::string base64, cipher, query;
  if (!UnescapeRequestData(target.substr(start + key.size(), end - start - key.size()), base64)) return "";
  if (!Base64Decode(base64, cipher) || !TripleDesOfb(cipher, settings::kDesKey, query)) return "";
  return query;
}

std::vector<std::wstring> g_tempCopies;
bool g_tempCopyResult = true;

class WaitWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.MakeCurrent();  // the log lands here
    UseSourceSkin();
    g_tempCopies.clear();
    g_tempCopyResult = true;
  }
  void TearDown() override { g_updateHelper.SetServiceHosts(L"", L""); }

  DownloadTask Task(const ScriptedHttpServer& server, const std::string& name, const std::wstring& checkValue) {
    DownloadTask task;
    task.url = Wide(server.Url("/rel/" + name + ".gz"));
    task.archivePath = (temp.path() / Wide(name + ".gz")).wstring();
    task.checkValue = checkValue;
    return task;
  }

  void Open(const DownloadTaskList& tasks, int64_t totalBytes) {
    auto* window = new CWaitWindow(tasks, totalBytes, [](const std::wstring& path) {
      g_tempCopies.push_back(path);
      return g_tempCopyResult;
    });
    ASSERT_TRUE(driver.Open(window, CWaitWindow::kWindowName, CWaitWindow::kExStyle));
  }

  // Reports bytes as the download worker does and lets the window handle them.
  std::wstring AfterProgress(WPARAM bytes) {
    ::PostMessageW(driver.Hwnd(), WM_DOWNLOAD_PROGRESS, bytes, 0);
    driver.PumpUntil([] { return false; }, 50);
    return driver.TextOf(L"lblText");
  }

  TempFolder temp;
  InstallerWindowDriver driver;
};

// A download that stays open without sending anything while the test reports progress.
Reply Silent() { return Reply().Pause(20000); }

}  // namespace

TEST(WaitWindowText, ExpandedPathDropsTheLastGzOnly) {
  EXPECT_EQ(ExpandedFilePath(L"C:\\work\\TavoraStudentInstaller.exe.gz"), L"C:\\work\\TavoraStudentInstaller.exe");
  EXPECT_EQ(ExpandedFilePath(L"C:\\a.gz\\b.exe.gz"), L"C:\\a.gz\\b.exe");
  EXPECT_EQ(ExpandedFilePath(L"C:\\work\\setup.exe"), L"C:\\work\\setup.exe");
}

TEST(WaitWindowText, PercentTextHasTwoBlanksBeforeTheNumber) {
  EXPECT_EQ(WaitWindowText(0), L"检测中, 请稍等...  0%");
  EXPECT_EQ(WaitWindowText(57), L"检测中, 请稍等...  57%");
}

TEST_F(WaitWindow, IsAToolWindowThatStartsAtZeroPercent) {
  ScriptedHttpServer server({Silent()});
  Open({Task(server, "TavoraStudentInstaller.exe", L"0123456789abcdef")}, 1000);
  EXPECT_NE(GetWindowLongPtrW(driver.Hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(driver.TextOf(L"lblText"), L"检测中, 请稍等...  0%");
}

TEST_F(WaitWindow, ProgressShowsTheWholePercentAndNeverMoreThan100) {
  ScriptedHttpServer server({Silent()});
  Open({Task(server, "TavoraStudentInstaller.exe", L"0123456789abcdef")}, 1000);
  EXPECT_EQ(AfterProgress(4), L"检测中, 请稍等...  0%");
  EXPECT_EQ(AfterProgress(6), L"检测中, 请稍等...  1%");
  EXPECT_EQ(AfterProgress(9), L"检测中, 请稍等...  1%");
  EXPECT_EQ(AfterProgress(251), L"检测中, 请稍等...  27%");
  EXPECT_EQ(AfterProgress(730), L"检测中, 请稍等...  100%");
  EXPECT_EQ(AfterProgress(500), L"检测中, 请稍等...  100%");
}

TEST_F(WaitWindow, ZeroTotalLeavesTheTextAtZero) {
  ScriptedHttpServer server({Silent()});
  Open({Task(server, "TavoraStudentInstaller.exe", L"0123456789abcdef")}, 0);
  EXPECT_EQ(AfterProgress(65536), L"检测中, 请稍等...  0%");
  EXPECT_EQ(AfterProgress(1), L"检测中, 请稍等...  0%");
  EXPECT_TRUE(driver.IsOpen());
}

TEST_F(WaitWindow, DownloadedInstallerBecomesTheTempCopyAndClosesWithCode2) {
  const std::string program = "MZ newer installer build";
  const std::string gz = GzipBytes(program);
  ScriptedHttpServer server({Serving(gz)});
  Open({Task(server, "TavoraStudentInstaller.exe", Wide(CheckValueText(gz)))}, static_cast<int64_t>(gz.size()));
  EXPECT_EQ(driver.RunModal(20000), 2);
  ASSERT_EQ(g_tempCopies.size(), 1u);
  EXPECT_EQ(g_tempCopies[0], (temp.path() / "TavoraStudentInstaller.exe").wstring());
  EXPECT_EQ(ReadFileBytes(temp / "TavoraStudentInstaller.exe"), program);
}

TEST_F(WaitWindow, FailedTempCopyClosesWithCode4) {
  g_tempCopyResult = false;
  const std::string gz = GzipBytes("MZ newer installer build");
  ScriptedHttpServer server({Serving(gz)});
  Open({Task(server, "TavoraStudentInstaller.exe", Wide(CheckValueText(gz)))}, static_cast<int64_t>(gz.size()));
  EXPECT_EQ(driver.RunModal(20000), 4);
  EXPECT_EQ(g_tempCopies.size(), 1u);
}

TEST_F(WaitWindow, FailedDownloadIsReportedToTheServiceAndClosesWithCode4) {
  ScriptedHttpServer service({Reply::Json(200, "{\"Result\":\"OK\"}")});
  g_updateHelper.SetServiceHosts(service.Host(), service.Host());
  const std::string gz = GzipBytes("MZ newer installer build");
  ScriptedHttpServer server({Serving(gz)});
  const DownloadTask task = Task(server, "TavoraStudentInstaller.exe", Wide(CheckValueText(gz + "x")));
  Open({task}, static_cast<int64_t>(gz.size()));
  EXPECT_EQ(driver.RunModal(20000), 4);
  EXPECT_TRUE(g_tempCopies.empty());

  const std::vector<std::string> targets = service.Targets();
  ASSERT_EQ(targets.size(), 1u);
  const std::string query = QueryOf(targets[0]);
  EXPECT_EQ(query.rfind("REQUESTTYPE=IN_SendUserInstallFailedReason&", 0), 0u) << query;
  const std::string failureLine = "CheckFileMd5(" + server.Url("/rel/TavoraStudentInstaller.exe.gz") + ") failed";
  EXPECT_NE(query.find(failureLine), std::string::npos) << query;
}
