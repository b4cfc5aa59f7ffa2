// The reference update service: the time path, the service path and the release files on one
// listener, the status page on an optional second one, all on one event loop thread; a
// printed line for every answered request.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "service/http_connection.h"
#include "service/service_activity.h"
#include "service/service_desk.h"
#include "service/service_options.h"

class CUpdateService : public IHttpHandler {
 public:
  CUpdateService(const ServiceOptions& options, std::vector<Release> releases);
  ~CUpdateService() override;

  // Binds the listening sockets; each port is the one asked for, or the free one chosen for 0.
  bool Bind(std::string& error);
  int Port() const { return m_port; }
  int StatusPort() const { return m_statusPort; }  // -1 without a status listener
  // Serves until Stop; false when a listener failed.
  bool Run();
  // Safe from another thread.
  void Stop();

  HttpAnswer Answer(const HttpRequest& request) override;
  void Answered(const HttpRequest& request, const HttpAnswer& answer, const AnswerOutcome& outcome) override;
  void BodyStarted(const HttpRequest& request, const HttpAnswer& answer) override;

 private:
  struct Listener {
    explicit Listener(boost::asio::io_context& io) : acceptor(io), retry(io) {}
    boost::asio::ip::tcp::acceptor acceptor;
    boost::asio::steady_timer retry;  // after running out of descriptors
    int index = 0;
  };

  bool Listen(Listener& listener, const std::string& host, int port, int& boundPort, std::string& error);
  void Accept(Listener& listener);
  HttpAnswer ServiceAnswer(const HttpRequest& request);
  HttpAnswer StatusAnswer(const HttpRequest& request);
  size_t OpenConnections();
  void Print(const std::string& line);
  void AppendReport(const std::string& line);

  // First member: the listeners and connections below hold parts of it.
  boost::asio::io_context m_io;
  ServiceOptions m_options;
  std::vector<Release> m_releases;
  CServiceDesk m_desk;
  CServiceActivity m_activity;
  int64_t m_startedAt = 0;
  Listener m_service;
  Listener m_status;
  bool m_hasStatus = false;
  int m_port = -1;
  int m_statusPort = -1;
  bool m_listenerFailed = false;
  std::vector<std::weak_ptr<CHttpConnection>> m_connections;
};
