#include "net/tcp_client_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/scripted_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool Writable(SOCKET socket, long microseconds) {
  fd_set writable;
  FD_ZERO(&writable);
  FD_SET(socket, &writable);
  timeval wait{0, microseconds};
  return select(0, nullptr, &writable, nullptr, &wait) > 0;
}

bool Readable(SOCKET socket, long microseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval wait{0, microseconds};
  return select(0, &readable, nullptr, nullptr, &wait) > 0;
}

SOCKET NonBlockingConnect(int port) {
  SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  u_long nonBlocking = 1;
  ioctlsocket(client, FIONBIO, &nonBlocking);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return client;
}

// A listener whose queue of connections waiting to be accepted is full: the system then
// drops new connection requests, and a client's connect stays pending until the queue has
// room and the client sends its request again (1 s after the first on Linux).
class FullListener {
 public:
  FullListener() {
    int ignored = 0;
    ListenOnLoopback(ignored);  // starts Winsock for the test process
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 1) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    m_port = ntohs(address.sin_port);
    // Connect until one connection stays pending: the queue is then full.
    for (int i = 0; i < 64 && !m_full; ++i) {
      SOCKET filler = NonBlockingConnect(m_port);
      if (Writable(filler, 200000)) {
        m_fillers.push_back(filler);
      } else {
        closesocket(filler);
        m_full = true;
      }
    }
  }
  ~FullListener() {
    for (SOCKET s : m_fillers) closesocket(s);
    for (SOCKET s : m_accepted) closesocket(s);
    if (m_listener != INVALID_SOCKET) closesocket(m_listener);
  }

  bool Full() const { return m_full; }
  int Port() const { return m_port; }

  // Empties the queue, then accepts connections for up to waitMs and answers the first one
  // that sends request with reply.
  void AcceptAndAnswer(const std::string& request, const std::string& reply, int waitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    std::string received;
    SOCKET talker = INVALID_SOCKET;
    while (Clock::now() < deadline) {
      if (Readable(m_listener, 10000)) {
        SOCKET accepted = accept(m_listener, nullptr, nullptr);
        if (accepted != INVALID_SOCKET) m_accepted.push_back(accepted);
      }
      for (SOCKET s : m_accepted) {
        if (talker != INVALID_SOCKET && s != talker) continue;
        if (!Readable(s, 0)) continue;
        char piece[256];
        const int count = recv(s, piece, sizeof piece, 0);
        if (count <= 0) continue;
        talker = s;
        received.append(piece, static_cast<size_t>(count));
      }
      if (talker != INVALID_SOCKET && received == request) {
        send(talker, reply.data(), static_cast<int>(reply.size()), 0);
        return;
      }
    }
  }

 private:
  SOCKET m_listener = INVALID_SOCKET;
  int m_port = 0;
  bool m_full = false;
  std::vector<SOCKET> m_fillers;
  std::vector<SOCKET> m_accepted;
};

}  // namespace

// With the real waits (3 x 1.1 s) Linux's repeated connection requests, 1 s and 3 s after
// the first, always land inside them; shorter waits let a real pending connection outlast
// them on the loopback interface.
TEST(TcpClientSocket, ConnectionStillPendingAfterTheWaitsIsUsedOnceItCompletes) {
  FullListener listener;
  ASSERT_TRUE(listener.Full()) << "the listener's queue never filled";
  std::thread server([&listener] {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    listener.AcceptAndAnswer("ping\r\n", "pong", 8000);
  });

  TcpClientSocket connection;
  connection.SetConnectWait(100000);
  const auto start = Clock::now();
  const bool connected = connection.Connect("127.0.0.1", listener.Port());
  const long long connectMs = MillisecondsSince(start);
  EXPECT_TRUE(connected) << "error " << connection.LastError();
  EXPECT_EQ(connection.LastError(), 0);
  EXPECT_GE(connectMs, 280) << "the connection was pending through all three waits";
  EXPECT_LT(connectMs, 600) << "nothing was accepted yet";

  // The send waits until the connection is made (at the next connection request, about 1 s
  // after the first), then the answer comes back on the same connection.
  EXPECT_EQ(connection.Send("ping\r\n", 6), 6);
  char answer[16] = {};
  EXPECT_EQ(connection.Receive(answer, sizeof answer), 4);
  EXPECT_EQ(std::string(answer), "pong");
  server.join();
}

TEST(TcpClientSocket, RefusedConnectionFailsAtOnce) {
  TcpClientSocket connection;
  const auto start = Clock::now();
  EXPECT_FALSE(connection.Connect("127.0.0.1", UnusedLocalPort()));
  EXPECT_NE(connection.LastError(), 0);
  EXPECT_LT(MillisecondsSince(start), 3000) << "a refusal is not waited out";
}

TEST(TcpClientSocket, SendToAConnectionThatNeverCompletesGivesUp) {
  FullListener listener;
  ASSERT_TRUE(listener.Full()) << "the listener's queue never filled";
  TcpClientSocket connection;
  connection.SetConnectWait(50000);
  ASSERT_TRUE(connection.Connect("127.0.0.1", listener.Port()));
  const auto start = Clock::now();
  EXPECT_EQ(connection.Send("ping\r\n", 6), -1);
  // 26 waits of 10 ms, each followed by a 100 ms pause.
  EXPECT_GE(MillisecondsSince(start), 2500);
  EXPECT_LT(MillisecondsSince(start), 8000);
}
