// What std::terminate does in the installer: tell the debugger and abort.
//
// The C++ library's default handler prints the type of the uncaught exception, demangled, to
// the standard error stream, which a GUI program does not have. Defining the handler here
// keeps that default, and the demangler it pulls in (about 50 KB), out of the executable:
// the linker takes this definition, which it meets first, and never needs the library's.
#include <windows.h>

#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  OutputDebugStringA("TavoraStudentInstaller: terminate called, aborting\n");
  std::abort();
}

}  // namespace __gnu_cxx
