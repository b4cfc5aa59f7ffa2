// The install progress window in a real window built from the skin: what it fetches, what
// its bar, tip and slides show, what it reports and which code it closes with.
#include "ui/ins_install_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/close_code.h"
#include "base/run_mode.h"
#include "base/utf8_text.h"
#include "build_settings.h"
#include "net/check_value.h"
#include "net/download_messages.h"
#include "net/request_codec.h"
#include "net/update_helper.h"
#include "package/aftermath_helper.h"
#include "package/work_folders.h"
#include "support/download_text.h"
#include "support/scripted_http_server.h"
#include "support/temp_folder.h"
#include "support/zip_builder.h"
#include "system/integration_names.h"
#include "system/stand_in_client.h"
#include "toolkit/skin_resources.h"
#include "toolkit/skin_source.h"

namespace fs = std::filesystem;

namespace {

using Reply = ScriptedHttpServer::Reply;

// Runs a test step on the window thread once every message posted before it was handled.
constexpr UINT WM_TEST_STEP = WM_APP + 17;

// The install window with hooks for the test: a step list run through posted messages, and
// observers of the messages and timers it handles.
class CProbeInstallWindow : public CInsInstallWindow {
 public:
  using Step = std::function<void(CProbeInstallWindow&)>;

  std::function<void(CProbeInstallWindow&)> atInit;
  // Called before the window handles a message of the download or install workers.
  std::function<void(CProbeInstallWindow&, UINT)> beforeWorkerMessage;
  // Called after the window handled one of its own timers.
  std::function<void(CProbeInstallWindow&, UINT_PTR)> afterTimer;

  CControlUI* Find(const wchar_t* name) { return m_pm.FindControl(name); }
  std::wstring Text(const wchar_t* name) { return Find(name) ? Find(name)->GetText() : L"(missing)"; }
  std::string Image(const wchar_t* name) { return Find(name) ? Find(name)->GetBkImage() : "(missing)"; }
  RECT Pos(const wchar_t* name) { return Find(name) ? Find(name)->GetPos() : RECT{-1, -1, -1, -1}; }

  void Post(UINT message, WPARAM wParam = 0) { ::PostMessageW(m_hWnd, message, wParam, 0); }
  void Then(Step step) {
    m_steps.push_back(std::move(step));
    ::PostMessageW(m_hWnd, WM_TEST_STEP, m_steps.size() - 1, 0);
  }
  int StepsRun() const { return m_stepsRun; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TEST_STEP) {
      ++m_stepsRun;
      m_steps[wParam](*this);
      return 0;
    }
    if (beforeWorkerMessage && (message == WM_DOWNLOAD_PROGRESS || message == WM_DOWNLOAD_DONE ||
                                message == WM_DOWNLOAD_FAILED || message == WM_INSTALL_REGISTER)) {
      beforeWorkerMessage(*this, message);
    }
    return CInsInstallWindow::HandleMessage(message, wParam, lParam);
  }
  void OnWindowInit() override {
    CInsInstallWindow::OnWindowInit();
    if (atInit) atInit(*this);
  }
  LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override {
    const LRESULT result = CInsInstallWindow::OnTimer(message, wParam, lParam, handled);
    if (afterTimer && (wParam == kWaitTimerId || wParam == kAnimationTimerId)) afterTimer(*this, wParam);
    return result;
  }

 private:
  std::vector<Step> m_steps;
  int m_stepsRun = 0;
};

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// A download server that answers nothing for a minute on each of its connections: the download
// worker stays busy, and only the test's own messages move the window.
std::vector<Reply> SilentReplies() { return std::vector<Reply>(8, Reply().Pause(60000)); }

std::string FullPackageManifest(const std::string& checkValue, long long bytes) {
  return "{\"MainVersion\":\"1,2,0,5\",\"Modules\":[],"
         "\"InstallPackageNew\":{\"name\":\"TavoraStudent-" + checkValue + ".zip\",\"bytes\":" +
         std::to_string(bytes) + "}}";
}

