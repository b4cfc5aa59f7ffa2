// The downloader of module archives: plain HTTP/1.1 over its own Winsock client, with
// redirects, retries, a length test, gathered progress reports and a stop flag.
#pragma once

#include <cstdio>
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

class CSocketDownload : public CIDownload {
 public:
  explicit CSocketDownload(HWND notifyWindow) : CIDownload(notifyWindow) {}

  // Every body byte counted in m_bytesTotal has been posted in a WM_DOWNLOAD_PROGRESS when
  // this returns, unless the stop flag was set or the window went away meanwhile.
  bool Download(const std::wstring& url, const std::wstring& localPath,
                const std::atomic<uint8_t>* stopFlag) override;

 private:
  int HttpFetch(const std::string& url, FILE* file, const std::atomic<uint8_t>* stopFlag,
                CProgressReporter& progress);
};
