// The downloader of module archives: plain HTTP/1.1 over its own Winsock client, with
// redirects, retries, a length test, gathered progress reports and a stop flag.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "net/download_interface.h"
#include "net/progress_reporter.h"

// Result codes of one HTTP fetch; a failed Download names its code in its failure line.
constexpr int kFetchSucceeded = 0;
constexpr int kFetchUnauthorized = 1;   // 401 with a positive length
constexpr int kFetchStopped = 4;        // the stop flag was set
constexpr int kFetchRefused = -99;      // another status that is not a followed redirect
constexpr int kFetchNoLength = -100;    // the last response announced no positive length
constexpr int kFetchUnusable = -101;    // the URL, a redirect or a header line could not be used
constexpr int kFetchWriteFailed = -102; // the local file took fewer bytes than it was given

// Body bytes asked of the connection per block. The stop flag is read between blocks, and
// the blocks' sizes reach the window gathered (CProgressReporter), so the size only sets
// how many receives a download costs: under Wine each is a round trip to the wineserver.
constexpr int kBodyBlockSize = 64 * 1024;

constexpr int kFetchAttempts = 8;      // connections, failed header exchanges and redirects together
constexpr DWORD kFetchRetryPauseMs = 100;

class TcpClientSocket;
struct HttpContext;

class CSocketDownload : public CIDownload {
 public:
  explicit CSocketDownload(HWND notifyWindow) : CIDownload(notifyWindow) {}

  // Every body byte counted in m_bytesTotal has been posted in a WM_DOWNLOAD_PROGRESS when
  // this returns, unless the stop flag was set or the window went away meanwhile.
  bool Download(const std::wstring& url, const std::wstring& localPath,
                const std::atomic<uint8_t>* stopFlag) override;

 private:
  // Up to kFetchAttempts attempts at url (code page 936 text), following 302 and 303
  // redirects; the body goes to file. One of the kFetch result codes.
  int HttpFetch(const std::string& url, FILE* file, const std::atomic<uint8_t>* stopFlag,
                CProgressReporter& progress);
  // One request for context.location and its answer: the fetch's result, or no value when
  // another attempt is due (a followed redirect, or a failed connection, request or header).
  // redirect is set when a 302 or 303 put its "Location" into context.location.
  std::optional<int> FetchOnce(TcpClientSocket& connection, HttpContext& context, bool& redirect,
                               FILE* file, const std::atomic<uint8_t>* stopFlag,
                               CProgressReporter& progress);
  // Writes the bytes that came with the header, then receives the body into file until the
  // connection ends: kFetchSucceeded, kFetchStopped or kFetchWriteFailed.
  int ReadBody(TcpClientSocket& connection, const HttpContext& context, FILE* file,
               const std::atomic<uint8_t>* stopFlag, CProgressReporter& progress);
};
