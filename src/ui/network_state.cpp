#include "ui/network_state.h"

#include <windows.h>
#include <wininet.h>

namespace {

using IsNetworkAliveFn = BOOL(WINAPI*)(LPDWORD);

// Loaded once for the process, freed at exit.
class CSensApi {
 public:
  CSensApi() : m_module(LoadLibraryW(L"sensapi.dll")) {
    if (m_module) {
      m_isNetworkAlive = reinterpret_cast<IsNetworkAliveFn>(
          reinterpret_cast<void*>(GetProcAddress(m_module, "IsNetworkAlive")));
    }
  }
  ~CSensApi() {
    if (m_module) FreeLibrary(m_module);
  }
  CSensApi(const CSensApi&) = delete;
  CSensApi& operator=(const CSensApi&) = delete;

  bool IsNetworkAlive() const {
    DWORD flags = 0;
    return m_isNetworkAlive && m_isNetworkAlive(&flags);
  }

 private:
  HMODULE m_module;
  IsNetworkAliveFn m_isNetworkAlive = nullptr;
};

}  // namespace

bool IsNetworkConnected() {
  static const CSensApi sensApi;
  if (sensApi.IsNetworkAlive()) return true;
  DWORD state = 0;
  return InternetGetConnectedState(&state, 0) != FALSE;
}
