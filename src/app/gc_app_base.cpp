#include "app/gc_app_base.h"

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <objidl.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

CGCAppBase::CGCAppBase() {
  CoInitialize(nullptr);
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

CGCAppBase::~CGCAppBase() {
  WSACleanup();
  CoUninitialize();
}

int CGCAppBase::RunAppInstance(const std::wstring&) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  m_gdiplusToken = token;
  return 0;
}

int CGCAppBase::ExitAppInstance() {
  if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
  m_gdiplusToken = 0;
  return 0;
}
