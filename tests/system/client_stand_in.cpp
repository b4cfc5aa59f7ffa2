// Stands in for the installed student client in tests: a real window under the client's
// program name that closes itself after a minute, so a failed test leaves nothing running.
// With the command line "kill-clients" it instead stops a running client itself and exits
// with 11 when one was found, 10 when none was.
#include <windows.h>

#include <cwchar>

#include "package/aftermath_helper.h"

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kLifetimeMs = 60000;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  if (wcscmp(commandLine, L"kill-clients") == 0) {
    CAftermathHelper helper;
    return helper.KillClientProcess() ? 11 : 10;
  }

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"TavoraStudentStandIn";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowW(windowClass.lpszClassName, L"Qelvo 学生端 (stand-in for tests)", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
  if (!window) return 2;
  SetTimer(window, kLifetimeTimer, kLifetimeMs, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
