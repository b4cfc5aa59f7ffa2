// Base of the application object: COM, Winsock and GDI+ for the life of the process.
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
