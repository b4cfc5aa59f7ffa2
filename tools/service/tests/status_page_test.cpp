// The status page in a real browser (headless Chromium) while a download runs: the figures it
// shows are those of the service's own log, and a screenshot is kept in the build folder.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <regex>
#include <sstream>
#include <thread>

#include "service_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kChromium[] = "/usr/bin/chromium";
constexpr auto kBrowserLimit = std::chrono::seconds(45);
constexpr char kModuleName[] = "libfoo-0123456789abcdef.dll.gz";

class StatusPage : public ServiceFixture {};

// Runs a program in a process group of its own with HOME set, and returns its standard output;
// after the limit, or once it has ended, the whole group is killed, so no helper process of
// the browser outlives the test.
bool RunBounded(const std::vector<std::string>& command, const std::string& home, const std::string& errorFile,
                std::string& output) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    dup2(pipeFds[1], STDOUT_FILENO);
    const int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(errors, STDERR_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    setenv("HOME", home.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  if (pid < 0) {
    close(pipeFds[0]);
    return false;
  }
  setpgid(pid, pid);
  const Clock::time_point deadline = Clock::now() + kBrowserLimit;
  bool ended = false;
  int status = 0;
  for (bool open = true; Clock::now() < deadline;) {
    if (open) {
      pollfd wait{pipeFds[0], POLLIN, 0};
      if (poll(&wait, 1, 100) > 0) {
        char block[4096];
        const ssize_t count = read(pipeFds[0], block, sizeof(block));
        if (count > 0) output.append(block, static_cast<size_t>(count));
        else open = false;
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
  }
  kill(-pid, SIGKILL);
  if (!ended) waitpid(pid, &status, 0);
  close(pipeFds[0]);
  return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> BrowserCommand(const std::string& profile, std::vector<std::string> extra) {
  std::vector<std::string> command{kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                   "--no-first-run", "--disable-background-networking", "--disable-component-update",
                                   "--disable-sync", "--user-data-dir=" + profile};
  command.insert(command.end(), extra.begin(), extra.end());
  return command;
}

// The text of the element with this id in the page, or "(absent)".
std::string FigureOf(const std::string& page, const std::string& id) {
  std::smatch match;
  if (!std::regex_search(page, match, std::regex("id=\"" + id + "\">([^<]*)<"))) return "(absent)";
  return match[1];
}

size_t LogLinesMatching(const std::string& log, const std::regex& pattern) {
  size_t count = 0;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_match(line, pattern)) ++count;
  }
  return count;
}

std::string WithAmpersandsEscaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) escaped += c == '&' ? std::string("&amp;") : std::string(1, c);
  return escaped;
}

// A download that stays in progress: it reads a little now and then, so the service sees a
// slow reader, not a stalled one, until it is stopped.
class SlowDownload {
 public:
  SlowDownload(int port, const std::string& path) : m_fd(ConnectTo(port)) {
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: a\r\nRange: bytes=0-\r\nConnection: close\r\n\r\n";
    if (m_fd >= 0) send(m_fd, request.data(), request.size(), MSG_NOSIGNAL);
    m_reader = std::thread([this] {
      char block[4096];
      while (!m_stop && m_fd >= 0) {
        if (recv(m_fd, block, sizeof(block), MSG_DONTWAIT) > 0) m_received += 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
    });
  }
  ~SlowDownload() {
    m_stop = true;
    m_reader.join();
    if (m_fd >= 0) close(m_fd);
  }
  bool Started() const { return m_received > 0; }

 private:
  int m_fd;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_received{0};
  std::thread m_reader;
};

}  // namespace

