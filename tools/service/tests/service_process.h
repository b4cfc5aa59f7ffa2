// A tavora-service process for tests: started with arguments, its output collected, stopped
// with a signal; every wait is bounded.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ServiceProcess {
 public:
  ServiceProcess() = default;
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  // Starts the program and waits until it prints where it listens (true) or ends (false).
  bool Start(const std::vector<std::string>& arguments);
  int Port() const { return m_port; }

  // Sends the signal and waits for the end; the exit code, or -1 when it had to be killed.
  int Stop(int signal);
  // Waits for the program to end by itself; the exit code, or -1 when it had to be killed.
  int WaitForExit(std::chrono::milliseconds limit);

  // Waits until the standard output holds text; false when it does not in time.
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit);
  std::string Output();
  std::string Errors();

 private:
  void Collect(int fd, std::string& sink);

  pid_t m_pid = -1;
  int m_port = -1;
  int m_exitCode = -1;  // once the process has ended
  std::mutex m_mutex;
  std::string m_output;
  std::string m_errors;
  std::thread m_outputReader;
  std::thread m_errorReader;
};

// Runs the program to its end (bounded) and returns its exit code and error output.
int RunServiceToEnd(const std::vector<std::string>& arguments, std::string& errors);
