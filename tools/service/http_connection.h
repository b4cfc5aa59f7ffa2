// One client connection of the service, driven by the event loop: reads each request head
// within a bounded time and size, has the handler answer it, and sends the answer while the
// client reads (file bodies go from the file to the socket with sendfile, never through a
// buffer of ours). A connection serves its requests one after the other (keep-alive) and holds
// no thread: a thousand slow readers cost a thousand of these and their socket buffers.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "service/file_handle.h"
#include "service/response_head.h"

// A request head arrives whole within this time of the service starting to wait for it (at the
// connection's start, or after the previous answer): a client that sends nothing, or trickles
// a byte every few seconds, is dropped then. The installer sends its ~200 bytes at once.
constexpr auto kRequestHeadTime = std::chrono::seconds(10);
// A request head (request line and fields) may not be larger: far above the largest report a
// client sends in its request line, far below what a thousand connections could pile up.
constexpr size_t kMaxRequestHeadBytes = 64 * 1024;
// An answer whose bytes make no progress for this long is dropped: the installer gives up a
// read after about 10 s of silence, so nobody is reading any more.
constexpr auto kSendStallTime = std::chrono::seconds(30);

struct HttpRequest {
  int listener = 0;            // which of the service's listeners accepted the connection
  std::string remoteAddress;   // "127.0.0.1"
  std::string method;          // "-" when the head could not be read
  std::string target;          // as received
  std::string path;            // percent-decoded; "-" when the head could not be read
  std::string query;           // as received
  std::string range;           // the "Range" field, empty when absent
};

// How far the body of a file answer has gone out; the connection counts, others may look.
struct TransferProgress {
  int64_t sent = 0;   // body bytes handed to the socket
  int64_t total = 0;  // body bytes of the answer (after the range)
};

struct HttpAnswer {
  int status = 200;
  HeaderFields fields;  // besides Content-Length (and Content-Range), which the connection adds
  std::string body;     // a text answer's body
  std::string logNote;  // what the log line says about the request
  // A file answer: the open file and its size; the connection answers the request's range.
  FileHandle file;
  int64_t fileSize = -1;
  std::shared_ptr<TransferProgress> progress;  // set for file answers by the connection
};

// How the answer ended, for the log line.
struct AnswerOutcome {
  bool complete = false;  // every byte of the answer went out
  int64_t bodySent = 0;
  int64_t bodyTotal = 0;
};

class IHttpHandler {
 public:
  virtual ~IHttpHandler() = default;
  // The answer to a complete request head; runs on the event loop and must not block.
  virtual HttpAnswer Answer(const HttpRequest& request) = 0;
  // Once per answer, refused heads included, when its last byte went out or the connection
  // broke. answer.status is the status sent (206 or 416 for a range).
  virtual void Answered(const HttpRequest& request, const HttpAnswer& answer, const AnswerOutcome& outcome) = 0;
  // A file answer is about to send its body (its progress is set).
  virtual void BodyStarted(const HttpRequest& request, const HttpAnswer& answer) = 0;
};

class CHttpConnection : public std::enable_shared_from_this<CHttpConnection> {
 public:
  CHttpConnection(boost::asio::ip::tcp::socket socket, int listener, IHttpHandler& handler);
  void Start();
  // Ends the connection at once (the service stops); no more handler calls.
  void Close();

 private:
  void ReadHead();
  void OnHead(const boost::system::error_code& error);
  void OnDeadline();
  void Refuse(int status, const std::string& note);
  void Send(HttpAnswer answer, bool keepAlive);
  void OnHeadWritten(const boost::system::error_code& error);
  void SendFileBody();
  void WaitWritable();
  void Finish(bool complete);
  void ArmStallWatch();
  void Linger();
  void Drain();

  enum class Stage { kHead, kAnswer, kLinger, kClosed };

  boost::asio::ip::tcp::socket m_socket;
  boost::asio::steady_timer m_timer;
  IHttpHandler& m_handler;
  HttpRequest m_request;
  std::string m_remoteAddress;
  int m_listener;
  Stage m_stage = Stage::kHead;
  bool m_headExpired = false;
  boost::beast::flat_buffer m_buffer;
  std::optional<boost::beast::http::request_parser<boost::beast::http::empty_body>> m_parser;

  HttpAnswer m_answer;
  bool m_keepAlive = false;
  bool m_headOnly = false;  // HEAD: no body goes out
  bool m_refused = false;   // the request was refused before it was read whole
  std::string m_head;       // the response head, and a text answer's body behind it
  size_t m_lingerBytes = 0;
  int64_t m_fileOffset = 0;
  int64_t m_fileEnd = 0;
  std::chrono::steady_clock::time_point m_lastProgress;
};
