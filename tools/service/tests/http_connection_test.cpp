// How tavora-service treats connections, through the real program: ranges, requests in turn on
// one connection, and clients that are slow, silent, oversized or leave early.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <regex>
#include <thread>

#include "service_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kModulePath[] = "/releases/1.0.0.0/libfoo-0123456789abcdef.dll.gz";

class HttpConnection : public ServiceFixture {};

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

}  // namespace

TEST_F(HttpConnection, RangeFromAnOffsetGetsThatPartWithItsContentRange) {
  const std::string bytes = PatternBytes(300000);
  WriteFileBytes(temp / "student" / "libfoo-0123456789abcdef.dll.gz", bytes);
  StartService();

  const std::string open = RawGet(service.Port(), kModulePath, "bytes=100-");
  EXPECT_EQ(HeadOf(open).substr(0, 30), "HTTP/1.1 206 Partial Content\r\n") << HeadOf(open);
  EXPECT_NE(HeadOf(open).find("\r\nContent-Range: bytes 100-299999/300000\r\n"), std::string::npos) << HeadOf(open);
  EXPECT_NE(HeadOf(open).find("\r\nContent-Length: 299900\r\n"), std::string::npos) << HeadOf(open);
  EXPECT_TRUE(BodyOf(open) == bytes.substr(100));

  const std::string closed = RawGet(service.Port(), kModulePath, "bytes=299990-400000");
  EXPECT_NE(HeadOf(closed).find("\r\nContent-Range: bytes 299990-299999/300000\r\n"), std::string::npos)
      << HeadOf(closed);
  EXPECT_TRUE(BodyOf(closed) == bytes.substr(299990));

  const std::string past = RawGet(service.Port(), kModulePath, "bytes=300000-");
  EXPECT_EQ(HeadOf(past).substr(0, 13), "HTTP/1.1 416 ") << HeadOf(past);
  EXPECT_NE(HeadOf(past).find("\r\nContent-Range: bytes */300000\r\n"), std::string::npos) << HeadOf(past);
  EXPECT_EQ(BodyOf(past), "");

  EXPECT_TRUE(service.WaitForOutput(std::string("GET ") + kModulePath + " 416", std::chrono::seconds(5)))
      << service.Output();
  EXPECT_EQ(CountOf(service.Output(), std::string("GET ") + kModulePath + " 206\n"), 2u) << service.Output();
}

TEST_F(HttpConnection, OneConnectionAnswersItsRequestsInTurn) {
  WriteFileBytes(temp / "student" / "libfoo-0123456789abcdef.dll.gz", "module bytes");
  StartService();
  const int fd = ConnectTo(service.Port());
  ASSERT_GE(fd, 0);
  // Sent in one go: the second request waits in the socket while the first is answered.
  const std::string requests = std::string("GET ") + kModulePath + " HTTP/1.1\r\nHost: a\r\n\r\n" +
                               "GET /cgi-bin/timestamp/ HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";
  send(fd, requests.data(), requests.size(), MSG_NOSIGNAL);
  const std::string responses = ReadToEnd(fd);
  close(fd);
  const size_t second = responses.find("HTTP/1.1 200 OK", 1);
  ASSERT_NE(second, std::string::npos) << responses;
  EXPECT_EQ(BodyOf(responses.substr(0, second)), "module bytes");
  EXPECT_EQ(HeadOf(responses.substr(0, second)).find("Connection: close"), std::string::npos);
  EXPECT_NE(HeadOf(responses.substr(second)).find("\r\nConnection: close\r\n"), std::string::npos);
  EXPECT_NE(BodyOf(responses.substr(second)).find("{\"SCX\":{\"TimeStamp\":"), std::string::npos);
}

