#include "service_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int ConnectTo(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string ReadToEnd(int fd) {
  std::string response;
  char block[4096];
  ssize_t count;
  while ((count = recv(fd, block, sizeof(block), 0)) > 0) response.append(block, static_cast<size_t>(count));
  return response;
}

std::string RawGet(int port, const std::string& path, const std::string& range) {
  const int fd = ConnectTo(port);
  if (fd < 0) return std::string();
  const std::string request = "GET " + path +
                              " HTTP/1.1\r\nUser-Agent: libavformat_http0.2\r\nAccept: */*\r\n"
                              "Range: " + range + "\r\nHost: 127.0.0.1:" + std::to_string(port) +
                              "\r\nConnection: close\r\n\r\n";
  send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  const std::string response = ReadToEnd(fd);
  close(fd);
  return response;
}

std::string HeadOf(const std::string& response) { return response.substr(0, response.find("\r\n\r\n") + 2); }
std::string BodyOf(const std::string& response) {
  const size_t end = response.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : response.substr(end + 4);
}

std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919u) >> 3);
  return bytes;
}

