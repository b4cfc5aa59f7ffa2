// A non-blocking TCP connection whose every wait is a short select, so that its user can
// stop between waits.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <optional>

class TcpClientSocket {
 public:
  TcpClientSocket() = default;
  virtual ~TcpClientSocket();
  TcpClientSocket(const TcpClientSocket&) = delete;
  TcpClientSocket& operator=(const TcpClientSocket&) = delete;

  // Resolves host and connects to the first address that answers; closes an earlier connection.
  // An address gets three waits for its connection; one still on its way after them, with no
  // error on the socket, counts as made, and Send then waits for it.
  virtual bool Connect(const char* host, int port);
  virtual bool Close();
  // The count sent; -1 when there is no socket, the socket could not be waited on, or it
  // stayed unwritable for m_sendStallLimit waits in a row. A send the system refuses ends
  // the call with the bytes sent before it (possibly 0).
  virtual int Send(const char* data, int count);
  // The count received, 0 when the peer closed, -1 on failure, after about 10 s of silence,
  // or when the stop flag became non-zero while waiting (it is polled every 10 ms).
  virtual int Receive(char* buffer, int size);

  // Polled between the waits of Receive; may be null.
  void SetStopFlag(const std::atomic<uint8_t>* stopFlag) { m_stopFlag = stopFlag; }
  // Length of each of the three connection waits; tests shorten it to see a connection
  // outlast them.
  void SetConnectWait(long microseconds) { m_connectWaitMicroseconds = microseconds; }
  int32_t LastError() const { return m_lastError; }

 private:
  // One recv of what is waiting: the count, 0 or -1 (failure recorded), or nothing when no
  // byte is there yet.
  std::optional<int> ReceiveWaiting(char* buffer, int size);

  SOCKET m_socket = INVALID_SOCKET;
  int32_t m_lastError = 0;         // 0, or the negated Winsock error of the last failed step
  int32_t m_sendStallLimit = 25;   // waits without progress after which Send gives up
  int32_t m_pauseMs = 100;         // sleep after a send wait, and between addresses
  long m_connectWaitMicroseconds = 1100000;
  const std::atomic<uint8_t>* m_stopFlag = nullptr;
};
