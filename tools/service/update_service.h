// The reference update service on one listener: the time path, the service path and the
// release files, with a printed line for every answered request.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "service/service_desk.h"
#include "service/service_options.h"

namespace httplib {
class Server;
}

class CUpdateService {
 public:
  CUpdateService(const ServiceOptions& options, std::vector<Release> releases);
  ~CUpdateService();

  // Binds the listening socket; the port is the one asked for, or the free one chosen for 0.
  bool Bind(std::string& error);
  int Port() const { return m_port; }
  // Serves until Stop; false when the listener failed.
  bool Run();
  // Safe from another thread.
  void Stop();

 private:
  void Print(const std::string& line);
  void AppendReport(int64_t now, const DeskAnswer& answer);

  ServiceOptions m_options;
  std::vector<Release> m_releases;
  CServiceDesk m_desk;
  std::unique_ptr<httplib::Server> m_server;
  int m_port = -1;
  std::mutex m_outputMutex;
};
