#include "net/http_context.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Plays the given pieces as successive receives, then reports a closed connection.
class PieceSource {
 public:
  explicit PieceSource(std::vector<std::string> pieces) : m_pieces(std::move(pieces)) {}
  int operator()(char* buffer, int size) {
    if (m_next >= m_pieces.size()) return 0;
    const std::string& piece = m_pieces[m_next++];
    EXPECT_LE(piece.size(), static_cast<size_t>(size));
    piece.copy(buffer, piece.size());
    return static_cast<int>(piece.size());
  }
  size_t received() const { return m_next; }

 private:
  std::vector<std::string> m_pieces;
  size_t m_next = 0;
};

struct Header {
  int result = 0;  // 0 read to the empty line, else the failing step's code
  std::vector<std::string> lines;
  bool redirect = false;
};

// Reads a header the way the downloader does.
Header ReadHeader(HttpContext& context) {
  Header header;
  char line[kHttpLineBufferSize];
  context.ResetForResponse();
  for (;;) {
    bool truncated = false;
    const int read = ReadHeaderLine(context, line, truncated);
    if (read != kHeaderLineRead) {
      header.result = read;
      return header;
    }
    header.lines.push_back(line);
    const int processed = ProcessHeaderLine(context, line, context.headerLineCount, header.redirect, truncated);
    if (processed == kHeaderUnusable) {
      header.result = kHeaderUnusable;
      return header;
    }
    ++context.headerLineCount;
    if (processed == kHeaderEnded) return header;
  }
}

HttpContext ContextFor(PieceSource& source) {
  HttpContext context([&source](char* buffer, int size) { return source(buffer, size); });
  context.location = "http://127.0.0.1:8080/pkg/file.gz";
  return context;
}

}  // namespace

