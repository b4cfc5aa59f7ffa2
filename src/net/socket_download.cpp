#include "net/socket_download.h"

#include <io.h>

#include <memory>
#include <optional>
#include <vector>

#include "base/file_owner.h"
#include "base/log_helper.h"
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

// kHeaderEnded once the empty line was read, kHeaderUnusable when a line the download depends
// on could not be used, kHeaderLineFailed when the connection ended before the empty line.
int ReadResponseHeader(HttpContext& context, bool& redirect) {
  context.ResetForResponse();
  char line[kHttpLineBufferSize];
  for (;;) {
    bool truncated = false;
    if (ReadHeaderLine(context, line, truncated) != kHeaderLineRead) return kHeaderLineFailed;
    const int processed =
        ProcessHeaderLine(context, line, context.headerLineCount, redirect, truncated);
    if (processed == kHeaderUnusable) return kHeaderUnusable;
    ++context.headerLineCount;
    if (processed == kHeaderEnded) return kHeaderEnded;
  }
}

// A fetch whose last response announced no positive length fails with kFetchNoLength instead
// of the result its status gave.
int LengthTested(const HttpContext& context, int result) {
  return context.fileSize < 1 ? kFetchNoLength : result;
}

// Empties the file for a body that starts again from its first byte.
bool StartFileAgain(FILE* file) {
  return fflush(file) == 0 && _chsize(_fileno(file), 0) == 0 && fseek(file, 0, SEEK_SET) == 0;
}

std::string ProxyText(const ProxyServer& proxy) { return proxy.host + ":" + std::to_string(proxy.port); }

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
  Transfer transfer;
  transfer.file = file.get();
  int result = HttpFetch(ToCodePage936(url), transfer, stopFlag, progress);
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

int CSocketDownload::HttpFetch(const std::string& url, Transfer& transfer,
                               const std::atomic<uint8_t>* stopFlag, CProgressReporter& progress) {
  TcpClientSocket connection;
  connection.SetStopFlag(stopFlag);
  auto context = std::make_unique<HttpContext>(
      [&connection](char* buffer, int size) { return connection.Receive(buffer, size); });

  bool redirect = false;
  for (int attempt = 1;; ++attempt) {
    if (Stopped(stopFlag)) return kFetchStopped;
    // The attempt right after a redirect asks for its location; every other asks for url.
    if (!redirect) {
      if (url.size() >= kHttpLocationBufferSize) return kFetchUnusable;
      context->location = url;
    }
    redirect = false;
    const std::optional<int> result =
        FetchOnce(connection, *context, redirect, transfer, stopFlag, progress);
    if (result) return *result;
    // A redirect, a failed connection, request or header, or a cut body: one attempt used.
    Sleep(kFetchRetryPauseMs);
    if (attempt >= kFetchAttempts) return LengthTested(*context, kFetchSucceeded);
  }
}

const ProxyRoute& CSocketDownload::RouteFor(const std::string& url, Transfer& transfer) {
  if (url != transfer.routedUrl) {
    transfer.route = m_proxyLookup ? m_proxyLookup(url) : ProxyRoute();
    transfer.routedUrl = url;
    if (transfer.route.proxy) {
      CLogHelper::GetInstance()->Log("download %s through the proxy %s (%s)", url.c_str(),
                                     ProxyText(*transfer.route.proxy).c_str(), transfer.route.how.c_str());
    }
  }
  return transfer.route;
}

