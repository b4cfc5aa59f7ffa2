#include "toolkit/skin_test_window.h"

#include <memory>

#include "toolkit/option_ui.h"
#include "toolkit/skin_resources.h"
#include "toolkit/skin_source.h"

const char kTestLayout[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Window size="400,300" caption="0,0,0,40" roundcorner="2,2">
  <Font name="微软雅黑" size="12" bold="false" italic="false" />
  <VerticalLayout name="root" width="400" height="300" bkcolor="#FFFFFFFF">
    <Label name="lblCaption" text="标题" float="true" pos="10,5,0,0" width="100" height="20" font="0" textcolor="#00000000" />
    <Option name="chkTop" float="true" pos="200,10,0,0" width="16" height="16" />
    <Button name="btnClose" float="true" pos="370,0,0,0" width="30" height="30" bkcolor="#FFFF0000" />
    <Button name="btnA" text="A" float="true" pos="50,100,0,0" width="100" height="40" bkcolor="#FF00FF00" />
    <Button name="btnB" text="B" float="true" pos="200,100,0,0" width="100" height="40" bkcolor="#FF0000FF" />
    <Option name="chkAgree" float="true" pos="50,200,0,0" width="16" height="16" bkcolor="#FF808080" />
    <Label name="lblBody" text="正文" float="true" pos="50,250,0,0" width="100" height="20" />
  </VerticalLayout>
</Window>
)";

void UseMemorySkin(const std::map<std::string, std::string>& files) {
  auto source = std::make_shared<CMemorySkinSource>();
  for (const auto& file : files) source->Add(file.first, file.second);
  CSkinResources::Get().SetSource(source);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

HWND CSkinTestWindow::Open(DWORD exStyle) {
  if (!Create(nullptr, L"SkinTest", kSkinnedWindowStyle, exStyle, 0, 0, 0, 0)) return nullptr;
  CenterWindow();
  return m_hWnd;
}

int CSkinTestWindow::Count(const std::wstring& type) const {
  int count = 0;
  for (const Event& event : events) count += event.type == type;
  return count;
}

POINT CSkinTestWindow::CentreOf(const std::wstring& name) {
  CControlUI* control = Find(name);
  if (!control) return {-1, -1};
  const RECT& rc = control->GetPos();
  return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

LRESULT CSkinTestWindow::HitTest(POINT client) {
  POINT screen = client;
  ClientToScreen(m_hWnd, &screen);
  return ::SendMessageW(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
}

LRESULT CSkinTestWindow::OnCreate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  CWindowWndEx::OnCreate(message, wParam, lParam, handled);
  return BuildLayout(m_layoutFile.c_str()) ? 0 : -1;
}

void CSkinTestWindow::Notify(TNotifyUI& msg) {
  Event event{msg.sType, msg.pSender ? msg.pSender->GetName() : L"", false, false};
  if (auto* option = dynamic_cast<COptionUI*>(msg.pSender)) event.selected = option->IsSelected();
  if (CControlUI* root = m_pm.GetRoot()) {
    RECT client;
    GetClientRect(m_hWnd, &client);
    event.laidOut = EqualRect(&root->GetPos(), &client) && !IsRectEmpty(&client);
  }
  events.push_back(event);
  CWindowWndEx::Notify(msg);
}

void CSkinTestWindow::OnWindowInit() {
  if (onWindowInit) onWindowInit();
}

void PostMouse(HWND window, UINT message, POINT client) {
  const WPARAM keys = (message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE) ? MK_LBUTTON : 0;
  ::PostMessageW(window, message, message == WM_MOUSEMOVE ? 0 : keys, MAKELPARAM(client.x, client.y));
}