// What an install-failure report carried: its reason text, or "(none)" for another request.
std::string ReportedReason(const std::string& target) {
  const size_t start = target.find("RequestData=");
  if (start == std::string::npos) return "(none)";
  const size_t end = target.find('&', start);
  std::string escaped = target.substr(start + 12, end == std::string::npos ? std::string::npos : end - start - 12);
  std::string base64, cipher, query;
  if (!UnescapeRequestData(escaped, base64) || !Base64Decode(base64, cipher) ||
      !TripleDesOfb(cipher, settings::kDesKey, query)) {
    return "(undecodable)";
  }
  if (query.rfind("REQUESTTYPE=IN_SendUserInstallFailedReason&", 0) != 0) return "(none)";
  const std::string field = "UNINSTALLREASONDATA=";
  const size_t reason = query.find(field);
  const size_t reasonEnd = query.find("&BROWSER=", reason);
  if (reason == std::string::npos || reasonEnd == std::string::npos) return "(none)";
  return query.substr(reason + field.size(), reasonEnd - reason - field.size());
}

class InsInstallWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.MakeCurrent();  // the log lands here
    CSkinResources::Get().SetSource(std::make_shared<CFolderSkinSource>(TAVORA_SKIN_FOLDER));
    CWndShadow::Initialize(GetModuleHandleW(nullptr));
    CInstallWindow::ResetLastWindowPosition();
    g_runMode = RunMode::Install;
    g_updateHelper.m_mainVersion = L"1,2,0,5";
    g_updateHelper.m_workFolder = temp.path().wstring() + L"\\";
    g_updateHelper.SetServiceHosts(service.Host(), service.Host());
    installFolderExisted = fs::exists(fs::path(InstallFolder()));
  }
  void TearDown() override {
    // The real installation folder of the test prefix goes back to how the test found it.
    if (!installFolderExisted) g_aftermathHelper.RemoveFolderTree(InstallFolder());
  }

  void UseDownloads(const ScriptedHttpServer& downloads, const std::string& manifest) {
    g_updateHelper.m_downloadBaseUrl = Wide(downloads.Url("/rel/"));
    g_updateHelper.m_response = Wide(manifest);
  }
  CProbeInstallWindow* NewWindow() {
    auto* window = new CProbeInstallWindow;
    window->SetConnectivityCheck([] { return true; });
    return window;
  }
  int Run(CProbeInstallWindow* window) { return CWindowWndEx::RunModal(window, L"InsInstallWindow"); }
  // The reasons of the install-failure reports the service received.
  std::vector<std::string> Reports() {
    std::vector<std::string> reasons;
    for (const std::string& target : service.Targets()) reasons.push_back(ReportedReason(target));
    return reasons;
  }

  TempFolder temp;
  // Each test's window sends at most one failure report.
  ScriptedHttpServer service{{Reply::Json(200, "{\"Result\":\"OK\"}")}};
  bool installFolderExisted = false;
};

// A full install whose download runs against a silent server, driven by posted messages.
class InsInstallWindowProgress : public InsInstallWindow {
 protected:
  void SetUp() override {
    InsInstallWindow::SetUp();
    UseDownloads(downloads, FullPackageManifest("0123456789abcdef", 1000));
  }
  ScriptedHttpServer downloads{SilentReplies()};
};

}  // namespace

