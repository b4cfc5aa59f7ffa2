#include "net/socket_download.h"

#include <memory>
#include <optional>
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

// True when all count bytes reached the file's buffer.
bool WriteBytes(FILE* file, const char* bytes, int count) {
  if (count <= 0) return true;
  return fwrite(bytes, 1, static_cast<size_t>(count), file) == static_cast<size_t>(count);
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
  for (int attempt = 1;; ++attempt) {
    if (Stopped(stopFlag)) return kFetchStopped;
    // The attempt right after a redirect asks for its location; every other asks for url.
    if (!redirect) {
      if (url.size() >= kHttpLocationBufferSize) return kFetchUnusable;
      context->location = url;
    }
    redirect = false;
    const std::optional<int> result =
        FetchOnce(connection, *context, redirect, file, stopFlag, progress);
    if (result) return *result;
    // A redirect, or a failed connection, request or header: one attempt used.
    Sleep(kFetchRetryPauseMs);
    if (attempt >= kFetchAttempts) return LengthTested(*context, kFetchSucceeded);
  }
}

std::optional<int> CSocketDownload::FetchOnce(TcpClientSocket& connection, HttpContext& context,
                                              bool& redirect, FILE* file,
                                              const std::atomic<uint8_t>* stopFlag,
                                              CProgressReporter& progress) {
  // Nothing an earlier response announced may count for this attempt, even when it ends
  // before a header arrives: the length test after the last attempt reads fileSize.
  context.fileSize = -1;
  context.chunkSize = -1;
  context.offset = 0;
  UrlParts parts;
  if (!SplitUrl(context.location, parts)) return kFetchUnusable;
  if (parts.port < 0) parts.port = 80;

  // An unusable request is known before any connection is made.
  char request[kHttpRequestBufferSize];
  int length = 0;
  if (!FormatHttpRequest(parts.path.c_str(), parts.hostText.c_str(), context.offset, request,
                         length)) {
    return kFetchUnusable;
  }
  if (!connection.Connect(parts.host.c_str(), parts.port)) return std::nullopt;
  if (connection.Send(request, length) < 0) return std::nullopt;

  const int header = ReadResponseHeader(context, redirect);
  if (header == kHeaderUnusable) return kFetchUnusable;
  if (header != kHeaderEnded) return std::nullopt;

  const int status = context.statusCode;
  // The next attempt asks the new location.
  if ((status == 302 || status == 303) && redirect) return std::nullopt;
  if (status >= 200 && status <= 299) {
    const int bodyResult = ReadBody(connection, context, file, stopFlag, progress);
    if (bodyResult != kFetchSucceeded) return bodyResult;
    return LengthTested(context, kFetchSucceeded);
  }
  return LengthTested(context, status == 401 ? kFetchUnauthorized : kFetchRefused);
}

int CSocketDownload::ReadBody(TcpClientSocket& connection, const HttpContext& context, FILE* file,
                              const std::atomic<uint8_t>* stopFlag, CProgressReporter& progress) {
  // Bytes that came with the header are written but not reported as progress.
  if (!WriteBytes(file, context.Unread(), context.UnreadCount())) return kFetchWriteFailed;
  std::vector<char> block(kBodyBlockSize);
  for (;;) {
    if (Stopped(stopFlag)) return kFetchStopped;
    const int received = connection.Receive(block.data(), kBodyBlockSize);
    // Receive also gives up when the stop flag is set during a silent wait.
    if (received <= 0) return Stopped(stopFlag) ? kFetchStopped : kFetchSucceeded;
    if (!WriteBytes(file, block.data(), received)) return kFetchWriteFailed;
    // Unsigned addition: the 32-bit total wraps instead of overflowing.
    m_bytesTotal = static_cast<int32_t>(static_cast<uint32_t>(m_bytesTotal) +
                                        static_cast<uint32_t>(received));
    m_bytesLast = received;
    progress.Add(static_cast<uint32_t>(received));
  }
}
