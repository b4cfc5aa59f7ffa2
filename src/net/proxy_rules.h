// Which proxy takes a plain HTTP request, read from the proxy and bypass lists as Windows
// keeps them ("host:port", "http=host:port;https=host:port", "<local>;*.school.lan").
#pragma once

#include <string>

struct ProxyServer {
  std::string host;  // name or address to resolve
  int port = 80;
};

// The proxy for http:// URLs in proxyList: the "http=" entry when there is one, otherwise
// the first entry without a scheme. Entries are separated by ";" or white space and may
// carry "http://". Examples:
//   "10.0.0.1:3128"                          -> 10.0.0.1, 3128
//   "https=a:443;http=proxy.lan:8080"        -> proxy.lan, 8080
//   "http://proxy.lan"                       -> proxy.lan, 80
//   "https=a:443" or "socks=a:1080" or ""    -> false (no proxy for HTTP)
bool ChooseHttpProxy(const std::string& proxyList, ProxyServer& proxy);

// True when an entry of bypassList (separated by ";", "," or white space, letter case
// ignored) names the host of an http:// URL: "*" stands for any run of characters, an
// entry may end in ":port" and begin with "http://", and "<local>" names every host
// without a dot. Examples for host "files.school.lan", port 80:
//   "*.school.lan" yes; "files.school.lan:80" yes; "files.school.lan:8080" no;
//   "<local>" no (it has dots); "https://files.school.lan" no.
bool BypassesProxy(const std::string& bypassList, const std::string& host, int port);
