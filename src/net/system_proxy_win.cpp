#include "net/system_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <memory>

#include "net/url_split.h"

namespace {

struct GlobalText {
  void operator()(wchar_t* text) const { GlobalFree(text); }
};
using GlobalTextOwner = std::unique_ptr<wchar_t, GlobalText>;

struct WinHttpCloser {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using WinHttpOwner = std::unique_ptr<void, WinHttpCloser>;

// Proxy names and bypass entries are ASCII; anything else cannot name a host we resolve.
std::string Narrow(const wchar_t* text) {
  std::string narrow;
  for (; text && *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
  return narrow;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Detection that found no script is not asked again in this run: on a network without one,
// each try waits for the name lookups of the discovery.
std::atomic<bool> g_autoDetectFailed{false};

enum class AutoAnswer { kNone, kDirect, kProxy };

// What the configuration script (or the one automatic detection finds) says for url.
AutoAnswer AskAutoProxy(const std::string& url, const wchar_t* configUrl, bool detect,
                        std::string& proxyList, std::string& bypassList) {
  if (!configUrl && (!detect || g_autoDetectFailed)) return AutoAnswer::kNone;
  WinHttpOwner session(WinHttpOpen(L"", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return AutoAnswer::kNone;
  // Fetching the script is bounded like a download's connection.
  WinHttpSetTimeouts(session.get(), 5000, 5000, 5000, 5000);
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (configUrl) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = configUrl;
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info = {};
  const std::wstring wideUrl = Wide(url);
  if (!WinHttpGetProxyForUrl(session.get(), wideUrl.c_str(), &options, &info)) {
    if (!configUrl) g_autoDetectFailed = true;
    return AutoAnswer::kNone;
  }
  GlobalTextOwner proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || !proxy) return AutoAnswer::kDirect;
  proxyList = Narrow(proxy.get());
  bypassList = Narrow(bypass.get());
  return AutoAnswer::kProxy;
}

ProxyRoute Route(const UrlParts& parts, const std::string& proxyList, const std::string& bypassList,
                 const char* how) {
  ProxyRoute route;
  ProxyServer server;
  if (!ChooseHttpProxy(proxyList, server)) {
    route.how = std::string(how) + " names no HTTP proxy";
    return route;
  }
  if (BypassesProxy(bypassList, parts.host, parts.port < 0 ? 80 : parts.port)) {
    route.how = std::string(how) + " bypassed";
    return route;
  }
  route.proxy = server;
  route.how = how;
  return route;
}

}  // namespace

ProxyRoute SystemProxyFor(const std::string& url) {
  ProxyRoute direct;
  direct.how = "direct";
  UrlParts parts;
  if (!SplitUrl(url, parts)) return direct;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return direct;
  GlobalTextOwner configUrl(config.lpszAutoConfigUrl), proxy(config.lpszProxy),
      bypass(config.lpszProxyBypass);

  std::string autoProxy, autoBypass;
  switch (AskAutoProxy(url, configUrl.get(), config.fAutoDetect != FALSE, autoProxy, autoBypass)) {
    case AutoAnswer::kDirect:
      direct.how = configUrl ? "auto-config says direct" : "auto-detect says direct";
      return direct;
    case AutoAnswer::kProxy:
      return Route(parts, autoProxy, autoBypass, configUrl ? "auto-config" : "auto-detect");
    case AutoAnswer::kNone:
      break;  // as the system does: the static settings when no script answered
  }
  if (!proxy) return direct;
  return Route(parts, Narrow(proxy.get()), Narrow(bypass.get()), "static proxy");
}
