#include "net/socket_download.h"

#include <memory>
#include <vector>

#include "base/file_owner.h"
#include "net/http_context.h"
#include "net/http_request.h"
#include "net/tcp_client_socket.h"
#include "net/url_split.h"

namespace {

// A large C library buffer gathers the blocks into few writes to the system.
constexpr size_t kFileBufferSize = 256 * 1024;

// URLs travel as Simplified Chinese narrow text (code page 936), whatever the system's code page.
std::string ToCodePage936(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), &narrow[0], size, nullptr,
                      nullptr);
  return narrow;
}

bool Stopped(const std::atomic<uint8_t>* stopFlag) {
  return stopFlag && stopFlag->load(std::memory_order_relaxed) != 0;
}

}  // namespace

bool CSocketDownload::Download(const std::wstring& url, const std::wstring& localPath,
                               const std::atomic<uint8_t>* stopFlag) {
  FileOwner file(_wfopen(localPath.c_str(), L"wb"));
  if (!file) {
    m_errorText += L"Download File Failed, cant write to local, file name (" + url + L")\r\n";
    return false;
  }
  setvbuf(file.get(), nullptr, _IOFBF, kFileBufferSize);
  CProgressReporter progress(m_notifyWindow);
  int result = HttpFetch(ToCodePage936(url), file.get(), stopFlag, progress);
  // Bytes still in the C library's buffer reach the disk only here.
  if (fclose(file.release()) != 0 && result == kFetchSucceeded) result = kFetchWriteFailed;
  // The worker's final message follows; the window has every byte before it.
  static const std::atomic<uint8_t> kNeverStopped{0};
  progress.Flush(stopFlag ? *stopFlag : kNeverStopped);
  if (result == kFetchSucceeded) return true;
  m_errorText += L"Download File Failed, errorcode (" + std::to_wstring(result) + L"), file name (" +
                 url + L")\r\n";
  return false;
}

int CSocketDownload::HttpFetch(const std::string& url, FILE* file,
                               const std::atomic<uint8_t>* stopFlag, CProgressReporter& progress) {
  TcpClientSocket connection;
  connection.SetStopFlag(stopFlag);
  auto context = std::make_unique<HttpContext>(
      [&connection](char* buffer, int size) { return connection.Receive(buffer, size); });

  bool redirect = false;
  int attempt = 0;
  int result = kFetchSucceeded;
  for (;;) {
    if (Stopped(stopFlag)) return kFetchStopped;
    context->fileSize = -1;
    context->chunkSize = -1;
    context->offset = 0;
    if (!redirect) {
      if (url.size() >= kHttpLocationBufferSize) return kFetchUnusable;
      context->location = url;
    }
    redirect = false;
    UrlParts parts;
    if (!SplitUrl(context->location, parts)) return kFetchUnusable;
    if (parts.port < 0) parts.port = 80;

    // An unusable request is known before any connection is made.
    char request[kHttpRequestBufferSize];
    int length = 0;
    if (!FormatHttpRequest(parts.path.c_str(), parts.hostText.c_str(), context->offset, request,
                           length)) {
      return kFetchUnusable;
    }

    bool judged = false;
    if (connection.Connect(parts.host.c_str(), parts.port)) {
      if (connection.Send(request, length) >= 0) {
        context->ResetForResponse();
        char line[kHttpLineBufferSize];
        bool headerRead = false;
        for (;;) {
          bool truncated = false;
          if (ReadHeaderLine(*context, line, truncated) != kHeaderLineRead) break;
          const int processed =
              ProcessHeaderLine(*context, line, context->headerLineCount, redirect, truncated);
          if (processed == kHeaderUnusable) return kFetchUnusable;
          ++context->headerLineCount;
          if (processed == kHeaderEnded) {
            headerRead = true;
            break;
          }
        }
        if (headerRead) {
          const int status = context->statusCode;
          if (status >= 200 && status <= 299) {
            judged = true;
            // Bytes that came with the header are written but not reported as progress.
            const int early = context->UnreadCount();
            if (early > 0 && fwrite(context->Unread(), 1, static_cast<size_t>(early), file) !=
                                 static_cast<size_t>(early)) {
              return kFetchWriteFailed;
            }
            std::vector<char> block(kBodyBlockSize);
            for (;;) {
              if (Stopped(stopFlag)) return kFetchStopped;
              const int received = connection.Receive(block.data(), kBodyBlockSize);
              if (received <= 0) {
                // Receive also gives up when the stop flag is set during a silent wait.
                if (Stopped(stopFlag)) return kFetchStopped;
                result = kFetchSucceeded;
                break;
              }
              if (fwrite(block.data(), 1, static_cast<size_t>(received), file) !=
                  static_cast<size_t>(received)) {
                return kFetchWriteFailed;
              }
              // Unsigned addition: the 32-bit total wraps instead of overflowing.
              m_bytesTotal = static_cast<int32_t>(static_cast<uint32_t>(m_bytesTotal) +
                                                  static_cast<uint32_t>(received));
              m_bytesLast = received;
              progress.Add(static_cast<uint32_t>(received));
            }
          } else if ((status == 302 || status == 303) && redirect) {
            // The next attempt asks the new location.
          } else if (status == 401) {
            judged = true;
            result = kFetchUnauthorized;
          } else {
            judged = true;
            result = kFetchRefused;
          }
        }
      }
    }
    if (judged) break;
    // A redirect, or a failed connection, request or header: one attempt used.
    Sleep(kFetchRetryPauseMs);
    if (++attempt >= kFetchAttempts) {
      result = kFetchSucceeded;
      break;
    }
  }
  if (context->fileSize < 1) result = kFetchNoLength;
  return result;
}