std::optional<int> CSocketDownload::FetchOnce(TcpClientSocket& connection, HttpContext& context,
                                              bool& redirect, Transfer& transfer,
                                              const std::atomic<uint8_t>* stopFlag,
                                              CProgressReporter& progress) {
  // Nothing an earlier response announced may count for this attempt, even when it ends
  // before a header arrives: the length test after the last attempt reads fileSize.
  context.fileSize = -1;
  context.chunkSize = -1;
  context.offset = transfer.resumeFrom;
  UrlParts parts;
  if (!SplitUrl(context.location, parts)) return kFetchUnusable;
  if (parts.port < 0) parts.port = 80;
  const ProxyRoute& route = RouteFor(context.location, transfer);

  // A proxy is asked for the absolute URL; every other header stays as it is.
  const std::string target = route.proxy ? "http://" + parts.hostText + parts.path : parts.path;
  // An unusable request is known before any connection is made.
  char request[kHttpRequestBufferSize];
  int length = 0;
  if (!FormatHttpRequest(target.c_str(), parts.hostText.c_str(), context.offset, request, length)) {
    return kFetchUnusable;
  }
  const bool connected = route.proxy ? connection.Connect(route.proxy->host.c_str(), route.proxy->port)
                                     : connection.Connect(parts.host.c_str(), parts.port);
  if (!connected) {
    if (route.proxy) {
      CLogHelper::GetInstance()->Log("the proxy %s cannot be reached (error %d)",
                                     ProxyText(*route.proxy).c_str(), static_cast<int>(connection.LastError()));
    }
    return std::nullopt;
  }
  if (connection.Send(request, length) < 0) return std::nullopt;

  const int header = ReadResponseHeader(context, redirect);
  if (header == kHeaderUnusable) return kFetchUnusable;
  if (header != kHeaderEnded) return std::nullopt;

  const int status = context.statusCode;
  // The next attempt asks the new location.
  if ((status == 302 || status == 303) && redirect) return std::nullopt;
  if (status == 407 && route.proxy) {
    CLogHelper::GetInstance()->Log("the proxy %s refused the download of %s (407)",
                                   ProxyText(*route.proxy).c_str(), context.location.c_str());
    return kFetchProxyUnauthorized;
  }
  if (status >= 200 && status <= 299) {
    // Only a part that starts where the file ends is appended; any other answer is the
    // whole file from its first byte.
    const bool continues = transfer.resumeFrom > 0 && status == 206 && context.offset == transfer.resumeFrom;
    if (!continues && transfer.written > 0) {
      if (!StartFileAgain(transfer.file)) return kFetchWriteFailed;
      transfer.written = 0;
      if (m_bodyObserver) m_bodyObserver->BodyRestarted();
    }
    transfer.resumeFrom = 0;
    const int bodyResult = ReadBody(connection, context, transfer, stopFlag, progress);
    if (bodyResult != kFetchSucceeded) return bodyResult;
    // A body cut short of its announced length is asked for again from where it ended.
    if (context.fileSize > 0 && transfer.written < context.fileSize) {
      transfer.resumeFrom = transfer.written;
      CLogHelper::GetInstance()->Log("download of %s cut at %lld of %lld bytes", context.location.c_str(),
                                     static_cast<long long>(transfer.written),
                                     static_cast<long long>(context.fileSize));
      return std::nullopt;
    }
    return LengthTested(context, kFetchSucceeded);
  }
  return LengthTested(context, status == 401 ? kFetchUnauthorized : kFetchRefused);
}

bool CSocketDownload::WriteBody(const char* bytes, int count, Transfer& transfer,
                                CProgressReporter& progress) {
  if (count <= 0) return true;
  if (fwrite(bytes, 1, static_cast<size_t>(count), transfer.file) != static_cast<size_t>(count)) {
    return false;
  }
  transfer.written += count;
  if (m_bodyObserver) m_bodyObserver->BodyBytes(bytes, static_cast<size_t>(count));
  if (transfer.written <= transfer.told) return true;
  const uint32_t fresh = static_cast<uint32_t>(transfer.written - transfer.told);
  transfer.told = transfer.written;
  // Unsigned addition: the 32-bit total wraps instead of overflowing.
  m_bytesTotal = static_cast<int32_t>(static_cast<uint32_t>(m_bytesTotal) + fresh);
  progress.Add(fresh);
  return true;
}

int CSocketDownload::ReadBody(TcpClientSocket& connection, const HttpContext& context,
                              Transfer& transfer, const std::atomic<uint8_t>* stopFlag,
                              CProgressReporter& progress) {
  if (!WriteBody(context.Unread(), context.UnreadCount(), transfer, progress)) return kFetchWriteFailed;
  std::vector<char> block(kBodyBlockSize);
  for (;;) {
    if (Stopped(stopFlag)) return kFetchStopped;
    const int received = connection.Receive(block.data(), kBodyBlockSize);
    // Receive also gives up when the stop flag is set during a silent wait.
    if (received <= 0) return Stopped(stopFlag) ? kFetchStopped : kFetchSucceeded;
    if (!WriteBody(block.data(), received, transfer, progress)) return kFetchWriteFailed;
    m_bytesLast = received;
  }
}