TEST(HttpContext, StatusLengthAndBodyStartAreRead) {
  PieceSource source({"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\nServer: x\r\n\r\nBODY"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  ASSERT_EQ(header.result, 0);
  EXPECT_EQ(context.statusCode, 200);
  EXPECT_EQ(context.fileSize, 1234);
  EXPECT_EQ(std::string(context.Unread(), context.UnreadCount()), "BODY");
  EXPECT_EQ(header.lines.back(), "");
  EXPECT_EQ(context.headerLineCount, 4);
}

TEST(HttpContext, LinesSplitAcrossReceivesAreJoined) {
  PieceSource source({"HTTP/1.1 20", "6 Partial\r", "\nContent-Le", "ngth: 77\r\n", "\r", "\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.statusCode, 206);
  EXPECT_EQ(context.fileSize, 77);
  EXPECT_EQ(context.UnreadCount(), 0);
}

TEST(HttpContext, BareLineFeedsEndLinesToo) {
  PieceSource source({"HTTP/1.0 404 Not Found\nContent-Length: 9\n\nnot found"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.statusCode, 404);
  EXPECT_EQ(context.fileSize, 9);
}

TEST(HttpContext, ClosedConnectionBeforeTheEmptyLineFails) {
  PieceSource source({"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"});
  HttpContext context = ContextFor(source);
  EXPECT_EQ(ReadHeader(context).result, kHeaderLineFailed);
}

TEST(HttpContext, FirstContentLengthWins) {
  PieceSource source({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 20\r\n\r\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.fileSize, 10);
}

TEST(HttpContext, HeaderNamesAreComparedWithTheirCase) {
  PieceSource source({"HTTP/1.1 200 OK\r\ncontent-length: 10\r\nLOCATION: http://x/y\r\n\r\n"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  ASSERT_EQ(header.result, 0);
  EXPECT_EQ(context.fileSize, -1);
  EXPECT_FALSE(header.redirect);
}

TEST(HttpContext, ContentRangeGivesOffsetAndOverridesLength) {
  PieceSource source({"HTTP/1.1 206 Partial\r\nContent-Length: 10\r\nContent-Range: bytes 100-109/5000\r\n\r\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.offset, 100);
  EXPECT_EQ(context.fileSize, 5000);
}

TEST(HttpContext, ContentRangeWithoutBytesPrefixIsIgnored) {
  PieceSource source({"HTTP/1.1 206 Partial\r\nContent-Range: Bytes 100-109/5000\r\n\r\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.offset, 0);
  EXPECT_EQ(context.fileSize, -1);
}

TEST(HttpContext, ChunkedEncodingForgetsTheLength) {
  PieceSource source({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\nTransfer-Encoding: chunked\r\n\r\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.fileSize, -1);
  EXPECT_EQ(context.chunkSize, 0);
}

TEST(HttpContext, LocationReplacesTheUrlInUseAndSetsRedirect) {
  PieceSource source({"HTTP/1.1 302 Found\r\nLocation:   http://10.0.0.2:81/new/f.gz?a=b\r\n\r\n"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  ASSERT_EQ(header.result, 0);
  EXPECT_TRUE(header.redirect);
  EXPECT_EQ(context.statusCode, 302);
  EXPECT_EQ(context.location, "http://10.0.0.2:81/new/f.gz?a=b");
}

TEST(HttpContext, LocationPathKeepsTheServer) {
  PieceSource source({"HTTP/1.1 302 Found\r\nLocation: /other/f.gz\r\n\r\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.location, "http://127.0.0.1:8080/other/f.gz");
}

TEST(HttpContext, UnresolvableLocationIsUnusable) {
  PieceSource source({"HTTP/1.1 302 Found\r\nLocation: other/f.gz\r\n\r\n"});
  HttpContext context = ContextFor(source);
  EXPECT_EQ(ReadHeader(context).result, kHeaderUnusable);
  EXPECT_EQ(context.location, "http://127.0.0.1:8080/pkg/file.gz");
}

TEST(HttpContext, LocationOfAnAnswerThatIsNoRedirectIsIgnored) {
  for (const char* status : {"200 OK", "301 Moved Permanently", "404 Not Found"}) {
    PieceSource source({std::string("HTTP/1.1 ") + status + "\r\nLocation: other/f.gz\r\nContent-Length: 3\r\n\r\n"});
    HttpContext context = ContextFor(source);
    const Header header = ReadHeader(context);
    EXPECT_EQ(header.result, 0) << status;
    EXPECT_FALSE(header.redirect) << status;
    EXPECT_EQ(context.location, "http://127.0.0.1:8080/pkg/file.gz") << status;
    EXPECT_EQ(context.fileSize, 3) << status;
  }
}

TEST(HttpContext, OverlongLocationOfAnAnswerThatIsNoRedirectIsIgnored) {
  const std::string location = "http://127.0.0.1/" + std::string(2000, 'a');
  PieceSource source({"HTTP/1.1 200 OK\r\nLocation: " + location.substr(0, 1000),
                      location.substr(1000) + "\r\nContent-Length: 8\r\n\r\n"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  EXPECT_EQ(header.result, 0);
  EXPECT_FALSE(header.redirect);
  EXPECT_EQ(context.fileSize, 8);
}

TEST(HttpContext, SeeOtherLocationIsFollowedToo) {
  PieceSource source({"HTTP/1.1 303 See Other\r\nLocation: /other/f.gz\r\n\r\n"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  ASSERT_EQ(header.result, 0);
  EXPECT_TRUE(header.redirect);
  EXPECT_EQ(context.location, "http://127.0.0.1:8080/other/f.gz");
}

TEST(HttpContext, BytesWithTheHighBitSetAreOrdinaryCharacters) {
  PieceSource source({"HTTP/1.1 200 OK\r\nX-Name: \xe6\x96\x87\xe4\xbb\xb6\xff\r\nContent-Length: 3\r\n\r\n"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  ASSERT_EQ(header.result, 0);
  EXPECT_EQ(header.lines[1], "X-Name: \xe6\x96\x87\xe4\xbb\xb6\xff");
  EXPECT_EQ(context.fileSize, 3);
}

TEST(HttpContext, OverlongIgnoredHeaderIsCutAndTheRestStillRead) {
  const std::string cookie = "Set-Cookie: " + std::string(3000, 'c');
  PieceSource source({"HTTP/1.1 200 OK\r\n" + cookie.substr(0, 2000), cookie.substr(2000) + "\r\nContent-Length: 8\r\n\r\n"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  ASSERT_EQ(header.result, 0);
  EXPECT_EQ(header.lines[1].size(), static_cast<size_t>(kHttpLineBufferSize - 1));
  EXPECT_EQ(context.fileSize, 8);
}

TEST(HttpContext, OverlongLocationIsUnusableNotCut) {
  const std::string location = "http://127.0.0.1/" + std::string(2000, 'a');
  PieceSource source({"HTTP/1.1 302 Found\r\nLocation: " + location.substr(0, 1000), location.substr(1000) + "\r\n\r\n"});
  HttpContext context = ContextFor(source);
  EXPECT_EQ(ReadHeader(context).result, kHeaderUnusable);
  EXPECT_EQ(context.location, "http://127.0.0.1:8080/pkg/file.gz");
}

TEST(HttpContext, OverlongStatusLineIsUnusable) {
  PieceSource source({"HTTP/1.1 200 " + std::string(1500, 'O') + "\r\n\r\n"});
  HttpContext context = ContextFor(source);
  EXPECT_EQ(ReadHeader(context).result, kHeaderUnusable);
}

TEST(HttpContext, LineThatFitsOnceItsCarriageReturnIsDroppedIsWhole) {
  // 1023 characters fill the line buffer; the carriage return after them is the only byte dropped.
  const std::string location = "http://127.0.0.1/" + std::string(1023 - 10 - 17, 'a');
  const std::string line = "Location: " + location;
  ASSERT_EQ(line.size(), 1023u);
  PieceSource source({"HTTP/1.1 302 Found\r\n" + line.substr(0, 500), line.substr(500) + "\r\n\r\n"});
  HttpContext context = ContextFor(source);
  const Header header = ReadHeader(context);
  ASSERT_EQ(header.result, 0);
  EXPECT_EQ(context.location, location);
}

TEST(HttpContext, StatusLineWithoutNumberGivesZero) {
  PieceSource source({"garbage\r\n\r\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.statusCode, 0);
}

TEST(HttpContext, LinesWithoutColonAreIgnored) {
  PieceSource source({"HTTP/1.1 200 OK\r\nno colon here\r\nContent-Length: 4\r\n\r\n"});
  HttpContext context = ContextFor(source);
  ASSERT_EQ(ReadHeader(context).result, 0);
  EXPECT_EQ(context.fileSize, 4);
}
