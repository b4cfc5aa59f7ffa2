// Opens one layout of the skin archive in a real window, in the state its window shows first,
// for screenshots; with --time it prints how long the process took to paint the window.
//   skin_gallery.exe InsAboutWindow.xml [seconds] [--time]
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "base/file_owner.h"
#include "base/run_mode.h"
#include "toolkit/option_ui.h"
#include "toolkit/paint_manager.h"
#include "ui/install_window_texts.h"
#include "ui/window_wnd_ex.h"
#include "ui/wnd_shadow.h"

namespace {

const wchar_t kSampleVersion[] = L"1,2,0,5";

class CGalleryWindow : public CWindowWndEx {
 public:
  CGalleryWindow(std::wstring layout, int seconds, bool timing)
      : m_layout(std::move(layout)), m_seconds(seconds), m_timing(timing) {}

 protected:
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override {
    CWindowWndEx::OnCreate(message, wParam, lParam, handled);
    return BuildLayout(m_layout.c_str()) ? 0 : -1;
  }

  void OnWindowInit() override {
    const bool uninstall = m_layout == L"UniUninstallWindow.xml";
    if (CControlUI* caption = m_pm.FindControl(L"lblCaption")) {
      caption->SetText(InstallCaptionText(uninstall ? RunMode::Uninstall : RunMode::Install, kSampleVersion));
    }
    if (CControlUI* version = m_pm.FindControl(L"btnvesion")) version->SetText(VersionButtonText(kSampleVersion));
    if (auto* agree = dynamic_cast<COptionUI*>(m_pm.FindControl(L"chkAgree"))) agree->Selected(true);
    if (m_layout == L"InsAboutWindow.xml") Hide(L"lblUpdate");
    if (uninstall) {
      for (const wchar_t* name : {L"btnUniComplete", L"lblProgressBk", L"lblProgressFo", L"lblStatus", L"lblStatusComplete"}) {
        Hide(name);
      }
    }
    if (m_seconds > 0) SetTimer(m_hWnd, 1, m_seconds * 1000, nullptr);
  }

  void OnAfterPaint() override {
    if (!m_timing || m_reported) return;
    m_reported = true;
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
      return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    printf("first paint %.1f ms after process start\n", (ticks(now) - ticks(created)) / 10000.0);
    fflush(stdout);
    if (m_seconds <= 0) Close(1);
  }

  LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&) override {
    Close(1);
    return 0;
  }

 private:
  void Hide(const wchar_t* name) {
    if (CControlUI* control = m_pm.FindControl(name)) control->SetVisible(false);
  }

  std::wstring m_layout;
  int m_seconds;
  bool m_timing;
  bool m_reported = false;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) return 2;
  const std::wstring layout = argv[1];
  const int seconds = argc > 2 ? _wtoi(argv[2]) : 5;
  const bool timing = argc > 3 && std::wstring(argv[3]) == L"--time";
  LocalFree(argv);

  CWndShadow::Initialize(instance);
  CPaintManagerUI::SetInstance(instance);
  // Read with stdio, as the installer reads files: a C++ stream would add the stream library's
  // start-up to the first-paint time this program measures.
  static std::string skin;
  ReadWholeFile(TAVORA_SKIN_ZIP_FILE, skin);
  CPaintManagerUI::SetResourceZip(skin.data(), skin.size());

  CGalleryWindow window(layout, seconds, timing);
  const std::wstring name = layout.substr(0, layout.rfind(L".xml"));
  return CWindowWndEx::RunModal(&window, name.c_str(), name == L"WaitWindow" ? WS_EX_TOOLWINDOW : 0) == 1 ? 0 : 1;
}
