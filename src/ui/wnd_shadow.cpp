#include "ui/wnd_shadow.h"

#include <cstring>
#include <memory>

namespace {

const wchar_t kShadowClass[] = L"VerinShadowWnd";

struct GdiObjectDeleter {
  void operator()(void* object) const {
    if (object) DeleteObject(static_cast<HGDIOBJ>(object));
  }
};
using GdiObject = std::unique_ptr<void, GdiObjectDeleter>;

}  // namespace

CWndShadow::UpdateLayeredWindowFn CWndShadow::s_UpdateLayeredWindow = nullptr;
HINSTANCE CWndShadow::s_hInstance = nullptr;
std::map<HWND, CWndShadow*> CWndShadow::s_Shadowmap;

CWndShadow::CWndShadow() = default;

CWndShadow::~CWndShadow() {
  if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

bool CWndShadow::Initialize(HINSTANCE instance) {
  if (s_UpdateLayeredWindow) return false;
  HMODULE user32 = GetModuleHandleW(L"USER32.DLL");
  if (!user32) return false;
  auto update = reinterpret_cast<UpdateLayeredWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
  if (!update) return false;
  s_hInstance = instance;

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kShadowClass;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  s_UpdateLayeredWindow = update;
  return true;
}

bool CWndShadow::IsAvailable() { return s_UpdateLayeredWindow != nullptr; }

void CWndShadow::Create(HWND parent) {
  if (!s_UpdateLayeredWindow || !parent || m_hWnd) return;
  s_Shadowmap[parent] = this;
  m_parent = parent;
  // Owned by the parent: above it, and never a taskbar button; clicks fall through.
  m_hWnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                           CW_USEDEFAULT, 0, 0, 0, parent, nullptr, s_hInstance, nullptr);
  if (!m_hWnd) {
    s_Shadowmap.erase(parent);
    m_parent = nullptr;
    return;
  }

  const LONG style = static_cast<LONG>(GetWindowLongPtrW(parent, GWL_STYLE));
  if (!(style & WS_VISIBLE)) {
    m_Status = kEnabled;
  } else if (style & (WS_MAXIMIZE | WS_MINIMIZE)) {
    m_Status = kEnabled | kParentVisible;
  } else {
    m_Status = kEnabled | kVisible | kParentVisible;
    ShowWindow(m_hWnd, SW_SHOWNA);
    Update(parent);
  }

  m_OriParentProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(parent, GWLP_WNDPROC));
  SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ParentProc));
}

LRESULT CALLBACK CWndShadow::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = s_Shadowmap.find(window);
  if (found == s_Shadowmap.end()) return DefWindowProcW(window, message, wParam, lParam);
  CWndShadow* shadow = found->second;
  // The parent's own procedure may delete the shadow object (with the window object that
  // holds it); nothing of it is used after that call.
  const WNDPROC previous = shadow->m_OriParentProc;

  switch (message) {
    case WM_DESTROY:
      if (shadow->m_hWnd) DestroyWindow(shadow->m_hWnd);
      shadow->m_hWnd = nullptr;
      break;
    case WM_MOVE:
      if (shadow->m_Status & kVisible) {
        RECT rc;
        GetWindowRect(window, &rc);
        SetWindowPos(shadow->m_hWnd, nullptr, rc.left + shadow->m_nxOffset - shadow->m_nSize,
                     rc.top + shadow->m_nyOffset - shadow->m_nSize, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
      }
      break;
    case WM_SIZE:
      if (shadow->m_Status & kEnabled) {
        if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
          ShowWindow(shadow->m_hWnd, SW_HIDE);
          shadow->m_Status &= ~kVisible;
        } else if (shadow->m_Status & kParentVisible) {
          // Growing: the new size is drawn with the parent's next paint, when its region is set.
          if (LOWORD(lParam) > LOWORD(shadow->m_WndSize) || HIWORD(lParam) > HIWORD(shadow->m_WndSize)) {
            shadow->m_bUpdate = true;
          } else {
            shadow->Update(window);
          }
          if (!(shadow->m_Status & kVisible)) {
            ShowWindow(shadow->m_hWnd, SW_SHOWNA);
            shadow->m_Status |= kVisible;
          }
        }
        shadow->m_WndSize = lParam;
      }
      break;
    case WM_PAINT:
      if (shadow->m_bUpdate) {
        shadow->Update(window);
        shadow->m_bUpdate = false;
      }
      break;
    case WM_SHOWWINDOW:
      if (shadow->m_Status & kEnabled) {
        if (wParam && !(shadow->m_Status & kParentVisible)) {
          shadow->m_bUpdate = true;
          ShowWindow(shadow->m_hWnd, SW_SHOWNA);
          shadow->m_Status |= kVisible | kParentVisible;
        } else if (!wParam) {
          ShowWindow(shadow->m_hWnd, SW_HIDE);
          shadow->m_Status &= ~(kVisible | kParentVisible);
        }
      }
      break;
    case WM_EXITSIZEMOVE:
      if (shadow->m_Status & kVisible) shadow->Update(window);
      break;
    case WM_NCDESTROY:
      s_Shadowmap.erase(window);
      shadow->m_parent = nullptr;
      break;
    default:
      break;
  }
  return CallWindowProcW(previous, window, message, wParam, lParam);
}

