// The downloader of module archives: plain HTTP/1.1 over its own Winsock client, with
// redirects, retries, a length test, progress per block and a stop flag.
#pragma once

#include <cstdio>
#include <string>

#include "net/download_interface.h"

// Result codes of one HTTP fetch; a failed Download names its code in its failure line.
constexpr int kFetchSucceeded = 0;
constexpr int kFetchUnauthorized = 1;   // 401 with a positive length
constexpr int kFetchStopped = 4;        // the stop flag was set
constexpr int kFetchRefused = -99;      // another status that is not a followed redirect
constexpr int kFetchNoLength = -100;    // the last response announced no positive length
constexpr int kFetchUnusable = -101;    // the URL, a redirect or a header line could not be used
constexpr int kFetchWriteFailed = -102; // the local file took fewer bytes than it was given

// Body bytes asked of the connection per block; each block is written and reported as one
// WM_DOWNLOAD_PROGRESS, so the windows' progress moves in steps of at most this size.
// On Windows a receive and a posted message cost microseconds; under Wine each is a round
// trip to the wineserver (about 0.1 ms), which holds a download there to a few tens of MB/s.
constexpr int kBodyBlockSize = 4096;

constexpr int kFetchAttempts = 8;      // connections, failed header exchanges and redirects together
constexpr DWORD kFetchRetryPauseMs = 100;

class CSocketDownload : public CIDownload {
 public:
  explicit CSocketDownload(HWND notifyWindow) : CIDownload(notifyWindow) {}

  bool Download(const std::wstring& url, const std::wstring& localPath,
                const std::atomic<uint8_t>* stopFlag) override;

 private:
  int HttpFetch(const std::string& url, FILE* file, const std::atomic<uint8_t>* stopFlag);
};
