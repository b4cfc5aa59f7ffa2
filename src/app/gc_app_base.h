// Base of the application object: COM and Winsock for the life of the process. Its own
// RunAppInstance starts GDI+; the installer's application replaces it, so there the toolkit
// starts GDI+ when it first draws.
#pragma once

#include <cstdint>
#include <string>

class CGCAppBase {
 public:
  CGCAppBase();
  virtual ~CGCAppBase();
  virtual int RunAppInstance(const std::wstring& cmdLine);
  virtual int ExitAppInstance();

 protected:
  uintptr_t m_gdiplusToken = 0;
};