TEST_F(InsInstallWindowProgress, ProgressRedrawsOnlyWhenTheWholePercentChanges) {
  auto* window = NewWindow();
  const RECT onePercent = {41, 318, 47, 325};
  int steps = 0;
  // Each step checks what the messages posted before it did, then posts the next ones.
  window->atInit = [&](CProbeInstallWindow& w) {
    EXPECT_EQ(w.Text(L"lblTextStatus"), L"正在安装Qelvo");
    EXPECT_EQ(w.Text(L"lblProgressTip"), L"( 0% )");
    w.Post(WM_DOWNLOAD_PROGRESS, 10);  // 1 %
    w.Then([&](CProbeInstallWindow& w) {
      ++steps;
      EXPECT_EQ(w.Text(L"lblProgressTip"), L"( 1% )");
      EXPECT_TRUE(SameRect(w.Pos(L"lblProgress"), onePercent));
      // A mark that only a redraw would replace.
      w.Find(L"lblProgressTip")->SetText(L"unchanged");
      w.Post(WM_DOWNLOAD_PROGRESS, 9);  // 1.9 %: still 1
      w.Then([&](CProbeInstallWindow& w) {
        ++steps;
        EXPECT_EQ(w.Text(L"lblProgressTip"), L"unchanged");
        EXPECT_TRUE(SameRect(w.Pos(L"lblProgress"), onePercent));
        w.Post(WM_DOWNLOAD_PROGRESS, 1);  // 2 %
        w.Then([&](CProbeInstallWindow& w) {
          ++steps;
          EXPECT_EQ(w.Text(L"lblProgressTip"), L"( 2% )");
          EXPECT_TRUE(SameRect(w.Pos(L"lblProgress"), RECT{41, 318, 52, 325}));
          w.Post(WM_DOWNLOAD_PROGRESS, 480);  // 50 %
          w.Then([&](CProbeInstallWindow& w) {
            ++steps;
            EXPECT_EQ(w.Text(L"lblProgressTip"), L"( 50% )");
            EXPECT_TRUE(SameRect(w.Pos(L"lblProgress"), RECT{41, 318, 301, 325}));
            EXPECT_FALSE(w.Find(L"lblProgressEnd")->IsVisible());
            w.Close(kCloseCancelled);
          });
        });
      });
    });
  };
  EXPECT_EQ(Run(window), kCloseCancelled);
  EXPECT_EQ(steps, 4);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(InsInstallWindowProgress, PercentAboveHundredIsIgnoredAndHundredShowsTheRightCap) {
  auto* window = NewWindow();
  int steps = 0;
  window->atInit = [&](CProbeInstallWindow& w) {
    w.Post(WM_DOWNLOAD_PROGRESS, 990);  // 99 %
    w.Post(WM_DOWNLOAD_PROGRESS, 20);   // 101 %: ignored
    w.Then([&](CProbeInstallWindow& w) {
      ++steps;
      EXPECT_EQ(w.Text(L"lblProgressTip"), L"( 99% )");
      EXPECT_TRUE(SameRect(w.Pos(L"lblProgress"), RECT{41, 318, 554, 325}));
      EXPECT_FALSE(w.Find(L"lblProgressEnd")->IsVisible());
    });
    w.Close(kCloseCancelled);
  };
  EXPECT_EQ(Run(window), kCloseCancelled);
  EXPECT_EQ(steps, 1);

  // Exactly 100 % shows the full bar and the right cap.
  window = NewWindow();
  steps = 0;
  window->atInit = [&](CProbeInstallWindow& w) {
    w.Post(WM_DOWNLOAD_PROGRESS, 1000);
    w.Then([&](CProbeInstallWindow& w) {
      ++steps;
      EXPECT_EQ(w.Text(L"lblProgressTip"), L"( 100% )");
      EXPECT_TRUE(SameRect(w.Pos(L"lblProgress"), RECT{41, 318, 560, 325}));
      EXPECT_TRUE(w.Find(L"lblProgressEnd")->IsVisible());
    });
    w.Close(kCloseCancelled);
  };
  EXPECT_EQ(Run(window), kCloseCancelled);
  EXPECT_EQ(steps, 1);
}

TEST_F(InsInstallWindowProgress, ZeroTotalLeavesTheProgressAtZero) {
  UseDownloads(downloads, FullPackageManifest("0123456789abcdef", 0));
  auto* window = NewWindow();
  int steps = 0;
  window->atInit = [&](CProbeInstallWindow& w) {
    w.Post(WM_DOWNLOAD_PROGRESS, 4096);
    w.Post(WM_DOWNLOAD_PROGRESS, 4096);
    w.Then([&](CProbeInstallWindow& w) {
      ++steps;
      EXPECT_EQ(w.Text(L"lblProgressTip"), L"( 0% )");
      EXPECT_TRUE(SameRect(w.Pos(L"lblProgress"), RECT{41, 318, 42, 325}));
    });
    w.Close(kCloseCancelled);
  };
  EXPECT_EQ(Run(window), kCloseCancelled);
  EXPECT_EQ(steps, 1);
}

TEST_F(InsInstallWindowProgress, CarouselFlipsEveryTickByTenPixelsAndWrapsToTheFirstSlide) {
  struct Flip {
    int ticks;
    std::string shown, parked, head, end;
    uint32_t barColour;
    std::vector<std::string> dots;
  };
  std::vector<Flip> flips;
  int ticks = 0;
  bool midFlipSeen = false;
  auto* window = NewWindow();
  window->SetCarouselTimings({10, 10, 1});
  window->afterTimer = [&](CProbeInstallWindow& w, UINT_PTR timer) {
    if (timer != CInsInstallWindow::kAnimationTimerId) return;
    ++ticks;
    const RECT one = w.Pos(L"lblIntroduce1"), two = w.Pos(L"lblIntroduce2");
    if (flips.empty() && ticks == 30) {
      midFlipSeen = one.left == -300 && two.left == 300 && one.right - one.left == 600 && two.right - two.left == 600;
    }
    const bool oneShown = one.left == 0 && two.left == 600;
    const bool twoShown = two.left == 0 && one.left == 600;
    if (!oneShown && !twoShown) return;
    Flip flip;
    flip.ticks = ticks;
    flip.shown = w.Image(oneShown ? L"lblIntroduce1" : L"lblIntroduce2");
    flip.parked = w.Image(oneShown ? L"lblIntroduce2" : L"lblIntroduce1");
    flip.head = w.Image(L"lblProgressHead");
    flip.end = w.Image(L"lblProgressEnd");
    flip.barColour = w.Find(L"lblProgress")->GetBkColor();
    for (const wchar_t* dot : {L"lblFlipStatus1", L"lblFlipStatus2", L"lblFlipStatus3", L"lblFlipStatus4"}) {
      flip.dots.push_back(w.Image(dot));
    }
    flips.push_back(flip);
    ticks = 0;
    if (flips.size() == 5) w.Close(kCloseCancelled);
  };
  EXPECT_EQ(Run(window), kCloseCancelled);

  ASSERT_EQ(flips.size(), 5u);
  EXPECT_TRUE(midFlipSeen);
  const uint32_t colours[] = {0xFF3FA1FA, 0xFFFE9E0C, 0xFFFD6F59, 0xFF0DB841};
  for (size_t i = 0; i < flips.size(); ++i) {
    const int shown = static_cast<int>((i + 1) % 4) + 1;  // 2, 3, 4, 1, 2
    const int next = shown % 4 + 1;
    const std::string n = std::to_string(shown);
    SCOPED_TRACE("flip " + std::to_string(i + 1));
    EXPECT_EQ(flips[i].ticks, 60);
    EXPECT_EQ(flips[i].shown, "lbl_introduce_" + n + ".png");
    EXPECT_EQ(flips[i].parked, "lbl_introduce_" + std::to_string(next) + ".png");
    EXPECT_EQ(flips[i].barColour, colours[shown - 1]);
    EXPECT_EQ(flips[i].head, "lbl_progress_head" + n + ".png");
    EXPECT_EQ(flips[i].end, "lbl_progress_end" + n + ".png");
    for (int dot = 1; dot <= 4; ++dot) {
      EXPECT_EQ(flips[i].dots[dot - 1],
                dot == shown ? "btn_introduce_check" + n + ".png" : std::string("btn_introduce_uncheck.png"))
          << "dot " << dot;
    }
  }
  // After the fourth slide the carousel comes back to the first.
  EXPECT_EQ(flips[2].parked, "lbl_introduce_1.png");
  EXPECT_EQ(flips[3].shown, "lbl_introduce_1.png");
}

TEST_F(InsInstallWindowProgress, FirstSlideStaysOneSecondAndLaterSlidesThree) {
  DWORD initTick = 0, firstTick = 0, flipEnd = 0, secondTick = 0;
  auto* window = NewWindow();
  window->atInit = [&](CProbeInstallWindow&) { initTick = GetTickCount(); };
  window->afterTimer = [&](CProbeInstallWindow& w, UINT_PTR timer) {
    if (timer != CInsInstallWindow::kAnimationTimerId) return;
    if (!firstTick) firstTick = GetTickCount();
    if (!flipEnd && w.Pos(L"lblIntroduce2").left == 0) {
      flipEnd = GetTickCount();
    } else if (flipEnd && !secondTick) {
      secondTick = GetTickCount();
      w.Close(kCloseCancelled);
    }
  };
  EXPECT_EQ(Run(window), kCloseCancelled);
  ASSERT_NE(secondTick, 0u);
  EXPECT_GE(firstTick - initTick, 950u);
  EXPECT_LT(firstTick - initTick, 2500u);
  EXPECT_GE(flipEnd - firstTick, 250u) << "60 ticks of at least 5 ms";
  EXPECT_GE(secondTick - flipEnd, 2950u);
  EXPECT_LT(secondTick - flipEnd, 5000u);
}

TEST_F(InsInstallWindow, DownloadFailureReportsTheWorkersLinesAndClosesWithFour) {
  ScriptedHttpServer downloads({Reply().Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found")});
  UseDownloads(downloads, FullPackageManifest("0123456789abcdef", 1000));
  EXPECT_EQ(Run(NewWindow()), kCloseFailed);
  const std::string url = downloads.Url("/rel/TavoraStudent-0123456789abcdef.zip.gz");
  EXPECT_EQ(downloads.ConnectionCount(), 1);
  EXPECT_EQ(Reports(), std::vector<std::string>{"Download File Failed, errorcode (-99), file name (" + url + ")\r\n"});
}

TEST_F(InsInstallWindow, UnreadableManifestInUpdateModeReportsTheStepAndClosesWithFour) {
  g_runMode = RunMode::Update;
  ScriptedHttpServer downloads(SilentReplies());
  UseDownloads(downloads, "not a manifest");
  EXPECT_EQ(Run(NewWindow()), kCloseFailed);
  EXPECT_EQ(Reports(), std::vector<std::string>{"BuildModuleTaskList failed\r\n"});
  EXPECT_EQ(downloads.ConnectionCount(), 0);
  EXPECT_EQ(g_runMode, RunMode::Update);
}

TEST_F(InsInstallWindow, UnreadableManifestInInstallModeReportsBothStepsAndClosesWithFour) {
  ScriptedHttpServer downloads(SilentReplies());
  UseDownloads(downloads, "{\"InstallPackageNew\":{\"name\":\"no check value\",\"bytes\":1}}");
  EXPECT_EQ(Run(NewWindow()), kCloseFailed);
  EXPECT_EQ(Reports(), std::vector<std::string>{"GetFullPackageTask failed\r\nBuildModuleTaskList failed\r\n"});
  EXPECT_EQ(downloads.ConnectionCount(), 0);
}

TEST_F(InsInstallWindow, NothingToUpdateSetsRunModeThreeAndClosesWithOneBeforeFetching) {
  g_runMode = RunMode::Update;
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Started());
  ScriptedHttpServer downloads(SilentReplies());
  UseDownloads(downloads, "{\"MainVersion\":\"1,2,0,5\",\"Modules\":[]}");
  EXPECT_EQ(Run(NewWindow()), kCloseProceed);
  EXPECT_EQ(g_runMode, RunMode::UpToDate);
  EXPECT_EQ(downloads.ConnectionCount(), 0);
  EXPECT_TRUE(client.Running()) << "nothing to fetch: the client is left alone";
  EXPECT_TRUE(Reports().empty());
}

TEST_F(InsInstallWindowProgress, RunningClientIsStoppedWhenTheDownloadStarts) {
  StandInClient client(StandInClientPath());
  ASSERT_TRUE(client.Started());
  bool runningAtFirstRequest = true;
  auto* window = NewWindow();
  window->atInit = [&](CProbeInstallWindow& w) {
    w.Then([&](CProbeInstallWindow& w) {
      for (int i = 0; i < 500 && downloads.Requests().empty(); ++i) Sleep(10);
      if (!downloads.Requests().empty()) runningAtFirstRequest = client.Running();
      w.Close(kCloseCancelled);
    });
  };
  EXPECT_EQ(Run(window), kCloseCancelled);
  ASSERT_EQ(downloads.Requests().size(), 1u);
  EXPECT_FALSE(runningAtFirstRequest);
}

TEST_F(InsInstallWindow, ClientThatDoesNotExitFailsTheInstallBeforeAnythingIsFetched) {
  ScriptedHttpServer downloads(SilentReplies());
  UseDownloads(downloads, FullPackageManifest("0123456789abcdef", 1000));
  auto* window = NewWindow();
  int stopRequests = 0;
  window->SetClientStopper([&] {
    ++stopRequests;
    return ClientStop::kStillRunning;
  });
  EXPECT_EQ(Run(window), kCloseFailed);
  EXPECT_EQ(stopRequests, 1);
  EXPECT_EQ(downloads.ConnectionCount(), 0);
  EXPECT_EQ(Reports(), std::vector<std::string>{"TavoraStudent.exe did not exit when it was stopped; nothing was installed\r\n"});
}

TEST_F(InsInstallWindow, ModuleWithARefusedNameFailsTheUpdateNamingIt) {
  g_runMode = RunMode::Update;
  ScriptedHttpServer downloads(SilentReplies());
  UseDownloads(downloads,
               "{\"MainVersion\":\"1,2,0,5\",\"Modules\":[{\"name\":\"..\\\\evil-0123456789abcdef.dll\",\"bytes\":10,"
               "\"version\":\"1.0.0.1\",\"registerdll\":\"false\"},{\"name\":\"libqz-0123456789abcdef.dll\","
               "\"bytes\":10,\"version\":\"1.0.0.1\",\"registerdll\":\"false\"}]}");
  EXPECT_EQ(Run(NewWindow()), kCloseFailed);
  EXPECT_EQ(downloads.ConnectionCount(), 0);
  EXPECT_EQ(Reports(), std::vector<std::string>{"BuildModuleTaskList failed\r\nmodule ..\\evil-0123456789abcdef.dll "
                                                "refused: its installed name is not a plain file name\r\n"});
}

TEST_F(InsInstallWindow, UpdateFetchesTheChangedModuleAndSaysSo) {
  g_runMode = RunMode::Update;
  ScriptedHttpServer downloads(SilentReplies());
  // The module is missing from the installation folder, so it is fetched.
  UseDownloads(downloads,
               "{\"MainVersion\":\"1,2,0,5\",\"Modules\":[{\"name\":\"libqz-0123456789abcdef.dll\",\"bytes\":10,"
               "\"version\":\"1.0.0.1\",\"registerdll\":\"false\"}]}");
  auto* window = NewWindow();
  std::wstring status;
  window->atInit = [&](CProbeInstallWindow& w) {
    status = w.Text(L"lblTextStatus");
    w.Then([&](CProbeInstallWindow& w) {
      // Bounded: the worker connects within a few milliseconds.
      for (int i = 0; i < 500 && downloads.Requests().empty(); ++i) Sleep(10);
      w.Close(kCloseCancelled);
    });
  };
  EXPECT_EQ(Run(window), kCloseCancelled);
  EXPECT_EQ(status, L"正在更新Qelvo");
  const std::vector<std::string> requests = downloads.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].rfind("GET /rel/libqz-0123456789abcdef.dll.gz HTTP/1.1\r\n", 0), 0u) << requests[0];
}

