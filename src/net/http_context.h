// One HTTP response as the socket downloader reads it: the buffered bytes, the header lines
// and what the header announced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

constexpr int kHttpReceiveBufferSize = 4096;
constexpr int kHttpLineBufferSize = 1024;  // terminator included
constexpr size_t kHttpLocationBufferSize = 4096;  // terminator included

// Results of ReadHeaderLine.
constexpr int kHeaderLineRead = 0;
constexpr int kHeaderLineFailed = -5;  // the connection gave no more bytes

// Results of ProcessHeaderLine.
constexpr int kHeaderEnded = 0;
constexpr int kHeaderGoesOn = 1;
constexpr int kHeaderUnusable = -1;  // a line the download depends on did not fit its buffer

struct HttpContext {
  // Receives up to size bytes; the count, 0 when the peer closed, or below 0 on failure.
  using ReceiveFunction = std::function<int(char* buffer, int size)>;

  explicit HttpContext(ReceiveFunction receiveFunction) : receive(std::move(receiveFunction)) {}

  // Forgets the buffered bytes and what an earlier response announced.
  void ResetForResponse();
  // The unread bytes behind the header.
  const char* Unread() const { return buffer + readPosition; }
  int UnreadCount() const { return dataEnd - readPosition; }

  ReceiveFunction receive;
  char buffer[kHttpReceiveBufferSize] = {};
  int readPosition = 0;
  int dataEnd = 0;
  int headerLineCount = 0;
  int statusCode = 0;
  int64_t chunkSize = -1;
  int64_t offset = 0;
  int64_t fileSize = -1;   // -1 when not announced
  std::string location;    // the URL in use; at most kHttpLocationBufferSize - 1 bytes
};

// Reads one header line into line (kHttpLineBufferSize bytes) without its CR LF. Bytes past
// the buffer are dropped and truncated is set. Bytes with the high bit set are kept.
int ReadHeaderLine(HttpContext& context, char (&line)[kHttpLineBufferSize], bool& truncated);

// Takes one header line into the context; lineCount 0 is the status line. In a 302 or 303
// answer a "Location" header replaces the location and sets redirect; in any other answer it
// is ignored. A truncated status line or a truncated header this client acts on ("Location"
// of a 302 or 303, "Content-Length", "Content-Range", "Transfer-Encoding") is unusable, and
// so is the "Location" of a 302 or 303 that cannot be resolved or does not fit the location
// buffer.
int ProcessHeaderLine(HttpContext& context, const char* line, int lineCount, bool& redirect,
                      bool truncated);
