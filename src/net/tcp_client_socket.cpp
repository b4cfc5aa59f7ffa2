#include "net/tcp_client_socket.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kConnectWaits = 3;
constexpr long kDataWaitMicroseconds = 10000;
constexpr int kReceiveWaits = 1000;  // about 10 s of silence

timeval Microseconds(long total) {
  timeval wait;
  wait.tv_sec = total / 1000000;
  wait.tv_usec = total % 1000000;
  return wait;
}

// Waits for a non-blocking connect to finish: 0 when connected, else a negated error. A
// connection still on its way after every wait counts as made when the socket holds no error:
// the request's send then waits for it, so a slow link goes on where a refused one stops.
int32_t WaitForConnection(SOCKET socket, long waitMicroseconds) {
  bool failedOnly = false;
  for (int i = 0; i < kConnectWaits; ++i) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    // Windows reports a refused connection in the exception set, never as writable.
    FD_SET(socket, &failed);
    timeval wait = Microseconds(waitMicroseconds);
    const int ready = select(0, nullptr, &writable, &failed, &wait);
    if (ready < 0) {
      const int error = WSAGetLastError();
      if (error == WSAEINTR) continue;
      return -error;
    }
    if (ready > 0) {
      failedOnly = !FD_ISSET(socket, &writable);
      break;
    }
  }
  int socketError = 0;
  int length = sizeof socketError;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length) != 0) {
    return -WSAGetLastError();
  }
  if (socketError != 0) return -socketError;
  // In the exception set with no error recorded: the attempt failed all the same.
  return failedOnly ? -WSAECONNREFUSED : 0;
}

}  // namespace

TcpClientSocket::~TcpClientSocket() { Close(); }

bool TcpClientSocket::Close() {
  if (m_socket != INVALID_SOCKET) {
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
  }
  return true;
}

bool TcpClientSocket::Connect(const char* host, int port) {
  char portText[16];
  snprintf(portText, sizeof portText, "%d", port);
  addrinfo hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int resolved = getaddrinfo(host, portText, &hints, &list);
  if (resolved != 0) {
    m_lastError = -resolved;
    return false;
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(list, freeaddrinfo);

  m_lastError = -WSAEHOSTUNREACH;  // stays when the list is empty
  for (addrinfo* address = list; address; address = address->ai_next) {
    Close();
    m_socket = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (m_socket == INVALID_SOCKET) {
      m_lastError = -WSAGetLastError();
    } else {
      u_long nonBlocking = 1;
      ioctlsocket(m_socket, FIONBIO, &nonBlocking);
      if (connect(m_socket, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) {
        m_lastError = 0;
      } else {
        const int error = WSAGetLastError();
        m_lastError = (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS)
                          ? WaitForConnection(m_socket, m_connectWaitMicroseconds)
                          : -error;
      }
    }
    if (m_lastError == 0) break;
    if (address->ai_next) Sleep(static_cast<DWORD>(m_pauseMs));
  }
  return m_lastError == 0;
}

int TcpClientSocket::Send(const char* data, int count) {
  if (count <= 0) return 0;
  if (m_socket == INVALID_SOCKET) return -1;
  int sent = 0;
  int stalls = 0;
  while (sent < count) {
    if (m_sendStallLimit > 0 && stalls > m_sendStallLimit) return -1;
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(m_socket, &writable);
    timeval wait = Microseconds(kDataWaitMicroseconds);
    const int ready = select(0, nullptr, &writable, nullptr, &wait);
    if (ready > 0 && FD_ISSET(m_socket, &writable)) {
      stalls = 0;
      const int written = send(m_socket, data + sent, count - sent, 0);
      if (written >= 0) {
        sent += written;
      } else {
        const int error = WSAGetLastError();
        if (error != WSAEINTR && error != WSAEWOULDBLOCK) {
          m_lastError = -error;
          return sent;
        }
      }
    } else if (ready >= 0) {
      ++stalls;
    } else {
      const int error = WSAGetLastError();
      if (error != WSAEINTR) {
        m_lastError = -error;
        return -1;
      }
      stalls = 0;
    }
    // The pause only matters while bytes remain; a request sent whole goes on at once.
    if (sent < count) Sleep(static_cast<DWORD>(m_pauseMs));
  }
  return sent;
}

std::optional<int> TcpClientSocket::ReceiveWaiting(char* buffer, int size) {
  const int received = recv(m_socket, buffer, size, 0);
  if (received >= 0) return received;
  const int error = WSAGetLastError();
  if (error == WSAEINTR || error == WSAEWOULDBLOCK) return std::nullopt;
  m_lastError = -error;
  return -1;
}

int TcpClientSocket::Receive(char* buffer, int size) {
  if (m_socket == INVALID_SOCKET || size <= 0) return -1;
  // Bytes already waiting are taken at once: a select before every receive would double the
  // calls into the system while a download streams.
  if (const std::optional<int> received = ReceiveWaiting(buffer, size)) return *received;
  for (int i = 0; i < kReceiveWaits; ++i) {
    if (m_stopFlag && m_stopFlag->load(std::memory_order_relaxed) != 0) return -1;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(m_socket, &readable);
    timeval wait = Microseconds(kDataWaitMicroseconds);
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready > 0 && FD_ISSET(m_socket, &readable)) {
      if (const std::optional<int> received = ReceiveWaiting(buffer, size)) return *received;
    } else if (ready < 0) {
      const int error = WSAGetLastError();
      if (error != WSAEINTR) {
        m_lastError = -error;
        return -1;
      }
    }
  }
  m_lastError = -WSAETIMEDOUT;
  return -1;
}
