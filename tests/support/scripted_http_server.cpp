#include "support/scripted_http_server.h"

#include <ws2tcpip.h>

#include <chrono>

namespace {

constexpr long kPollMicroseconds = 20000;
constexpr int kRequestWaitMs = 5000;

// Winsock stays started for the test process once a server or port was asked for.
struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
};

bool WaitReadable(SOCKET socket, long microseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval wait{0, microseconds};
  return select(0, &readable, nullptr, nullptr, &wait) > 0;
}

bool SendAll(SOCKET socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int count = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (count <= 0) return false;
    sent += static_cast<size_t>(count);
  }
  return true;
}

const char* ReasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

SOCKET ListenOnLoopback(int& port) {
  static WinsockUser winsock;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return INVALID_SOCKET;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(listener);
    return INVALID_SOCKET;
  }
  port = ntohs(address.sin_port);
  return listener;
}

ScriptedHttpServer::Reply ScriptedHttpServer::Reply::Json(int status, const std::string& body,
                                                          const std::string& extraHeaders) {
  return Reply().Send("HTTP/1.1 " + std::to_string(status) + " " + ReasonOf(status) +
                      "\r\nContent-Type: application/json\r\nContent-Length: " +
                      std::to_string(body.size()) + "\r\nConnection: close\r\n" + extraHeaders +
                      "\r\n" + body);
}

ScriptedHttpServer::Reply& ScriptedHttpServer::Reply::Send(const std::string& bytes) {
  steps.push_back({bytes, 0});
  return *this;
}

ScriptedHttpServer::Reply& ScriptedHttpServer::Reply::Pause(int milliseconds) {
  steps.push_back({std::string(), milliseconds});
  return *this;
}

ScriptedHttpServer::Reply& ScriptedHttpServer::Reply::Trickle(const std::string& bytes,
                                                             size_t pieceSize,
                                                             int pauseMilliseconds) {
  for (size_t at = 0; at < bytes.size(); at += pieceSize) {
    steps.push_back({bytes.substr(at, pieceSize), pauseMilliseconds});
  }
  return *this;
}

ScriptedHttpServer::ScriptedHttpServer(std::vector<Reply> replies) : m_replies(std::move(replies)) {
  m_listener = ListenOnLoopback(m_port);
  m_thread = std::thread(&ScriptedHttpServer::Serve, this);
}

ScriptedHttpServer::~ScriptedHttpServer() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  m_thread.join();
  if (m_listener != INVALID_SOCKET) closesocket(m_listener);
}

std::string ScriptedHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> ScriptedHttpServer::Requests() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

std::vector<std::string> ScriptedHttpServer::Targets() {
  std::vector<std::string> targets;
  for (const std::string& request : Requests()) {
    const size_t lineEnd = request.find("\r\n");
    const size_t firstSpace = request.find(' ');
    const size_t secondSpace = request.find(' ', firstSpace + 1);
    if (lineEnd == std::string::npos || secondSpace == std::string::npos || secondSpace > lineEnd) continue;
    targets.push_back(request.substr(firstSpace + 1, secondSpace - firstSpace - 1));
  }
  return targets;
}

int ScriptedHttpServer::ConnectionCount() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<int>(m_requests.size());
}

bool ScriptedHttpServer::PauseFor(int milliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return !m_wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_stop.load(); });
}

void ScriptedHttpServer::Serve() {
  if (m_listener == INVALID_SOCKET) return;
  size_t index = 0;
  while (!m_stop) {
    if (!WaitReadable(m_listener, kPollMicroseconds)) continue;
    SOCKET connection = accept(m_listener, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    Answer(connection, index++);
    // Half-close, then give the client a moment to read everything and close its side,
    // so that the last bytes are never lost to a reset.
    shutdown(connection, SD_SEND);
    char drain[512];
    for (int i = 0; i < 50 && !m_stop; ++i) {
      if (!WaitReadable(connection, kPollMicroseconds)) continue;
      if (recv(connection, drain, sizeof drain, 0) <= 0) break;
    }
    closesocket(connection);
  }
}

void ScriptedHttpServer::Answer(SOCKET connection, size_t index) {
  std::string request;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestWaitMs);
  while (request.find("\r\n\r\n") == std::string::npos && !m_stop &&
         std::chrono::steady_clock::now() < deadline) {
    if (!WaitReadable(connection, kPollMicroseconds)) continue;
    char piece[1024];
    const int count = recv(connection, piece, sizeof piece, 0);
    if (count <= 0) break;
    request.append(piece, static_cast<size_t>(count));
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(request);
  }
  if (index >= m_replies.size()) return;
  for (const Reply::Step& step : m_replies[index].steps) {
    if (!step.bytes.empty() && !SendAll(connection, step.bytes)) return;
    if (step.pauseMs > 0 && !PauseFor(step.pauseMs)) return;
  }
}

int UnusedLocalPort() {
  int port = 0;
  SOCKET listener = ListenOnLoopback(port);
  if (listener != INVALID_SOCKET) closesocket(listener);
  return port;
}
