// What the five installer windows share: title, icon, caption and version texts, the
// remembered screen position, a drop shadow and the network watcher.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ui/window_wnd_ex.h"
#include "ui/wnd_shadow.h"

// Posted by the network watcher when the third consecutive check found no connection.
constexpr UINT WM_NETWORK_LOST = WM_USER + 912;

class CInstallWindow : public CWindowWndEx {
 public:
  static constexpr UINT kIconId = 107;
  static constexpr UINT_PTR kShadowTimerId = 111;
  static constexpr UINT kShadowTimerMs = 255;

  CInstallWindow();
  ~CInstallWindow() override;

  // Where the last installer window was when it closed; (-1, -1) before any closed.
  static POINT LastWindowPosition();
  static void ResetLastWindowPosition();

  // Replaces the connectivity check of the network watcher (tests); before window init.
  void SetConnectivityCheck(std::function<bool()> check) { m_connectivityCheck = std::move(check); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
  // Runs before each window's own initialisation.
  void OnWindowInit() override;
  // The window object lives on the heap and goes with its window.
  void OnFinalMessage(HWND window) override;

  virtual void OnNetworkLost();
  // Starts the watcher thread; the welcome, install and uninstall windows call it in their
  // window init.
  void StartNetworkWatch();
  void NetworkWatchProc();

  CWndShadow m_shadow;
  std::shared_ptr<std::thread> m_networkWatcher;
  std::atomic<bool> m_stopNetworkWatch{false};

 private:
  void StopNetworkWatch();

  std::mutex m_networkPostLock;  // no WM_NETWORK_LOST is posted once the stop flag is set
  std::function<bool()> m_connectivityCheck;
};
