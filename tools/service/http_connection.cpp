#include "service/http_connection.h"

#include <sys/sendfile.h>

#include <boost/asio/buffer.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/read.hpp>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "service/byte_range.h"
#include "service/request_target.h"

namespace asio = boost::asio;
namespace http = boost::beast::http;
using boost::system::error_code;
using SteadyClock = std::chrono::steady_clock;

namespace {

// One sendfile call hands at most this much to the socket, and a connection makes a few calls
// before it lets the others have a turn: a fast reader never holds up the slow ones.
constexpr size_t kSendfileBytes = 1024 * 1024;
constexpr int kSendfileRounds = 4;
// After refusing a request that was not read whole, the rest of it is read and dropped for at
// most this long before the socket closes: closing with unread bytes would reset the
// connection, and the client could lose the answer that says why.
constexpr auto kLingerTime = std::chrono::seconds(2);
constexpr size_t kLingerBytes = 1024 * 1024;

}  // namespace

CHttpConnection::CHttpConnection(asio::ip::tcp::socket socket, int listener, IHttpHandler& handler)
    : m_socket(std::move(socket)), m_timer(m_socket.get_executor()), m_handler(handler), m_listener(listener) {}

void CHttpConnection::Start() {
  error_code error;
  const auto remote = m_socket.remote_endpoint(error);
  m_remoteAddress = error ? std::string("-") : remote.address().to_string();
  // sendfile is called on the socket directly and must not block the loop.
  m_socket.native_non_blocking(true, error);
  if (error) {
    Close();
    return;
  }
  ReadHead();
}

void CHttpConnection::Close() {
  m_stage = Stage::kClosed;
  m_timer.cancel();
  error_code ignored;
  m_socket.close(ignored);
}

void CHttpConnection::ReadHead() {
  m_stage = Stage::kHead;
  m_headExpired = false;
  m_refused = false;
  m_request = HttpRequest();
  m_request.listener = m_listener;
  m_request.remoteAddress = m_remoteAddress;
  m_request.method = "-";
  m_request.path = "-";
  m_parser.emplace();
  m_parser->header_limit(static_cast<std::uint32_t>(kMaxRequestHeadBytes));

  auto self = shared_from_this();
  m_timer.expires_after(kRequestHeadTime);
  m_timer.async_wait([self](const error_code& error) {
    if (!error) self->OnDeadline();
  });
  http::async_read_header(m_socket, m_buffer, *m_parser,
                          [self](const error_code& error, size_t) { self->OnHead(error); });
}

void CHttpConnection::OnDeadline() {
  if (m_stage == Stage::kHead) {
    // The read ends with operation_aborted; OnHead tells a silent client from a slow one.
    m_headExpired = true;
    error_code ignored;
    m_socket.cancel(ignored);
    return;
  }
  if (m_stage != Stage::kAnswer) return;
  if (SteadyClock::now() - m_lastProgress >= kSendStallTime) {
    Finish(false);
    return;
  }
  ArmStallWatch();
}

void CHttpConnection::OnHead(const error_code& error) {
  if (m_stage == Stage::kClosed) return;
  m_timer.cancel();
  if (error) {
    const bool gotSome = m_parser->got_some() || m_buffer.size() > 0;
    if (m_headExpired) {
      if (gotSome) {
        Refuse(408, "refused: request head not complete within " +
                        std::to_string(std::chrono::seconds(kRequestHeadTime).count()) + " s");
      } else {
        Close();  // an idle connection between requests, or one that never spoke
      }
    } else if (error == http::error::header_limit) {
      Refuse(431, "refused: request head larger than " + std::to_string(kMaxRequestHeadBytes) + " bytes");
    } else if (error.category() == http::make_error_code(http::error::bad_target).category() &&
               error != http::error::end_of_stream && error != http::error::partial_message) {
      // The parser's own category: the bytes are not an HTTP/1 request head.
      Refuse(400, "refused: malformed request head (" + error.message() + ")");
    } else {
      Close();  // the client went away
    }
    return;
  }

  const auto& head = m_parser->get();
  m_request.method = std::string(head.method_string());
  m_request.target = std::string(head.target());
  if (!SplitRequestTarget(m_request.target, m_request.path, m_request.query)) {
    m_request.path = "-";
    Refuse(400, "refused: bad request target");
    return;
  }
  const auto range = head.find(http::field::range);
  if (range != head.end()) m_request.range = std::string(range->value());
  if (!m_parser->is_done()) {
    Refuse(400, "refused: a request body is not accepted");
    return;
  }
  const bool keepAlive = head.keep_alive();
  m_headOnly = head.method() == http::verb::head;
  if (head.method() != http::verb::get && !m_headOnly) {
    HttpAnswer answer;
    answer.status = 405;
    answer.fields = {{"Allow", "GET, HEAD"}, {"Content-Type", "text/plain"}};
    answer.body = "only GET and HEAD are served\n";
    Send(std::move(answer), keepAlive);
    return;
  }
  Send(m_handler.Answer(m_request), keepAlive);
}

void CHttpConnection::Refuse(int status, const std::string& note) {
  HttpAnswer answer;
  answer.status = status;
  answer.fields = {{"Content-Type", "text/plain"}};
  answer.body = std::string(StatusReason(status)) + "\n";
  answer.logNote = note;
  m_headOnly = false;
  m_refused = true;
  Send(std::move(answer), false);
}

