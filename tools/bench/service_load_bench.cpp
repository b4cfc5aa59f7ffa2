// Service load benchmark: a classroom asking one tavora-service for the same module at the same
// minute. Starts the service on a free port of 127.0.0.1 with a release of its own, then
//   1. one client alone downloads the module at the capped rate (the yardstick);
//   2. every client downloads it at once, while signed update-list requests are timed;
//   3. every client starts a download of a much larger file for a few seconds, to see whether
//      the service's memory follows the file size.
// Each client reads at most --rate bytes a second and gives up as the installer's downloader
// does: about 10 s of silence ends a read, 8 attempts 100 ms apart. The figures come last.
//
// usage: tavora-service-load-bench --service EXE --work DIR [--clients N] [--size MIB]
//            [--rate KB_PER_S] [--big MIB] [--big-seconds S] [--limit S]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "build_settings.h"
#include "net/request_codec.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The installer's downloader: ~10 s of silence ends a read, 8 attempts, 100 ms apart, and a
// connection attempt waits 3 x 1.1 s at most.
constexpr auto kSilenceLimit = std::chrono::seconds(10);
constexpr int kAttempts = 8;
constexpr auto kRetryPause = std::chrono::milliseconds(100);
constexpr auto kConnectLimit = std::chrono::milliseconds(3300);
// Body reads happen on this tick; the bucket holds a tenth of a second of the rate, so a client
// never reads faster than its cap for long, as behind a slow link.
constexpr auto kReadTick = std::chrono::milliseconds(20);
constexpr double kBucketSeconds = 0.1;
constexpr size_t kReadBlock = 64 * 1024;
constexpr auto kProbeInterval = std::chrono::milliseconds(20);

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Options {
  std::string service;
  fs::path work;
  int clients = 1000;
  int sizeMib = 10;
  double rateBytes = 1000.0 * 1000.0;  // per second
  int bigMib = 100;
  int bigSeconds = 5;
  int limitSeconds = 150;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--service") options.service = value;
    else if (name == "--work") options.work = value;
    else if (name == "--clients") options.clients = std::atoi(value.c_str());
    else if (name == "--size") options.sizeMib = std::atoi(value.c_str());
    else if (name == "--rate") options.rateBytes = std::atof(value.c_str()) * 1000.0;
    else if (name == "--big") options.bigMib = std::atoi(value.c_str());
    else if (name == "--big-seconds") options.bigSeconds = std::atoi(value.c_str());
    else if (name == "--limit") options.limitSeconds = std::atoi(value.c_str());
    else return false;
  }
  return argc % 2 == 1 && !options.service.empty() && !options.work.empty() && options.clients > 0 &&
         options.sizeMib > 0 && options.rateBytes > 0 && options.bigMib >= 0 && options.limitSeconds > 0;
}

// ---------------------------------------------------------------- the service process

class ServiceRun {
 public:
  ~ServiceRun() { Stop(); }

