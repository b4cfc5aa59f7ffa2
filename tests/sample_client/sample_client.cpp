// A stand-in for the installed student client: one window that says which build is installed.
#include <windows.h>

#include <string>

namespace {

const wchar_t kWindowClass[] = L"TavoraStudentSampleWindow";

std::wstring OwnVersionText() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return L"?";
  std::wstring block(size / sizeof(wchar_t) + 1, L'\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!GetFileVersionInfoW(path, 0, size, &block[0]) ||
      !VerQueryValueW(&block[0], L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed) {
    return L"?";
  }
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

int CALLBACK FoundFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// The first installed family that has Chinese glyphs (Wine ships none of Windows' own).
HFONT CreateChineseFont() {
  HDC screen = GetDC(nullptr);
  const wchar_t* chosen = L"MS Shell Dlg";
  for (const wchar_t* family : {L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei", L"Noto Sans CJK SC"}) {
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, family, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(screen, &wanted, FoundFont, reinterpret_cast<LPARAM>(&found), 0);
    if (found) {
      chosen = family;
      break;
    }
  }
  ReleaseDC(nullptr, screen);
  return CreateFontW(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, chosen);
}

struct WindowState {
  HFONT font = nullptr;
  std::wstring text;
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc, &client, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
      if (state) {
        HGDIOBJ previous = SelectObject(dc, state->font);
        SetBkMode(dc, TRANSPARENT);
        InflateRect(&client, -24, -24);
        DrawTextW(dc, state->text.c_str(), -1, &client, DT_LEFT | DT_TOP | DT_WORDBREAK);
        SelectObject(dc, previous);
      }
      EndPaint(window, &paint);
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
  WindowState state;
  state.font = CreateChineseFont();
  const std::wstring version = OwnVersionText();
  state.text = L"Qelvo 学生端 (sample)\r\n\r\n这是已安装的学生端，版本 " + version +
               L"。\r\nThis is the installed student client, version " + version + L".";
  if (commandLine && *commandLine) state.text += std::wstring(L"\r\n\r\n命令行: ") + commandLine;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);

  HWND window = CreateWindowExW(0, kWindowClass, L"Qelvo 学生端 (sample)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 560, 260, nullptr, nullptr, instance, &state);
  if (!window) return 1;
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DeleteObject(state.font);
  return 0;
}
