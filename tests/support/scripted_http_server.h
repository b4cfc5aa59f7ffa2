// A scripted HTTP server on 127.0.0.1 for tests: each connection gets the next scripted reply
// (exact bytes, pauses, then a close), and every request is kept as received.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedHttpServer {
 public:
  // What one connection is answered with, played after its request has been read.
  class Reply {
   public:
    // A whole answer: the status line, "Content-Type: application/json", the body's
    // "Content-Length", "Connection: close", extraHeaders (lines each ending in "\r\n"), the
    // empty line and the body.
    static Reply Json(int status, const std::string& body,
                      const std::string& extraHeaders = std::string());

    Reply& Send(const std::string& bytes);
    Reply& Pause(int milliseconds);
    // Sends bytes in pieces of pieceSize with a pause after each.
    Reply& Trickle(const std::string& bytes, size_t pieceSize, int pauseMilliseconds);

    struct Step {
      std::string bytes;
      int pauseMs = 0;
    };
    std::vector<Step> steps;
  };

  // Connection i gets replies[i]; connections beyond the script are closed unanswered.
  explicit ScriptedHttpServer(std::vector<Reply> replies);
  ~ScriptedHttpServer();
  ScriptedHttpServer(const ScriptedHttpServer&) = delete;
  ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

  int Port() const { return m_port; }
  // "http://127.0.0.1:<port>" followed by path.
  std::string Url(const std::string& path) const;
  // "127.0.0.1:<port>", the form in which the update service's hosts are given.
  std::wstring Host() const { return L"127.0.0.1:" + std::to_wstring(m_port); }
  // The request bytes of each connection so far, up to and including the empty line.
  std::vector<std::string> Requests();
  // The target (path and query) of each request so far that came with a request line.
  std::vector<std::string> Targets();
  int ConnectionCount();

 private:
  void Serve();
  void Answer(SOCKET connection, size_t index);
  // Sleeps, but returns early (false) when the server is being stopped.
  bool PauseFor(int milliseconds);

  std::vector<Reply> m_replies;
  SOCKET m_listener = INVALID_SOCKET;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::vector<std::string> m_requests;
  std::thread m_thread;
};

// A port on 127.0.0.1 where nothing listens (taken and released at once).
int UnusedLocalPort();

// A listening socket on a free port of 127.0.0.1 (Winsock started as needed); INVALID_SOCKET
// when none could be made.
SOCKET ListenOnLoopback(int& port);