void CHttpConnection::Send(HttpAnswer answer, bool keepAlive) {
  m_stage = Stage::kAnswer;
  m_keepAlive = keepAlive;
  HeaderFields fields = answer.fields;
  m_fileOffset = 0;
  m_fileEnd = 0;
  if (answer.file.IsOpen()) {
    const int64_t size = answer.fileSize;
    const ByteRange range = ResolveByteRange(m_request.range, size);
    if (range.kind == RangeKind::kUnsatisfiable) {
      answer.status = 416;
      answer.file = FileHandle();
      fields.push_back({"Content-Range", "bytes */" + std::to_string(size)});
      fields.push_back({"Content-Length", "0"});
    } else {
      if (range.kind == RangeKind::kPart) {
        answer.status = 206;
        m_fileOffset = range.first;
        m_fileEnd = range.last + 1;
        fields.push_back({"Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                               std::to_string(range.last) + "/" + std::to_string(size)});
      } else {
        m_fileEnd = size;
      }
      fields.push_back({"Content-Length", std::to_string(m_fileEnd - m_fileOffset)});
      answer.progress = std::make_shared<TransferProgress>();
      answer.progress->total = m_headOnly ? 0 : m_fileEnd - m_fileOffset;
    }
  } else {
    fields.push_back({"Content-Length", std::to_string(answer.body.size())});
  }
  if (!keepAlive) fields.push_back({"Connection", "close"});
  m_head = ResponseHead(answer.status, fields);
  if (!answer.file.IsOpen() && !m_headOnly) m_head += answer.body;
  m_answer = std::move(answer);
  if (m_answer.progress && m_answer.progress->total > 0) m_handler.BodyStarted(m_request, m_answer);

  m_lastProgress = SteadyClock::now();
  ArmStallWatch();
  auto self = shared_from_this();
  asio::async_write(m_socket, asio::buffer(m_head),
                    [self](const error_code& error, size_t) { self->OnHeadWritten(error); });
}

void CHttpConnection::ArmStallWatch() {
  auto self = shared_from_this();
  m_timer.expires_at(m_lastProgress + kSendStallTime);
  m_timer.async_wait([self](const error_code& error) {
    if (!error) self->OnDeadline();
  });
}

void CHttpConnection::OnHeadWritten(const error_code& error) {
  if (m_stage == Stage::kClosed) return;
  if (error) {
    Finish(false);
    return;
  }
  m_lastProgress = SteadyClock::now();
  if (m_answer.file.IsOpen() && !m_headOnly && m_fileOffset < m_fileEnd) {
    SendFileBody();
    return;
  }
  Finish(true);
}

void CHttpConnection::SendFileBody() {
  for (int round = 0; round < kSendfileRounds; ++round) {
    off_t offset = static_cast<off_t>(m_fileOffset);
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(m_fileEnd - m_fileOffset, kSendfileBytes));
    const ssize_t sent = sendfile(m_socket.native_handle(), m_answer.file.Get(), &offset, wanted);
    if (sent > 0) {
      m_fileOffset += sent;
      m_answer.progress->sent += sent;
      m_lastProgress = SteadyClock::now();
      if (m_fileOffset >= m_fileEnd) {
        Finish(true);
        return;
      }
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      WaitWritable();
      return;
    }
    // 0: the file became shorter than announced; otherwise the client is gone (EPIPE, ECONNRESET).
    Finish(false);
    return;
  }
  auto self = shared_from_this();
  asio::post(m_socket.get_executor(), [self] {
    if (self->m_stage == Stage::kAnswer) self->SendFileBody();
  });
}

void CHttpConnection::WaitWritable() {
  auto self = shared_from_this();
  m_socket.async_wait(asio::ip::tcp::socket::wait_write, [self](const error_code& error) {
    if (self->m_stage != Stage::kAnswer) return;
    if (error) {
      self->Finish(false);
      return;
    }
    self->SendFileBody();
  });
}

void CHttpConnection::Finish(bool complete) {
  if (m_stage != Stage::kAnswer) return;
  m_timer.cancel();
  AnswerOutcome outcome;
  outcome.complete = complete;
  if (m_answer.progress) {
    outcome.bodySent = m_answer.progress->sent;
    outcome.bodyTotal = m_answer.progress->total;
  }
  m_handler.Answered(m_request, m_answer, outcome);
  m_answer = HttpAnswer();
  m_head.clear();
  if (complete && m_keepAlive) {
    ReadHead();
    return;
  }
  if (m_refused) {
    Linger();
    return;
  }
  error_code ignored;
  m_socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
  Close();
}

void CHttpConnection::Linger() {
  m_stage = Stage::kLinger;
  error_code ignored;
  m_socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
  m_buffer.clear();
  m_lingerBytes = 0;
  auto self = shared_from_this();
  m_timer.expires_after(kLingerTime);
  m_timer.async_wait([self](const error_code& error) {
    if (!error && self->m_stage == Stage::kLinger) self->Close();
  });
  Drain();
}

void CHttpConnection::Drain() {
  auto self = shared_from_this();
  m_buffer.clear();
  m_socket.async_read_some(m_buffer.prepare(16 * 1024), [self](const error_code& error, size_t count) {
    if (self->m_stage != Stage::kLinger) return;
    self->m_lingerBytes += count;
    if (error || self->m_lingerBytes > kLingerBytes) {
      self->Close();
      return;
    }
    self->Drain();
  });
}
