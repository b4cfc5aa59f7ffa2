// The proxy the user's Internet settings send one http:// URL to, chosen as the system's own
// HTTP stacks choose it: automatic detection and the configuration script where the settings
// ask for them, then the static proxy with its bypass list.
#pragma once

#include <optional>
#include <string>

#include "net/proxy_rules.h"

struct ProxyRoute {
  std::optional<ProxyServer> proxy;  // no value: connect to the URL's own host
  std::string how;                   // for the log: "direct", "static proxy", "auto-config", ...
};

// url is code page 936 text of the form the downloader fetches. A URL the settings cannot be
// read for goes direct.
ProxyRoute SystemProxyFor(const std::string& url);