TEST_F(HttpConnection, SilentAndTricklingClientsAreDroppedWithoutHoldingUpOthers) {
  StartService();
  // More of each than a pool of worker threads would have.
  constexpr int kEach = 20;
  struct Peer {
    int fd;
    bool trickles;
    std::string received;
    Clock::duration closedAfter{-1};
  };
  std::vector<Peer> peers;
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < 2 * kEach; ++i) {
    const int fd = ConnectTo(service.Port());
    ASSERT_GE(fd, 0);
    peers.push_back({fd, i % 2 == 1, std::string(), Clock::duration(-1)});
  }
  for (Peer& peer : peers) {
    if (peer.trickles) send(peer.fd, "GET /cgi-bin/timestamp/ HTTP/1.1\r\nX-Slow: ", 42, MSG_NOSIGNAL);
  }

  const Clock::time_point asked = Clock::now();
  auto honest = Get("/cgi-bin/timestamp/");
  ASSERT_TRUE(honest);
  EXPECT_EQ(honest->status, 200);
  EXPECT_LT(Clock::now() - asked, std::chrono::seconds(1));

  // A header byte every second until the service closes each connection (at most 20 s).
  size_t open = peers.size();
  Clock::time_point nextByte = Clock::now();
  while (open > 0 && Clock::now() - start < std::chrono::seconds(20)) {
    if (Clock::now() >= nextByte) {
      for (Peer& peer : peers) {
        if (peer.trickles && peer.closedAfter.count() < 0) send(peer.fd, "a", 1, MSG_NOSIGNAL);
      }
      nextByte += std::chrono::seconds(1);
    }
    std::vector<pollfd> waits;
    for (const Peer& peer : peers) waits.push_back({peer.fd, POLLIN, 0});
    poll(waits.data(), waits.size(), 100);
    for (size_t i = 0; i < peers.size(); ++i) {
      if (peers[i].closedAfter.count() >= 0 || (waits[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      char block[512];
      const ssize_t count = recv(peers[i].fd, block, sizeof(block), MSG_DONTWAIT);
      if (count > 0) {
        peers[i].received.append(block, static_cast<size_t>(count));
      } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
        peers[i].closedAfter = Clock::now() - start;
        --open;
      }
    }
  }
  for (const Peer& peer : peers) {
    close(peer.fd);
    EXPECT_GE(peer.closedAfter, std::chrono::milliseconds(9500)) << (peer.trickles ? "trickling" : "silent");
    EXPECT_LE(peer.closedAfter, std::chrono::seconds(14)) << (peer.trickles ? "trickling" : "silent");
    if (peer.trickles) {
      EXPECT_EQ(peer.received.substr(0, 13), "HTTP/1.1 408 ") << peer.received;
    } else {
      EXPECT_EQ(peer.received, "");  // nothing was asked, so nothing is answered
    }
  }
  // The output reaches the test through a pipe: give the last lines a moment.
  const std::string refusal = " 408 refused: request head not complete within 10 s\n";
  const Clock::time_point logDeadline = Clock::now() + std::chrono::seconds(5);
  while (CountOf(service.Output(), refusal) < kEach && Clock::now() < logDeadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(CountOf(service.Output(), refusal), static_cast<size_t>(kEach)) << service.Output();
}

TEST_F(HttpConnection, OversizedRequestHeadIsRefused) {
  StartService();
  const int fd = ConnectTo(service.Port());
  ASSERT_GE(fd, 0);
  const std::string head = "GET /cgi-bin/timestamp/ HTTP/1.1\r\nHost: a\r\nX-Fill: " + std::string(70000, 'a') +
                           "\r\n\r\n";
  send(fd, head.data(), head.size(), MSG_NOSIGNAL);
  const std::string response = ReadToEnd(fd);
  close(fd);
  EXPECT_EQ(response.substr(0, 13), "HTTP/1.1 431 ") << response.substr(0, 200);
  EXPECT_TRUE(service.WaitForOutput("127.0.0.1 - - 431 refused: request head larger than 65536 bytes",
                                    std::chrono::seconds(5)))
      << service.Output();

  // A head just inside the bound is read and answered.
  auto fits = client->Get("/cgi-bin/timestamp/", {{"X-Fill", std::string(60000, 'a')}});
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->status, 200);
}

TEST_F(HttpConnection, OversizedReportIsRefusedWithAStatusAndALogLine) {
  StartService();
  auto oversized = Get(SignedTarget(ServiceRequestType::kUserInstallFailedReason,
                                    {std::string(40000, 'x'), "11.0", "Windows 7"}, std::time(nullptr)));
  ASSERT_TRUE(oversized);
  EXPECT_EQ(oversized->status, 413);
  EXPECT_EQ(oversized->body, "{\"Error\":\"report too large\"}");
  EXPECT_TRUE(service.WaitForOutput("GET /cgi-bin/service 413 type 4 IN_SendUserInstallFailedReason: refused: "
                                    "report of 40",
                                    std::chrono::seconds(5)))
      << service.Output();

  auto honest = Get(SignedTarget(ServiceRequestType::kUserInstallFailedReason, {"disk full", "11.0", "Windows 7"},
                                 std::time(nullptr)));
  ASSERT_TRUE(honest);
  EXPECT_EQ(honest->status, 200);
  const std::string reports = ReadFileBytes(temp / "reports.txt");
  EXPECT_EQ(CountOf(reports, "\n"), 1u) << reports;
  EXPECT_NE(reports.find("UNINSTALLREASONDATA=disk full&"), std::string::npos) << reports;
}

TEST_F(HttpConnection, DownloadTheClientLeavesIsLoggedAsCut) {
  // Larger than the socket buffers on both sides can hold.
  WriteFileBytes(temp / "student" / "libfoo-0123456789abcdef.dll.gz", PatternBytes(64 << 20));
  StartService();
  const int fd = ConnectTo(service.Port());
  ASSERT_GE(fd, 0);
  const std::string request = std::string("GET ") + kModulePath + " HTTP/1.1\r\nHost: a\r\n\r\n";
  send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  char block[65536];
  EXPECT_GT(recv(fd, block, sizeof(block), MSG_WAITALL), 0);
  close(fd);
  ASSERT_TRUE(service.WaitForOutput(std::string("GET ") + kModulePath + " 200 cut after ", std::chrono::seconds(10)))
      << service.Output();
  std::smatch match;
  const std::string output = service.Output();
  ASSERT_TRUE(std::regex_search(output, match, std::regex(" 200 cut after ([0-9]+) of 67108864 bytes\n")));
  EXPECT_GT(std::stoll(match[1]), 0);
  EXPECT_LT(std::stoll(match[1]), 64ll << 20);
}
