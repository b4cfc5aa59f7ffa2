// Entry point: compatibility mark, single instance, skin, one run; the relaunch follows at
// process exit, when the application object is destroyed.
#include <windows.h>

#include <string>

#include "app/tavora_installer_app.h"
#include "toolkit/paint_manager.h"
#include "ui/wnd_shadow.h"

namespace {

// Static lifetime: destroyed after wWinMain returned and released the mutex, so a program it
// starts (a temp copy of this installer) can take the mutex.
CTavoraInstallerApp theApp;

// Marks this program as known to the Program Compatibility Assistant, so it does not ask
// "did this program install correctly?" after the run.
void MarkCompatibilityAssistant() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER,
                    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted",
                    0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  const std::wstring path = OwnModulePath();
  const DWORD one = 1;
  RegSetValueExW(key, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);
}

// The skin archive embedded as resource "SkinZip" 129; stays loaded until the run ends.
struct SkinResource {
  HGLOBAL handle = nullptr;
  const void* bytes = nullptr;
  DWORD size = 0;
};

SkinResource LoadSkinResource(HINSTANCE instance) {
  SkinResource skin;
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(129), L"SkinZip");
  if (!found) return skin;
  skin.handle = LoadResource(instance, found);
  if (!skin.handle) return skin;
  skin.bytes = LockResource(skin.handle);
  skin.size = SizeofResource(instance, found);
  return skin;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmdLine, int) {
  MarkCompatibilityAssistant();

  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"_TavoraInstaller_Instance_");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    return 0;
  }

  CWndShadow::Initialize(instance);
  CPaintManagerUI::SetInstance(instance);
  // A missing or damaged skin is reported when the first window is to be built.
  SkinResource skin = LoadSkinResource(instance);
  CPaintManagerUI::SetResourceZip(skin.bytes, skin.size);

  theApp.RunAppInstance(cmdLine ? cmdLine : L"");

  if (skin.handle) FreeResource(skin.handle);
  if (mutex) CloseHandle(mutex);
  return 0;
}
