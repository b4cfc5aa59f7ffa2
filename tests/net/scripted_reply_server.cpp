#include "net/scripted_reply_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

constexpr size_t kMaxRequestBytes = 1024 * 1024;

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

ScriptedReplyServer::ScriptedReplyServer(std::vector<ScriptedReply> script)
    : m_script(std::move(script)) {
  m_listener = ListenOnLoopback(m_port);
  m_thread = std::thread([this] { Serve(); });
}

ScriptedReplyServer::~ScriptedReplyServer() {
  m_stop = true;
  m_thread.join();
  if (m_listener != INVALID_SOCKET) closesocket(m_listener);
}

std::vector<std::string> ScriptedReplyServer::Targets() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_targets;
}

void ScriptedReplyServer::Serve() {
  while (!m_stop && m_listener != INVALID_SOCKET) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(m_listener, &readable);
    timeval wait = {0, 50 * 1000};  // the stop flag is looked at every 50 ms
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET connection = accept(m_listener, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    Answer(connection);
    closesocket(connection);
  }
}

void ScriptedReplyServer::Answer(uintptr_t connection) {
  const SOCKET sock = static_cast<SOCKET>(connection);
  DWORD timeoutMs = 5000;
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
  std::string request;
  char block[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequestBytes) {
    const int count = recv(sock, block, sizeof(block), 0);
    if (count <= 0) return;
    request.append(block, count);
  }
  const size_t firstSpace = request.find(' ');
  const size_t secondSpace = request.find(' ', firstSpace + 1);
  if (firstSpace == std::string::npos || secondSpace == std::string::npos) return;
  size_t index;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_targets.push_back(request.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    index = m_targets.size() - 1;
  }
  const ScriptedReply& reply = m_script.empty() ? ScriptedReply{} : m_script[std::min(index, m_script.size() - 1)];
  const std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonOf(reply.status) +
                               "\r\nContent-Type: application/json\r\nContent-Length: " +
                               std::to_string(reply.body.size()) + "\r\nConnection: close\r\n" + reply.headers + "\r\n" +
                               reply.body;
  size_t sent = 0;
  while (sent < response.size()) {
    const int count = send(sock, response.data() + sent, static_cast<int>(response.size() - sent), 0);
    if (count <= 0) return;
    sent += static_cast<size_t>(count);
  }
  shutdown(sock, SD_SEND);
}

