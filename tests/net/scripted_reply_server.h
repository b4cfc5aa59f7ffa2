// A one-thread HTTP server on 127.0.0.1 for tests: answers each request with the next scripted
// reply (the last one again when the script runs out) and records the request targets.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct ScriptedReply {
  ScriptedReply() = default;
  ScriptedReply(int status, std::string body, std::string headers = std::string())
      : status(status), body(std::move(body)), headers(std::move(headers)) {}

  int status = 200;
  std::string body;
  std::string headers;  // extra header lines, each ending in "\r\n"
};

class ScriptedReplyServer {
 public:
  explicit ScriptedReplyServer(std::vector<ScriptedReply> script);
  ~ScriptedReplyServer();
  ScriptedReplyServer(const ScriptedReplyServer&) = delete;
  ScriptedReplyServer& operator=(const ScriptedReplyServer&) = delete;

  int Port() const { return m_port; }
  std::wstring Host() const { return L"127.0.0.1:" + std::to_wstring(m_port); }
  // The targets (path and query) of the requests answered so far, in order.
  std::vector<std::string> Targets();

 private:
  void Serve();
  void Answer(uintptr_t connection);

  std::vector<ScriptedReply> m_script;
  uintptr_t m_listener;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::vector<std::string> m_targets;
  std::thread m_thread;
};

// UnusedLocalPort() comes with the shared scripted server.
#include "support/scripted_http_server.h"
