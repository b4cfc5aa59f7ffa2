// Clicks a point of a program's skinned window from inside Wine, as a mouse would: posts
// WM_MOUSEMOVE, WM_LBUTTONDOWN and WM_LBUTTONUP at client coordinates. No window manager,
// focus or pointer is involved, so other windows on the display cannot take the click.
// Usage: window_clicker.exe PROGRAM CLASS WIDTHxHEIGHT X Y
//   PROGRAM  start of the owning process's file name (ASCII, any case), e.g. TavoraStudentInstaller
//   CLASS    window class, e.g. UIMainFrame
//   WIDTHxHEIGHT  client size the window must have (0x0: any)
// Exit codes: 0 clicked, 1 no such window, 3 more than one such window, 2 usage.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
  std::wstring program;
  std::wstring windowClass;
  int width = 0;
  int height = 0;
  std::vector<HWND> found;
};

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring ProcessFileName(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return std::wstring();
  wchar_t path[MAX_PATH * 2] = {};
  DWORD length = MAX_PATH * 2;
  const BOOL ok = QueryFullProcessImageNameW(process, 0, path, &length);
  CloseHandle(process);
  if (!ok) return std::wstring();
  const std::wstring full(path, length);
  const size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  wchar_t className[256] = {};
  GetClassNameW(window, className, 256);
  if (search->windowClass != className) return TRUE;
  RECT client = {};
  GetClientRect(window, &client);
  if (search->width > 0 && (client.right != search->width || client.bottom != search->height)) return TRUE;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (Lower(ProcessFileName(processId)).rfind(search->program, 0) != 0) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) return 2;
  Search search;
  search.program = Lower(argv[1]);
  search.windowClass = argv[2];
  if (swscanf(argv[3], L"%dx%d", &search.width, &search.height) != 2) return 2;
  const int x = _wtoi(argv[4]);
  const int y = _wtoi(argv[5]);
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  if (search.found.empty()) return 1;
  if (search.found.size() > 1) return 3;
  const HWND window = search.found.front();
  const LPARAM point = MAKELPARAM(x, y);
  PostMessageW(window, WM_MOUSEMOVE, 0, point);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(window, WM_LBUTTONUP, 0, point);
  return 0;
}
