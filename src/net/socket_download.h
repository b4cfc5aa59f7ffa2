// The downloader of module archives: plain HTTP/1.1 over its own Winsock client, through the
// proxy the user's settings name, with redirects, retries, resumption of a cut body, a length
// test, gathered progress reports and a stop flag.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "net/body_observer.h"
#include "net/download_interface.h"
#include "net/progress_reporter.h"
#include "net/system_proxy.h"

// Result codes of one HTTP fetch; a failed Download names its code in its failure line.
constexpr int kFetchSucceeded = 0;
constexpr int kFetchUnauthorized = 1;       // 401 with a positive length
constexpr int kFetchProxyUnauthorized = 2;  // the proxy answered 407
constexpr int kFetchStopped = 4;            // the stop flag was set
constexpr int kFetchRefused = -99;          // another status that is not a followed redirect
constexpr int kFetchNoLength = -100;        // the last response announced no positive length
constexpr int kFetchUnusable = -101;        // the URL, a redirect or a header line could not be used
constexpr int kFetchWriteFailed = -102;     // the local file took fewer bytes than it was given

// Body bytes asked of the connection per block. The stop flag is read between blocks, and
// the blocks' sizes reach the window gathered (CProgressReporter), so the size only sets
// how many receives a download costs: under Wine each is a round trip to the wineserver.
constexpr int kBodyBlockSize = 64 * 1024;

// Connections, failed header exchanges, redirects and resumptions together.
constexpr int kFetchAttempts = 8;
constexpr DWORD kFetchRetryPauseMs = 100;

class TcpClientSocket;
struct HttpContext;

class CSocketDownload : public CIDownload {
 public:
  // The route of one URL (code page 936 text); the system's proxy settings unless a test
  // gives another.
  using ProxyLookup = std::function<ProxyRoute(const std::string& url)>;

  explicit CSocketDownload(HWND notifyWindow, ProxyLookup proxyLookup = SystemProxyFor)
      : CIDownload(notifyWindow), m_proxyLookup(std::move(proxyLookup)) {}

  // The window is told of every byte that ends up in the file, once: when a body starts
  // the file again, bytes are told only past the furthest point told before. Every such
  // byte counted in m_bytesTotal has been posted in a WM_DOWNLOAD_PROGRESS when this
  // returns, unless the stop flag was set or the window went away meanwhile.
  bool Download(const std::wstring& url, const std::wstring& localPath,
                const std::atomic<uint8_t>* stopFlag) override;

  // Sees every byte written to the file, in order, from the next Download on; null for none.
  void SetBodyObserver(IBodyObserver* observer) { m_bodyObserver = observer; }

 private:
  // What one Download keeps across its attempts.
  struct Transfer {
    FILE* file = nullptr;
    int64_t written = 0;     // bytes in the file
    int64_t told = 0;        // furthest point told to the window
    int64_t resumeFrom = 0;  // the next request asks from here; 0 asks for the whole file
    std::string routedUrl;   // the URL whose route is held
    ProxyRoute route;
  };

  // Up to kFetchAttempts attempts at url (code page 936 text), following 302 and 303
  // redirects and resuming a body cut short of its announced length. One of the kFetch
  // result codes.
  int HttpFetch(const std::string& url, Transfer& transfer, const std::atomic<uint8_t>* stopFlag,
                CProgressReporter& progress);
  // One request for context.location and its answer: the fetch's result, or no value when
  // another attempt is due (a followed redirect, a failed connection, request or header, or
  // a body cut short). redirect is set when a 302 or 303 put its "Location" into
  // context.location.
  std::optional<int> FetchOnce(TcpClientSocket& connection, HttpContext& context, bool& redirect,
                               Transfer& transfer, const std::atomic<uint8_t>* stopFlag,
                               CProgressReporter& progress);
  // Writes the bytes that came with the header, then receives the body into the file until
  // the connection ends: kFetchSucceeded, kFetchStopped or kFetchWriteFailed.
  int ReadBody(TcpClientSocket& connection, const HttpContext& context, Transfer& transfer,
               const std::atomic<uint8_t>* stopFlag, CProgressReporter& progress);
  // Appends to the file and tells the window of the bytes past the furthest point told.
  bool WriteBody(const char* bytes, int count, Transfer& transfer, CProgressReporter& progress);
  // The route for context.location, asked again whenever the location changes.
  const ProxyRoute& RouteFor(const std::string& url, Transfer& transfer);

  ProxyLookup m_proxyLookup;
  IBodyObserver* m_bodyObserver = nullptr;
};
