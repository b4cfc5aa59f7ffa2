#include "toolkit/paint_manager.h"

#include <commctrl.h>
#include <windowsx.h>

#include "base/log_helper.h"
#include "base/message_box.h"
#include "base/utf8_text.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/skin_resources.h"
#include "toolkit/toolkit_graphics.h"

namespace {

HINSTANCE g_instance = nullptr;

// The user hears about a broken skin once: every later window fails the same way.
bool g_skinErrorShown = false;

void ReportSkinError(const std::wstring& text, const std::string& detail) {
  CLogHelper::GetInstance()->Log("skin: %s", detail.c_str());
  if (g_skinErrorShown) return;
  g_skinErrorShown = true;
  ShowErrorBox(text);
}

const LayoutFont& DefaultFont() {
  static const LayoutFont font{L"微软雅黑", 12, false, false};
  return font;
}

bool IsSameOrInside(const CControlUI* control, const CControlUI* container) {
  for (; control; control = control->GetParent()) {
    if (control == container) return true;
  }
  return false;
}

// comctl32 is loaded when the first tool tip shows, not at start-up: under Wine loading it
// takes longer than everything else the process does before its first paint. It is loaded
// by its full path because it is no known DLL: a file of that name beside the installer (in
// a downloads folder) must not be loaded instead.
bool RegisterToolTipClass() {
  static const bool registered = [] {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    HMODULE library = LoadLibraryW((std::wstring(system, length) + L"\\comctl32.dll").c_str());
    if (!library) return false;
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init =
        reinterpret_cast<InitFunction>(reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    return init && init(&controls) != FALSE;
  }();
  return registered;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
  if (m_toolTip) DestroyWindow(m_toolTip);
  if (m_offscreenDc) {
    SelectObject(m_offscreenDc, m_offscreenPrevious);
    DeleteDC(m_offscreenDc);
  }
  if (m_offscreenBitmap) DeleteObject(m_offscreenBitmap);
}

void CPaintManagerUI::SetInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE CPaintManagerUI::GetInstance() { return g_instance ? g_instance : GetModuleHandleW(nullptr); }

void CPaintManagerUI::SetResourceZip(const void* data, size_t size) {
  CSkinResources::Get().SetZip(data, size);
  CToolkitGraphics::Get().ClearImages();
}

void CPaintManagerUI::Init(HWND window) { m_window = window; }

bool CPaintManagerUI::LoadLayout(const std::wstring& fileName) {
  CSkinResources& skin = CSkinResources::Get();
  const std::string name = WideToUtf8(fileName);
  if (skin.Status() == SkinStatus::kUnreadable) {
    ReportSkinError(L"界面资源已损坏, 无法显示窗口 !", "the skin archive cannot be read");
    return false;
  }
  if (skin.Status() != SkinStatus::kReady) {
    ReportSkinError(L"界面资源缺失, 无法显示窗口 !", "the program holds no skin archive");
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!skin.Read(name, bytes)) {
    ReportSkinError(L"界面资源中缺少布局文件 " + fileName + L", 无法显示窗口 !", name + " is not in the skin");
    return false;
  }
  LayoutDocument document;
  std::string error;
  if (!ParseLayout(std::string(bytes.begin(), bytes.end()), document, error)) {
    ReportSkinError(L"布局文件 " + fileName + L" 无法解析, 无法显示窗口 !", name + ": " + error);
    return false;
  }
  AttachLayout(document);
  return true;
}

void CPaintManagerUI::AttachLayout(const LayoutDocument& document) {
  m_hot = m_pushed = nullptr;
  m_document = document;
  m_root = BuildControls(m_document.root);
  if (m_root) m_root->SetManager(this, nullptr);
  m_needLayout = true;
  if (!m_window) return;
  // The layout gives the client size; the window keeps whatever frame it has around it.
  RECT window, client;
  GetWindowRect(m_window, &window);
  GetClientRect(m_window, &client);
  const int frameWidth = (window.right - window.left) - client.right;
  const int frameHeight = (window.bottom - window.top) - client.bottom;
  SetWindowPos(m_window, nullptr, 0, 0, document.size.cx + frameWidth, document.size.cy + frameHeight,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  InvalidateRect(m_window, nullptr, FALSE);
}

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (notifier) m_notifiers.push_back(notifier);
}

CControlUI* CPaintManagerUI::FindControl(const std::wstring& name) const {
  return m_root ? m_root->FindControl(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
  const_cast<CPaintManagerUI*>(this)->LayoutIfNeeded();
  return m_root ? m_root->FindControlAt(pt) : nullptr;
}

const LayoutFont& CPaintManagerUI::GetFontInfo(int index) const {
  if (index >= 0 && index < GetFontCount()) return m_document.fonts[index];
  return DefaultFont();
}

Gdiplus::Font* CPaintManagerUI::GetFont(int index) const { return CToolkitGraphics::Get().Font(GetFontInfo(index)); }

void CPaintManagerUI::SendNotify(CControlUI* sender, const wchar_t* type, WPARAM wParam, LPARAM lParam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = sender;
  msg.dwTimestamp = GetTickCount();
  msg.ptMouse = {0, 0};
  if (m_window) {
    GetCursorPos(&msg.ptMouse);
    ScreenToClient(m_window, &msg.ptMouse);
  }
  msg.wParam = wParam;
  msg.lParam = lParam;
  const std::vector<INotifyUI*> notifiers = m_notifiers;
  for (INotifyUI* notifier : notifiers) notifier->Notify(msg);
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
  if (m_window) InvalidateRect(m_window, &rc, FALSE);
}

void CPaintManagerUI::LayoutIfNeeded() {
  if (!m_needLayout || !m_root || !m_window) return;
  m_needLayout = false;
  RECT client;
  GetClientRect(m_window, &client);
  // The root fills the client area, whatever size the layout gives it.
  m_root->Layout(client);
}

void CPaintManagerUI::PaintTo(HDC dc, const RECT& rc) {
  LayoutIfNeeded();
  Gdiplus::Graphics graphics(dc);
  const Gdiplus::Rect clip(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  graphics.SetClip(clip);
  Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
  graphics.FillRectangle(&white, clip);
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  if (m_root && m_root->IsVisible()) m_root->DoPaint(graphics, rc);
}

void CPaintManagerUI::OnPaint() {
  const HWND window = m_window;
  LayoutIfNeeded();
  if (!m_windowInitSent && m_root) {
    m_windowInitSent = true;
    SendNotify(m_root.get(), L"windowinit");
    // Windows close by posting; one destroyed from a handler leaves nothing to paint.
    if (!IsWindow(window)) return;
    LayoutIfNeeded();
  }

  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  const RECT rc = ps.rcPaint;
  if (!IsRectEmpty(&rc)) {
    RECT client;
    GetClientRect(window, &client);
    if (!m_offscreenDc || m_offscreenSize.cx != client.right || m_offscreenSize.cy != client.bottom) {
      if (m_offscreenDc) {
        SelectObject(m_offscreenDc, m_offscreenPrevious);
        DeleteDC(m_offscreenDc);
        m_offscreenDc = nullptr;
      }
      if (m_offscreenBitmap) DeleteObject(m_offscreenBitmap);
      m_offscreenBitmap = CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
      m_offscreenDc = CreateCompatibleDC(dc);
      m_offscreenPrevious = SelectObject(m_offscreenDc, m_offscreenBitmap);
      m_offscreenSize = {client.right, client.bottom};
    }
    PaintTo(m_offscreenDc, rc);
    BitBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, m_offscreenDc, rc.left, rc.top, SRCCOPY);
  }
  EndPaint(window, &ps);
}

void CPaintManagerUI::SetHotControl(CControlUI* control) {
  if (control == m_hot) return;
  HideToolTip();
  if (m_hot) m_hot->SetHot(false);
  m_hot = control;
  if (m_hot) m_hot->SetHot(true);
  // Hover is reported once per tracking request: ask again for the new control.
  m_mouseTracking = false;
  TrackMouse();
}

void CPaintManagerUI::TrackMouse() {
  if (m_mouseTracking || !m_window) return;
  TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE | TME_HOVER, m_window, HOVER_DEFAULT};
  m_mouseTracking = TrackMouseEvent(&track) != FALSE;
}

void CPaintManagerUI::ShowToolTip() {
  if (!m_hot || m_pushed || m_hot->GetToolTip().empty()) return;
  if (!m_toolTip) {
    if (!RegisterToolTipClass()) return;
    m_toolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr,
                                GetInstance(), nullptr);
    if (!m_toolTip) return;
  }
  m_toolTipText = m_hot->GetToolTip();
  TTTOOLINFOW info = {};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  info.hwnd = m_window;
  info.uId = 1;
  info.lpszText = const_cast<wchar_t*>(m_toolTipText.c_str());
  SendMessageW(m_toolTip, m_toolTipAdded ? TTM_SETTOOLINFOW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  m_toolTipAdded = true;
  POINT cursor;
  GetCursorPos(&cursor);
  SendMessageW(m_toolTip, TTM_TRACKPOSITION, 0, MAKELPARAM(cursor.x, cursor.y + 20));
  SendMessageW(m_toolTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
}

void CPaintManagerUI::HideToolTip() {
  if (!m_toolTip || !m_toolTipAdded) return;
  TTTOOLINFOW info = {};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = m_window;
  info.uId = 1;
  SendMessageW(m_toolTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}

void CPaintManagerUI::ForgetControl(CControlUI* control) {
  if (IsSameOrInside(m_hot, control)) {
    HideToolTip();
    m_hot->SetHot(false);
    m_hot = nullptr;
  }
  if (IsSameOrInside(m_pushed, control)) {
    CControlUI* pushed = m_pushed;
    m_pushed = nullptr;
    pushed->SetPushed(false);
    if (m_window && GetCapture() == m_window) ReleaseCapture();
  }
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!m_window) return false;
  switch (message) {
    case WM_PAINT:
      OnPaint();
      result = 0;
      return true;
    case WM_ERASEBKGND:
      // Painting covers every pixel; erasing first would only flicker.
      result = 1;
      return true;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) {
        m_needLayout = true;
        InvalidateRect(m_window, nullptr, FALSE);
      }
      return false;
    case WM_MOUSEMOVE: {
      TrackMouse();
      const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (m_pushed) {
        // The pressed look shows only while the pointer is over the pressed control.
        m_pushed->SetHot(FindControl(pt) == m_pushed);
      } else {
        CControlUI* over = FindControl(pt);
        SetHotControl(over && over->IsClickable() && over->IsEnabled() ? over : nullptr);
      }
      return false;
    }
    case WM_MOUSELEAVE:
      m_mouseTracking = false;
      if (!m_pushed) SetHotControl(nullptr);
      HideToolTip();
      return false;
    case WM_MOUSEHOVER:
      m_mouseTracking = false;
      ShowToolTip();
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      HideToolTip();
      const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      CControlUI* control = FindControl(pt);
      if (control && control->IsClickable() && control->IsEnabled()) {
        SetHotControl(control);
        m_pushed = control;
        control->SetPushed(true);
        SetCapture(m_window);
      }
      return false;
    }
    case WM_LBUTTONUP: {
      if (!m_pushed) return false;
      CControlUI* control = m_pushed;
      m_pushed = nullptr;
      control->SetPushed(false);
      if (GetCapture() == m_window) ReleaseCapture();
      const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      CControlUI* over = FindControl(pt);
      const bool releasedOver = over == control && control->IsShown() && control->IsEnabled();
      if (!releasedOver) control->SetHot(false);
      SetHotControl(over && over->IsClickable() && over->IsEnabled() ? over : nullptr);
      // Last: the click may close the window.
      if (releasedOver) control->Activate();
      return false;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      if (m_pushed && (message == WM_CANCELMODE || reinterpret_cast<HWND>(lParam) != m_window)) {
        CControlUI* control = m_pushed;
        m_pushed = nullptr;
        control->SetPushed(false);
        control->SetHot(false);
        if (m_hot == control) m_hot = nullptr;
      }
      return false;
    case WM_DESTROY:
      if (m_toolTip) DestroyWindow(m_toolTip);
      m_toolTip = nullptr;
      m_toolTipAdded = false;
      return false;
    default:
      return false;
  }
}