// A full install end to end: the package served over HTTP, checked, expanded, unpacked into
// the installation folder, then shortcuts and the uninstall entry.
class InsInstallWindowFullPackage : public InsInstallWindow {
 protected:
  void SetUp() override {
    InsInstallWindow::SetUp();
    hadDesktopShortcut = fs::exists(fs::path(DesktopShortcutPath()));
    HKEY key = nullptr;
    hadUninstallEntry = RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
  }
  void TearDown() override {
    if (!hadDesktopShortcut) g_aftermathHelper.RemoveShortcuts();
    if (!hadUninstallEntry) g_aftermathHelper.DeleteUninstallEntry();
    InsInstallWindow::TearDown();
  }

  struct Seen {
    int progressMessages = 0;
    std::wstring tipAtDone;    // before the window handled WM_DOWNLOAD_DONE
    RECT barAtDone = {};
    std::wstring tipAtRegister;  // after the download was done, before registering
    RECT barAtRegister = {};
    bool endShownAtRegister = false;
  };

  // Serves the package, declaring its size times declaredBytesFactor in the manifest, and
  // runs the window.
  int Install(long long declaredBytesFactor, Seen& seen) {
    const std::string zip = ZipBuilder()
                                .Add("TavoraStudent/", "", false)
                                .Add("TavoraStudent/TavoraStudent.exe", "packaged client")
                                .Add("TavoraStudent/config.ini", std::string(20000, 'c'))
                                .Build();
    const std::string gz = GzipBytes(zip);
    ScriptedHttpServer downloads({Reply()
                                      .Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(gz.size()) + "\r\n\r\n")
                                      .Pause(20)
                                      .Send(gz)});
    UseDownloads(downloads, FullPackageManifest(CheckValueText(gz), declaredBytesFactor * static_cast<long long>(gz.size())));
    auto* window = NewWindow();
    window->beforeWorkerMessage = [&](CProbeInstallWindow& w, UINT message) {
      if (message == WM_DOWNLOAD_PROGRESS) ++seen.progressMessages;
      if (message == WM_DOWNLOAD_DONE) {
        seen.tipAtDone = w.Text(L"lblProgressTip");
        seen.barAtDone = w.Pos(L"lblProgress");
      }
      if (message == WM_INSTALL_REGISTER) {
        seen.tipAtRegister = w.Text(L"lblProgressTip");
        seen.barAtRegister = w.Pos(L"lblProgress");
        seen.endShownAtRegister = w.Find(L"lblProgressEnd")->IsVisible();
      }
    };
    return Run(window);
  }

  bool hadDesktopShortcut = false;
  bool hadUninstallEntry = false;
};