std::vector<ShadowRowSpan> WindowRowSpans(HWND window, int width, int height) {
  std::vector<ShadowRowSpan> rows(static_cast<size_t>(std::max(height, 0)), ShadowRowSpan{width, 0});
  GdiObject region(CreateRectRgn(0, 0, 0, 0));
  const int kind = region ? GetWindowRgn(window, static_cast<HRGN>(region.get())) : ERROR;
  if (kind == ERROR) {
    for (ShadowRowSpan& row : rows) row = {0, width};
    return rows;
  }
  const DWORD bytes = GetRegionData(static_cast<HRGN>(region.get()), 0, nullptr);
  if (bytes == 0) return rows;
  std::vector<uint8_t> buffer(bytes);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (!GetRegionData(static_cast<HRGN>(region.get()), bytes, data)) return rows;
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  for (DWORD i = 0; i < data->rdh.nCount; ++i) {
    const RECT& rc = rects[i];
    const int left = std::max<int>(rc.left, 0), right = std::min<int>(rc.right, width);
    if (left >= right) continue;
    for (int y = std::max<int>(rc.top, 0); y < std::min<int>(rc.bottom, height); ++y) {
      rows[y].first = std::min(rows[y].first, left);
      rows[y].end = std::max(rows[y].end, right);
    }
  }
  return rows;
}

ShadowParams CWndShadow::GetParams() const {
  ShadowParams params;
  params.darkness = m_nDarkness;
  params.sharpness = m_nSharpness;
  params.size = m_nSize;
  params.xOffset = m_nxOffset;
  params.yOffset = m_nyOffset;
  params.color = m_Color;
  return params;
}

void CWndShadow::Update(HWND parent) {
  if (!m_hWnd || !s_UpdateLayeredWindow) return;
  RECT rc;
  GetWindowRect(parent, &rc);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  ShadowBitmap bitmap;
  if (!RenderShadow(GetParams(), width, height, WindowRowSpans(parent, width, height), bitmap)) return;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = bitmap.width;
  info.bmiHeader.biHeight = bitmap.height;  // bottom-up, as the pixels are laid out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return;
  std::memcpy(bits, bitmap.pixels.data(), bitmap.pixels.size() * sizeof(uint32_t));

  HDC memory = CreateCompatibleDC(nullptr);
  if (!memory) return;
  HGDIOBJ previous = SelectObject(memory, dib.get());
  POINT destination = {rc.left + m_nxOffset - m_nSize, rc.top + m_nyOffset - m_nSize};
  SIZE size = {bitmap.width, bitmap.height};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  MoveWindow(m_hWnd, destination.x, destination.y, bitmap.width, bitmap.height, FALSE);
  s_UpdateLayeredWindow(m_hWnd, nullptr, &destination, &size, memory, &source, 0, &blend, ULW_ALPHA);
  SelectObject(memory, previous);
  DeleteDC(memory);
}

void CWndShadow::RedrawIfVisible() {
  if ((m_Status & kVisible) && m_parent) Update(m_parent);
}

bool CWndShadow::SetSize(int size) {
  if (size < -20 || size > 20) return false;
  m_nSize = static_cast<int8_t>(size);
  RedrawIfVisible();
  return true;
}

bool CWndShadow::SetSharpness(unsigned sharpness) {
  if (sharpness > 20) return false;
  m_nSharpness = static_cast<uint8_t>(sharpness);
  RedrawIfVisible();
  return true;
}

bool CWndShadow::SetDarkness(unsigned darkness) {
  if (darkness > 255) return false;
  m_nDarkness = static_cast<uint8_t>(darkness);
  RedrawIfVisible();
  return true;
}

bool CWndShadow::SetPosition(int x, int y) {
  if (x < -20 || x > 20 || y < -20 || y > 20) return false;
  m_nxOffset = static_cast<int8_t>(x);
  m_nyOffset = static_cast<int8_t>(y);
  RedrawIfVisible();
  return true;
}

bool CWndShadow::SetColor(COLORREF color) {
  m_Color = color;
  RedrawIfVisible();
  return true;
}