TEST_F(StatusPage, BrowserShowsTheFiguresOfTheServiceLogWhileADownloadRuns) {
  ASSERT_EQ(access(kChromium, X_OK), 0) << kChromium << " is missing: scripts/setup installs it";
  const std::string module = PatternBytes(8 << 20);
  WriteFileBytes(temp / "student" / kModuleName, module);
  StartService({"--status", "127.0.0.1:0"});
  std::smatch match;
  const std::string started = service.Output();
  ASSERT_TRUE(std::regex_search(started, match, std::regex("status page on http://127\\.0\\.0\\.1:([0-9]+)/")))
      << started;
  const std::string url = "http://127.0.0.1:" + std::string(match[1]) + "/";

  const std::string path = std::string("/releases/1.0.0.0/") + kModuleName;
  EXPECT_EQ(BodyOf(RawGet(service.Port(), path)).size(), module.size());
  EXPECT_EQ(BodyOf(RawGet(service.Port(), path)).size(), module.size());
  EXPECT_EQ(BodyOf(RawGet(service.Port(), path, "bytes=8000000-")).size(), module.size() - 8000000);
  const int64_t now = std::time(nullptr);
  for (const ReportFields& report : std::vector<ReportFields>{{"disk full at item 7", "11.0", "Windows 7 "},
                                                              {"download failed", "11.0", "Windows 10"},
                                                              {std::string(40000, 'x'), "", ""}}) {
    ASSERT_TRUE(Get(SignedTarget(ServiceRequestType::kUserInstallFailedReason, report, now)));
  }
  ASSERT_TRUE(Get(SignedTarget(ServiceRequestType::kUserUninstallReason, {"too slow", "11.0", "Windows 7 "}, now)));

  SlowDownload running(service.Port(), path);
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  while (!running.Started() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(running.Started());

  std::string page, ignored;
  const std::string errors = (temp / "chromium-errors.txt").string();
  ASSERT_TRUE(RunBounded(BrowserCommand((temp / "profile-dom").string(), {"--dump-dom", url}),
                         temp.path().string(), errors, page))
      << ReadFileBytes(errors);
  const std::string screenshot = std::string(TAVORA_TEST_OUTPUT_DIR) + "/status-page.png";
  std::remove(screenshot.c_str());
  EXPECT_TRUE(RunBounded(BrowserCommand((temp / "profile-shot").string(),
                                        {"--hide-scrollbars", "--window-size=1100,1150", "--screenshot=" + screenshot, url}),
                         temp.path().string(), errors, ignored))
      << ReadFileBytes(errors);

  // The figures the service's own log gives.
  const std::string log = service.Output();
  const size_t completed = LogLinesMatching(log, std::regex("127\\.0\\.0\\.1 GET /releases/\\S+ 20[06]"));
  const size_t type4 =
      LogLinesMatching(log, std::regex(".* 200 type 4 IN_SendUserInstallFailedReason: report received"));
  const size_t type3 = LogLinesMatching(log, std::regex(".* 200 type 3 IN_SendUserUninstallReason: report received"));
  const size_t refused4 =
      LogLinesMatching(log, std::regex(".* 413 type 4 IN_SendUserInstallFailedReason: refused: report of .*"));
  EXPECT_EQ(completed, 3u) << log;
  EXPECT_EQ(type4, 2u) << log;

  EXPECT_EQ(FigureOf(page, "downloads-running"), "1") << page;
  EXPECT_EQ(FigureOf(page, "downloads-completed"), std::to_string(completed)) << page;
  EXPECT_EQ(FigureOf(page, "downloads-cut"), "0") << page;
  EXPECT_EQ(FigureOf(page, "reports-type-4"), std::to_string(type4)) << page;
  EXPECT_EQ(FigureOf(page, "reports-type-3"), std::to_string(type3)) << page;
  EXPECT_EQ(FigureOf(page, "reports-refused-type-4"), std::to_string(refused4)) << page;
  EXPECT_NE(page.find("TavoraStudent 1,0,0,0"), std::string::npos) << page;
  EXPECT_NE(page.find(std::string(kModuleName) + "</td><td>version 1.0.0.2</td><td>8,388,608 bytes"),
            std::string::npos)
      << page;
  // The latest reports in full, as the reports file holds them.
  std::istringstream reports(ReadFileBytes(temp / "reports.txt"));
  size_t shown = 0;
  for (std::string line; std::getline(reports, line); ++shown) {
    EXPECT_NE(page.find(WithAmpersandsEscaped(line)), std::string::npos) << line;
  }
  EXPECT_EQ(shown, 3u);

  const std::string png = ReadFileBytes(screenshot);
  EXPECT_GT(png.size(), 10000u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
}
