// A non-blocking TCP connection whose every wait is a short select, so that its user can
// stop between waits.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>

class TcpClientSocket {
 public:
  TcpClientSocket() = default;
  virtual ~TcpClientSocket();
  TcpClientSocket(const TcpClientSocket&) = delete;
  TcpClientSocket& operator=(const TcpClientSocket&) = delete;

  // Resolves host and connects to the first address that answers; closes an earlier connection.
  virtual bool Connect(const char* host, int port);
  virtual bool Close();
  // The count sent, or -1 when the peer stalled or the connection failed.
  virtual int Send(const char* data, int count);
  // The count received, 0 when the peer closed, -1 on failure, after about 10 s of silence,
  // or when the stop flag became non-zero while waiting (it is polled every 10 ms).
  virtual int Receive(char* buffer, int size);

  // Polled between the waits of Receive; may be null.
  void SetStopFlag(const std::atomic<uint8_t>* stopFlag) { m_stopFlag = stopFlag; }
  int32_t LastError() const { return m_lastError; }

 private:
  SOCKET m_socket = INVALID_SOCKET;
  int32_t m_lastError = 0;         // 0, or the negated Winsock error of the last failed step
  int32_t m_sendStallLimit = 25;   // waits without progress after which Send gives up
  int32_t m_pauseMs = 100;         // sleep after a send wait, and between addresses
  const std::atomic<uint8_t>* m_stopFlag = nullptr;
};