  bool Start(const Options& options, const fs::path& releaseDir) {
    m_log = options.work / "service.log";
    const std::vector<std::string> command{options.service, "--release", releaseDir.string(), "--listen",
                                           "127.0.0.1:0", "--reports", (options.work / "reports.txt").string()};
    m_pid = fork();
    if (m_pid == 0) {
      const int out = open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
      std::vector<char*> argv;
      for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    if (m_pid < 0) return false;
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline) {
      std::ifstream log(m_log);
      const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
      const size_t at = text.find("listening on http://127.0.0.1:");
      if (at != std::string::npos && text.find('/', at + 30) != std::string::npos) {
        m_port = std::atoi(text.c_str() + at + 30);
        return m_port > 0;
      }
      if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  void Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

  // Resident memory in KiB; 0 when it cannot be read.
  long RssKib() const {
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
  }

  int Port() const { return m_port; }

 private:
  pid_t m_pid = -1;
  int m_port = -1;
  fs::path m_log;
};

// Samples the service's resident memory until stopped; keeps the peak.
class RssSampler {
 public:
  explicit RssSampler(const ServiceRun& service) : m_service(service) {
    m_thread = std::thread([this] {
      while (!m_stop) {
        m_peak = std::max(m_peak.load(), m_service.RssKib());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
  }
  ~RssSampler() { Finish(); }
  long Finish() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return m_peak;
  }

 private:
  const ServiceRun& m_service;
  std::atomic<bool> m_stop{false};
  std::atomic<long> m_peak{0};
  std::thread m_thread;
};

// ---------------------------------------------------------------- capped-rate clients

enum class Stage { kWaiting, kConnecting, kHeader, kBody, kComplete, kFailed };

struct Client {
  Stage stage = Stage::kWaiting;
  int fd = -1;
  int attempts = 0;
  Clock::time_point start;       // when the first attempt began
  Clock::time_point stageSince;  // connect start, or the last byte received
  Clock::time_point nextAttempt;
  Clock::time_point bodyStart;
  std::string header;
  int64_t bodyBytes = 0;
  int64_t expected = -1;
  double bucket = 0;
  bool gotHeader = false;
  Clock::duration headerWait{};
  std::string failure;
};

struct RoomFigures {
  int complete = 0;
  int gotHeader = 0;
  Clock::duration worstHeaderWait{};
  Clock::duration elapsed{};
  std::vector<std::string> failures;  // "reason" per failed client
};

class Room {
 public:
  Room(int port, const std::string& path, const std::string* expectedBytes, const Options& options,
       int count, Clock::duration readFor)
      : m_port(port), m_path(path), m_expectedBytes(expectedBytes), m_rate(options.rateBytes),
        m_limit(std::chrono::seconds(options.limitSeconds)), m_readFor(readFor), m_clients(count) {}

  RoomFigures Run() {
    m_epoll = epoll_create1(0);
    std::vector<char> block(kReadBlock);
    const Clock::time_point begin = Clock::now();
    for (Client& client : m_clients) {
      client.start = begin;
      client.nextAttempt = begin;
    }
    Clock::time_point lastTick = begin;
    size_t open = m_clients.size();
    while (open > 0) {
      const Clock::time_point now = Clock::now();
      if (now - begin > m_limit) {
        for (Client& client : m_clients) {
          if (client.stage != Stage::kComplete && client.stage != Stage::kFailed) Fail(client, "benchmark time limit");
        }
        break;
      }
      for (Client& client : m_clients) {
        if (client.stage == Stage::kWaiting && now >= client.nextAttempt) Connect(client, now);
        if (client.stage == Stage::kConnecting && now - client.stageSince > kConnectLimit) Retry(client, now, "connect");
        if (client.stage == Stage::kHeader && now - client.stageSince > kSilenceLimit) Retry(client, now, "silent header");
      }
      if (now - lastTick >= kReadTick) {
        const double seconds = Seconds(now - lastTick);
        lastTick = now;
        for (Client& client : m_clients) {
          if (client.stage == Stage::kBody) ReadBody(client, now, seconds, block);
        }
      }
      epoll_event events[256];
      const int ready = epoll_wait(m_epoll, events, 256, 5);
      const Clock::time_point after = Clock::now();
      for (int i = 0; i < ready; ++i) {
        Client& client = m_clients[events[i].data.u32];
        if (client.stage == Stage::kConnecting) Connected(client, after);
        else if (client.stage == Stage::kHeader) ReadHeader(client, after, block);
      }
      open = 0;
      for (const Client& client : m_clients) {
        if (client.stage != Stage::kComplete && client.stage != Stage::kFailed) ++open;
      }
    }
    RoomFigures figures;
    figures.elapsed = Clock::now() - begin;
    for (Client& client : m_clients) {
      if (client.fd >= 0) close(client.fd);
      if (client.stage == Stage::kComplete) ++figures.complete;
      else figures.failures.push_back(client.failure);
      if (client.gotHeader) {
        ++figures.gotHeader;
        figures.worstHeaderWait = std::max(figures.worstHeaderWait, client.headerWait);
      }
    }
    close(m_epoll);
    return figures;
  }

 private:
  void Connect(Client& client, Clock::time_point now) {
    ++client.attempts;
    client.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(m_port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    client.stage = Stage::kConnecting;
    client.stageSince = now;
    if (connect(client.fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 && errno != EINPROGRESS) {
      Retry(client, now, std::string("connect: ") + std::strerror(errno));
      return;
    }
    epoll_event event = {};
    event.events = EPOLLOUT;
    event.data.u32 = static_cast<uint32_t>(&client - m_clients.data());
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, client.fd, &event);
  }

  void Connected(Client& client, Clock::time_point now) {
    int error = 0;
    socklen_t length = sizeof(error);
    getsockopt(client.fd, SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) {
      Retry(client, now, std::string("connect: ") + std::strerror(error));
      return;
    }
    // The installer's request, byte for byte.
    const std::string request = "GET " + m_path +
                                " HTTP/1.1\r\nUser-Agent: libavformat_http0.2\r\nAccept: */*\r\n"
                                "Range: bytes=0-\r\nHost: 127.0.0.1:" + std::to_string(m_port) +
                                "\r\nConnection: close\r\n\r\n";
    if (send(client.fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
      Retry(client, now, "send");
      return;
    }
    epoll_event event = {};
    event.events = EPOLLIN;
    event.data.u32 = static_cast<uint32_t>(&client - m_clients.data());
    epoll_ctl(m_epoll, EPOLL_CTL_MOD, client.fd, &event);
    client.stage = Stage::kHeader;
    client.stageSince = now;
    client.header.clear();
  }

  void ReadHeader(Client& client, Clock::time_point now, std::vector<char>& block) {
    const ssize_t count = recv(client.fd, block.data(), 4096, 0);
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (count <= 0) {
      Retry(client, now, "closed before the header");
      return;
    }
    client.stageSince = now;
    client.header.append(block.data(), static_cast<size_t>(count));
    const size_t end = client.header.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (client.header.size() > 65536) Fail(client, "header too long");
      return;
    }
    client.gotHeader = true;
    client.headerWait = now - client.start;
    const int status = client.header.size() > 12 ? std::atoi(client.header.c_str() + 9) : 0;
    if (status < 200 || status > 299) {
      Fail(client, "status " + std::to_string(status));
      return;
    }
    const size_t length = client.header.find("\r\nContent-Length: ");
    client.expected = length == std::string::npos || length > end ? -1 : std::atoll(client.header.c_str() + length + 18);
    if (client.expected <= 0) {
      Fail(client, "no Content-Length");
      return;
    }
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, client.fd, nullptr);
    const std::string early = client.header.substr(end + 4);
    client.header.resize(end + 4);
    client.stage = Stage::kBody;
    client.stageSince = now;
    client.bodyStart = now;
    client.bucket = 0;
    client.bodyBytes = 0;
    Received(client, now, early.data(), early.size());
  }

  void ReadBody(Client& client, Clock::time_point now, double seconds, std::vector<char>& block) {
    client.bucket = std::min(client.bucket + m_rate * seconds, m_rate * kBucketSeconds);
    while (client.stage == Stage::kBody && client.bucket >= 1.0) {
      const size_t wanted = std::min(block.size(), static_cast<size_t>(client.bucket));
      const ssize_t count = recv(client.fd, block.data(), wanted, 0);
      if (count < 0 && (errno == EAGAIN || errno == EINTR)) break;
      if (count <= 0) {
        Fail(client, "cut at " + std::to_string(client.bodyBytes) + " of " + std::to_string(client.expected));
        return;
      }
      client.bucket -= static_cast<double>(count);
      client.stageSince = now;
      Received(client, now, block.data(), static_cast<size_t>(count));
    }
    if (client.stage != Stage::kBody) return;
    if (now - client.stageSince > kSilenceLimit) {
      Fail(client, "silent body at " + std::to_string(client.bodyBytes) + " of " + std::to_string(client.expected));
    } else if (m_readFor.count() > 0 && now - client.bodyStart >= m_readFor) {
      Done(client);  // read for the time asked, then hang up
    }
  }

  void Received(Client& client, Clock::time_point now, const char* data, size_t size) {
    if (m_expectedBytes != nullptr &&
        (client.bodyBytes + static_cast<int64_t>(size) > static_cast<int64_t>(m_expectedBytes->size()) ||
         std::memcmp(m_expectedBytes->data() + client.bodyBytes, data, size) != 0)) {
      Fail(client, "wrong bytes at " + std::to_string(client.bodyBytes));
      return;
    }
    client.bodyBytes += static_cast<int64_t>(size);
    if (client.bodyBytes >= client.expected) {
      if (m_expectedBytes != nullptr && client.bodyBytes != static_cast<int64_t>(m_expectedBytes->size())) {
        Fail(client, "short file");
        return;
      }
      Done(client);
    }
  }

  void Done(Client& client) {
    close(client.fd);
    client.fd = -1;
    client.stage = Stage::kComplete;
  }

  void Retry(Client& client, Clock::time_point now, const std::string& why) {
    if (client.fd >= 0) close(client.fd);
    client.fd = -1;
    if (client.attempts >= kAttempts) {
      Fail(client, "gave up after " + std::to_string(kAttempts) + " attempts (" + why + ")");
      return;
    }
    client.stage = Stage::kWaiting;
    client.nextAttempt = now + kRetryPause;
  }

  void Fail(Client& client, const std::string& why) {
    if (client.fd >= 0) close(client.fd);
    client.fd = -1;
    client.stage = Stage::kFailed;
    client.failure = why;
  }

  int m_port;
  std::string m_path;
  const std::string* m_expectedBytes;  // null: the body is not compared
  double m_rate;
  Clock::duration m_limit;
  Clock::duration m_readFor;  // zero: read to the end
  std::vector<Client> m_clients;
  int m_epoll = -1;
};

// ---------------------------------------------------------------- signed requests meanwhile

struct ProbeFigures {
  std::vector<double> latencyMs;
  int failed = 0;
};

// One signed type 1 request as the installer builds it, on a connection of its own.
bool SignedRequest(int port, double& latencyMs) {
  std::string query, cipher;
  BuildRequestQuery(ServiceRequestType::kUpdateVersionData, {}, 4242u, query);
  TripleDesOfb(query, settings::kDesKey, cipher);
  const std::string requestData = Base64Encode(cipher);
  const std::string timeText = std::to_string(static_cast<long long>(std::time(nullptr)));
  const std::string request = "GET /cgi-bin/service?RequestData=" + EscapeRequestData(requestData) +
                              "&TimeStamp=" + timeText + "&MD5=" +
                              RequestSignature(settings::kSignSalt, requestData, timeText) +
                              " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  const Clock::time_point begin = Clock::now();
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  timeval timeout{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
  std::string response;
  char block[4096];
  ssize_t count;
  while (ok && (count = recv(fd, block, sizeof(block), 0)) > 0) response.append(block, static_cast<size_t>(count));
  close(fd);
  latencyMs = Millis(Clock::now() - begin);
  return ok && response.compare(0, 12, "HTTP/1.1 200") == 0 && response.find("\"AppUpdateList\"") != std::string::npos;
}

class Prober {
 public:
  explicit Prober(int port) : m_port(port) {
    m_thread = std::thread([this] {
      while (!m_stop) {
        const Clock::time_point next = Clock::now() + kProbeInterval;
        double latency = 0;
        // A failed request counts with the time it took (up to its 5 s time-out), so that the
        // percentiles do not hide it.
        if (!SignedRequest(m_port, latency)) ++m_figures.failed;
        m_figures.latencyMs.push_back(latency);
        std::this_thread::sleep_until(next);
      }
    });
  }
  ProbeFigures Finish() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return m_figures;
  }
  ~Prober() { Finish(); }

 private:
  int m_port;
  std::atomic<bool> m_stop{false};
  ProbeFigures m_figures;
  std::thread m_thread;
};

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
  return values[index];
}

// ---------------------------------------------------------------- the release

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (size_t i = 0; i + 4 <= size; i += 4) {
    const uint32_t word = generator();
    std::memcpy(&bytes[i], &word, 4);
  }
  return bytes;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

void PrintFailures(const RoomFigures& figures) {
  std::vector<std::pair<std::string, int>> counts;
  for (const std::string& failure : figures.failures) {
    // Group by the reason without its byte counts.
    const std::string key = failure.substr(0, failure.find(" at "));
    auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == key; });
    if (found == counts.end()) counts.push_back({key, 1});
    else ++found->second;
  }
  for (const auto& count : counts) std::printf("    %4d %s\n", count.second, count.first.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s --service EXE --work DIR [--clients N] [--size MIB] [--rate KB_PER_S] [--big MIB]\n"
                 "          [--big-seconds S] [--limit S]\n",
                 argv[0]);
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  rlimit files = {};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
  if (files.rlim_cur < static_cast<rlim_t>(options.clients) + 64) {
    std::fprintf(stderr, "service-load-bench: %d clients need more open files than the limit %llu\n",
                 options.clients, static_cast<unsigned long long>(files.rlim_cur));
    return 1;
  }

  const fs::path release = options.work / "release";
  fs::create_directories(release);
  const std::string moduleName = "TavoraMedia-0123456789abcdef.dll.gz";
  const std::string bigName = "TavoraStudent-fedcba9876543210.zip.gz";
  const std::string module = RandomBytes(static_cast<size_t>(options.sizeMib) << 20, 1);
  if (!WriteFile(release / moduleName, module) ||
      !WriteFile(release / bigName, RandomBytes(static_cast<size_t>(options.bigMib) << 20, 2)) ||
      !WriteFile(release / "entry.json",
                 "{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1,0,0,0\",\"DownloadUrls\":"
                 "[\"http://127.0.0.1:18080/bench/\"],\"Modules\":[{\"name\":\"" +
                     moduleName.substr(0, moduleName.size() - 3) + "\",\"bytes\":" + std::to_string(module.size()) +
                     ",\"version\":\"1.0.0.0\",\"registerdll\":\"false\"}]}\n")) {
    std::fprintf(stderr, "service-load-bench: cannot write the release under %s\n", options.work.c_str());
    return 1;
  }

  ServiceRun service;
  if (!service.Start(options, release)) {
    std::fprintf(stderr, "service-load-bench: %s did not start (see %s)\n", options.service.c_str(),
                 (options.work / "service.log").c_str());
    return 1;
  }
  const long idleRss = service.RssKib();
  const double rateKb = options.rateBytes / 1000.0;
  std::printf("service-load-bench: %s on port %d\n", options.service.c_str(), service.Port());
  std::printf("service-load-bench: %d clients, a %d MiB module, each client reading at most %.0f kB/s\n",
              options.clients, options.sizeMib, rateKb);
  std::fflush(stdout);

  Room alone(service.Port(), "/bench/" + moduleName, &module, options, 1, Clock::duration::zero());
  const RoomFigures one = alone.Run();
  std::printf("one client alone: %s in %.2f s\n", one.complete == 1 ? "complete" : one.failures[0].c_str(),
              Seconds(one.elapsed));
  std::fflush(stdout);

  RoomFigures room;
  ProbeFigures probes;
  long roomRss = 0;
  {
    RssSampler sampler(service);
    Prober prober(service.Port());
    Room clients(service.Port(), "/bench/" + moduleName, &module, options, options.clients, Clock::duration::zero());
    room = clients.Run();
    probes = prober.Finish();
    roomRss = sampler.Finish();
  }
  std::printf("%d clients at once: %d complete in %.2f s\n", options.clients, room.complete, Seconds(room.elapsed));
  PrintFailures(room);
  std::fflush(stdout);

  long bigRss = 0;
  RoomFigures big;
  if (options.bigMib > 0) {
    RssSampler sampler(service);
    Room clients(service.Port(), "/bench/" + bigName, nullptr, options, options.clients,
                 std::chrono::seconds(options.bigSeconds));
    big = clients.Run();
    bigRss = sampler.Finish();
    std::printf("%d clients reading a %d MiB file for %d s: %d read for the whole time\n", options.clients,
                options.bigMib, options.bigSeconds, big.complete);
    PrintFailures(big);
  }
  service.Stop();

  std::printf("\nfigures (%d clients, %d MiB module, %.0f kB/s each):\n", options.clients, options.sizeMib, rateKb);
  std::printf("  clients complete:            %d of %d\n", room.complete, options.clients);
  std::printf("  worst header wait:           %.0f ms", Millis(room.worstHeaderWait));
  if (room.gotHeader < options.clients) std::printf(" (%d clients never got one)", options.clients - room.gotHeader);
  std::printf("\n");
  std::printf("  time against one alone:      %.2f s / %.2f s = %.2f\n", Seconds(room.elapsed), Seconds(one.elapsed),
              Seconds(room.elapsed) / Seconds(one.elapsed));
  std::printf("  signed type 1 request p99:   %.1f ms (median %.1f ms, %zu sent, %d failed)\n",
              Percentile(probes.latencyMs, 0.99), Percentile(probes.latencyMs, 0.5), probes.latencyMs.size(),
              probes.failed);
  std::printf("  service memory (peak RSS):   %.1f MiB with %d clients on %d MiB", static_cast<double>(roomRss) / 1024.0,
              options.clients, options.sizeMib);
  if (options.bigMib > 0) {
    std::printf(", %.1f MiB with %d clients on %d MiB", static_cast<double>(bigRss) / 1024.0, options.clients,
                options.bigMib);
  }
  std::printf(", %.1f MiB idle\n", static_cast<double>(idleRss) / 1024.0);
  return 0;
}