std::wstring RegistryText(const wchar_t* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"(no key)";
  wchar_t text[512] = {};
  DWORD size = sizeof text - sizeof text[0];
  DWORD type = 0;
  const LONG result = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? std::wstring(text) : std::wstring(L"(missing)");
}

// The number in a "( n% )" tip; -1 when it is not one.
int TipPercent(const std::wstring& tip) {
  int percent = -1;
  wchar_t closing = 0;
  if (swscanf(tip.c_str(), L"( %d%% %lc", &percent, &closing) != 2 || closing != L')') return -1;
  return percent;
}

TEST_F(InsInstallWindowFullPackage, InstallsRegistersAndClosesWithOneShowingHundredAtTheEnd) {
  Seen seen;
  // The manifest declares four times the real size: the reports end at 25 % at most.
  EXPECT_EQ(Install(4, seen), kCloseProceed);
  EXPECT_GT(seen.progressMessages, 0);
  EXPECT_GE(TipPercent(seen.tipAtDone), 0) << seen.tipAtDone;
  EXPECT_LE(TipPercent(seen.tipAtDone), 25) << seen.tipAtDone;
  EXPECT_EQ(seen.tipAtRegister, L"( 100% )");
  EXPECT_TRUE(SameRect(seen.barAtRegister, RECT{41, 318, 560, 325}));
  EXPECT_TRUE(seen.endShownAtRegister);

  EXPECT_EQ(ReadFileBytes(fs::path(InstallFolder() + L"TavoraStudent.exe")), "packaged client");
  EXPECT_EQ(ReadFileBytes(fs::path(InstallFolder() + L"config.ini")), std::string(20000, 'c'));
  EXPECT_TRUE(fs::exists(fs::path(DesktopShortcutPath())));
  EXPECT_TRUE(fs::exists(fs::path(ProgramShortcutPath())));
  EXPECT_TRUE(fs::exists(fs::path(UninstallShortcutPath())));
  EXPECT_EQ(RegistryText(L"DisplayVersion"), L"1,2,0,5");
  EXPECT_EQ(RegistryText(L"UninstallString"), InstallFolder() + L"TavoraStudentInstaller.exe uninstall");
  EXPECT_EQ(g_runMode, RunMode::Install);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(InsInstallWindowFullPackage, ZeroDeclaredBytesKeepZeroUntilTheDownloadIsDone) {
  Seen seen;
  EXPECT_EQ(Install(0, seen), kCloseProceed);
  EXPECT_GT(seen.progressMessages, 0);
  EXPECT_EQ(seen.tipAtDone, L"( 0% )");
  EXPECT_TRUE(SameRect(seen.barAtDone, RECT{41, 318, 42, 325}));
  EXPECT_EQ(seen.tipAtRegister, L"( 100% )");
  EXPECT_TRUE(seen.endShownAtRegister);
  EXPECT_EQ(ReadFileBytes(fs::path(InstallFolder() + L"TavoraStudent.exe")), "packaged client");
}

TEST_F(InsInstallWindowFullPackage, RefusedItemFailsTheInstallWithItsLineAndRegistersNothing) {
  const std::string zip = ZipBuilder()
                              .Add("TavoraStudent/TavoraStudent.exe", "packaged client")
                              .Add("TavoraStudent/../../../escaped.txt", "outside")
                              .Build();
  const std::string gz = GzipBytes(zip);
  ScriptedHttpServer downloads(
      {Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(gz.size()) + "\r\n\r\n" + gz)});
  UseDownloads(downloads, FullPackageManifest(CheckValueText(gz), static_cast<long long>(gz.size())));
  EXPECT_EQ(Run(NewWindow()), kCloseFailed);
  EXPECT_EQ(Reports(), std::vector<std::string>{"TavoraStudent.zip item 1 \"TavoraStudent/../../../escaped.txt\": "
                                                "refused, its name leaves the target folder\r\n"});
  EXPECT_FALSE(fs::exists(fs::path(InstallFolder() + L"TavoraStudent.exe")));
  if (!hadDesktopShortcut) {
    EXPECT_FALSE(fs::exists(fs::path(DesktopShortcutPath())));
  }
  if (!hadUninstallEntry) {
    EXPECT_EQ(RegistryText(L"DisplayVersion"), L"(no key)");
  }
}
