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
// WM_DOWNLOAD_PROGRESS. Every receive and every posted message costs a round trip to the
// system (about 0.1 ms under Wine), so blocks of 4096 bytes would hold a download to a few
// tens of MB/s; 64 KiB blocks keep the socket, not the bookkeeping, the limit.
constexpr int kBodyBlockSize = 64 * 1024;

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
