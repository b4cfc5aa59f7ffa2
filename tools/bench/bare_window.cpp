// The yardstick of the first-paint benchmark: the least a Win32 program does to show a window.
// It registers a class, creates one 600 x 380 window, paints it, prints how long after the
// process started the first paint ended (as skin_gallery --time does) and exits.
#include <windows.h>

#include <cstdio>

namespace {

double MillisecondsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return (ticks(now) - ticks(created)) / 10000.0;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static bool reported = false;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      EndPaint(window, &paint);
      if (!reported) {
        reported = true;
        printf("first paint %.1f ms after process start\n", MillisecondsSinceProcessStart());
        fflush(stdout);
        PostMessageW(window, WM_CLOSE, 0, 0);
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"BareWindow";
  if (!RegisterClassW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, L"BareWindow", L"bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 600, 380, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
