#include "service_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <regex>

namespace {

constexpr auto kStartLimit = std::chrono::seconds(15);
constexpr auto kStopLimit = std::chrono::seconds(10);

}  // namespace

ServiceProcess::~ServiceProcess() {
  if (m_pid > 0) Stop(SIGKILL);
  if (m_outputReader.joinable()) m_outputReader.join();
  if (m_errorReader.joinable()) m_errorReader.join();
}

void ServiceProcess::Collect(int fd, std::string& sink) {
  char block[4096];
  for (;;) {
    const ssize_t count = read(fd, block, sizeof(block));
    if (count <= 0) break;
    std::lock_guard<std::mutex> lock(m_mutex);
    sink.append(block, static_cast<size_t>(count));
  }
  close(fd);
}

bool ServiceProcess::Start(const std::vector<std::string>& arguments) {
  int outputPipe[2], errorPipe[2];
  if (pipe(outputPipe) != 0) return false;
  if (pipe(errorPipe) != 0) {
    close(outputPipe[0]);
    close(outputPipe[1]);
    return false;
  }
  std::vector<std::string> command{TAVORA_SERVICE_EXE};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : command) argv.push_back(&argument[0]);
  argv.push_back(nullptr);

  m_pid = fork();
  if (m_pid == 0) {
    dup2(outputPipe[1], STDOUT_FILENO);
    dup2(errorPipe[1], STDERR_FILENO);
    close(outputPipe[0]);
    close(outputPipe[1]);
    close(errorPipe[0]);
    close(errorPipe[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(outputPipe[1]);
  close(errorPipe[1]);
  if (m_pid < 0) {
    close(outputPipe[0]);
    close(errorPipe[0]);
    return false;
  }
  m_outputReader = std::thread([this, fd = outputPipe[0]] { Collect(fd, m_output); });
  m_errorReader = std::thread([this, fd = errorPipe[0]] { Collect(fd, m_errors); });

  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  const std::regex listening("listening on http://[^:]+:([0-9]+)/");
  while (std::chrono::steady_clock::now() < deadline) {
    std::smatch match;
    const std::string output = Output();
    if (std::regex_search(output, match, listening)) {
      m_port = std::stoi(match[1]);
      return true;
    }
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      if (m_outputReader.joinable()) m_outputReader.join();
      if (m_errorReader.joinable()) m_errorReader.join();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

int ServiceProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (m_pid <= 0) return m_exitCode;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, &status, 0);
      m_pid = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  m_pid = -1;
  if (m_outputReader.joinable()) m_outputReader.join();
  if (m_errorReader.joinable()) m_errorReader.join();
  m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return m_exitCode;
}

int ServiceProcess::Stop(int signal) {
  if (m_pid <= 0) return m_exitCode;
  kill(m_pid, signal);
  return WaitForExit(std::chrono::duration_cast<std::chrono::milliseconds>(kStopLimit));
}

bool ServiceProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Output().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return Output().find(text) != std::string::npos;
}

std::string ServiceProcess::Output() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_output;
}

std::string ServiceProcess::Errors() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_errors;
}

int RunServiceToEnd(const std::vector<std::string>& arguments, std::string& errors) {
  ServiceProcess process;
  if (process.Start(arguments)) {
    process.Stop(SIGKILL);
    errors = "the service started";
    return 0;
  }
  const int code = process.WaitForExit(std::chrono::seconds(10));
  errors = process.Errors();
  return code;
}
