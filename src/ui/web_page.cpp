#include "ui/web_page.h"

#include "package/aftermath_helper.h"
#include "system/integration_names.h"

namespace {

BrowserLauncher g_browserLauncher = nullptr;

}  // namespace

std::wstring MakerWebPageAddress(const std::wstring& path) {
  // The site's root address already ends in "/".
  const std::wstring relative = (!path.empty() && path[0] == L'/') ? path.substr(1) : path;
  return MakerWebAddress() + relative;
}

void OpenMakerWebPage(const std::wstring& path) {
  const std::wstring address = MakerWebPageAddress(path);
  if (g_browserLauncher) {
    g_browserLauncher(address);
    return;
  }
  g_aftermathHelper.OpenUrlInBrowser(address);
}

BrowserLauncher SetBrowserLauncher(BrowserLauncher launcher) {
  const BrowserLauncher previous = g_browserLauncher;
  g_browserLauncher = launcher;
  return previous;
}
