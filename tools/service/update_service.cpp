#include "service/update_service.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <boost/asio/post.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <utility>

#include "service/status_page.h"

namespace asio = boost::asio;
using boost::system::error_code;

namespace {

int64_t ClockNow() { return static_cast<int64_t>(std::time(nullptr)); }

constexpr int kServiceListener = 0;
constexpr int kStatusListener = 1;
// Out of descriptors, the listener waits this long before it accepts again, instead of spinning.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);

HttpAnswer TextAnswer(int status, const std::string& contentType, const std::string& body) {
  HttpAnswer answer;
  answer.status = status;
  answer.fields = {{"Content-Type", contentType}};
  answer.body = body;
  return answer;
}

}  // namespace

CUpdateService::CUpdateService(const ServiceOptions& options, std::vector<Release> releases)
    : m_io(1),  // one thread runs the loop: no locks anywhere
      m_options(options),
      m_releases(releases),
      m_desk(options.salt, options.key, options.maxSkewSeconds, std::move(releases)),
      m_startedAt(ClockNow()),
      m_service(m_io),
      m_status(m_io) {
  m_service.index = kServiceListener;
  m_status.index = kStatusListener;
}

CUpdateService::~CUpdateService() = default;

bool CUpdateService::Listen(Listener& listener, const std::string& host, int port, int& boundPort,
                            std::string& error) {
  error = "cannot listen on " + host + ":" + std::to_string(port);
  error_code code;
  asio::ip::tcp::resolver resolver(m_io);
  const auto endpoints = resolver.resolve(host, std::to_string(port),
                                          asio::ip::tcp::resolver::passive | asio::ip::tcp::resolver::numeric_service,
                                          code);
  if (code || endpoints.empty()) return false;
  const asio::ip::tcp::endpoint endpoint = endpoints.begin()->endpoint();
  listener.acceptor.open(endpoint.protocol(), code);
  // SO_REUSEADDR allows a quick restart; without SO_REUSEPORT a second service cannot share
  // the port and take some of its requests.
  if (!code) listener.acceptor.set_option(asio::socket_base::reuse_address(true), code);
  if (!code) listener.acceptor.bind(endpoint, code);
  if (!code) listener.acceptor.listen(asio::socket_base::max_listen_connections, code);
  if (code) {
    error_code ignored;
    listener.acceptor.close(ignored);
    return false;
  }
  boundPort = listener.acceptor.local_endpoint(code).port();
  error.clear();
  return !code;
}

bool CUpdateService::Bind(std::string& error) {
  if (!Listen(m_service, m_options.listenHost, m_options.listenPort, m_port, error)) return false;
  m_hasStatus = m_options.statusPort >= 0;
  if (m_hasStatus && !Listen(m_status, m_options.statusHost, m_options.statusPort, m_statusPort, error)) return false;
  return true;
}

void CUpdateService::Accept(Listener& listener) {
  listener.acceptor.async_accept([this, &listener](const error_code& error, asio::ip::tcp::socket socket) {
    if (error == asio::error::operation_aborted) return;
    if (error) {
      const int code = error.value();
      if (code == EMFILE || code == ENFILE || code == ENOBUFS || code == ENOMEM) {
        listener.retry.expires_after(kAcceptRetry);
        listener.retry.async_wait([this, &listener](const error_code& waitError) {
          if (!waitError) Accept(listener);
        });
        return;
      }
      if (code != ECONNABORTED && code != EPROTO && code != EPERM && code != EINTR && code != EAGAIN) {
        std::fprintf(stderr, "tavora-service: the listener failed: %s\n", error.message().c_str());
        m_listenerFailed = true;
        m_io.stop();
        return;
      }
      Accept(listener);
      return;
    }
    auto connection = std::make_shared<CHttpConnection>(std::move(socket), listener.index, *this);
    if (m_connections.size() >= 1024 && m_connections.size() % 1024 == 0) {
      m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                         [](const std::weak_ptr<CHttpConnection>& c) { return c.expired(); }),
                          m_connections.end());
    }
    m_connections.push_back(connection);
    connection->Start();
    Accept(listener);
  });
}

bool CUpdateService::Run() {
  Accept(m_service);
  if (m_hasStatus) Accept(m_status);
  m_io.run();
  return !m_listenerFailed;
}

void CUpdateService::Stop() {
  asio::post(m_io, [this] {
    error_code ignored;
    m_service.acceptor.close(ignored);
    m_status.acceptor.close(ignored);
    m_service.retry.cancel();
    m_status.retry.cancel();
    for (const auto& weak : m_connections) {
      if (const auto connection = weak.lock()) connection->Close();
    }
    m_io.stop();
  });
}

size_t CUpdateService::OpenConnections() {
  return static_cast<size_t>(std::count_if(m_connections.begin(), m_connections.end(),
                                           [](const std::weak_ptr<CHttpConnection>& c) { return !c.expired(); }));
}

HttpAnswer CUpdateService::Answer(const HttpRequest& request) {
  return request.listener == kStatusListener ? StatusAnswer(request) : ServiceAnswer(request);
}

HttpAnswer CUpdateService::ServiceAnswer(const HttpRequest& request) {
  if (request.path == "/cgi-bin/timestamp/" || request.path == "/cgi-bin/timestamp") {
    return TextAnswer(200, "application/json", CServiceDesk::TimeStampReply(ClockNow()));
  }
  if (request.path == "/cgi-bin/service") {
    const int64_t now = ClockNow();
    const DeskAnswer desk = m_desk.Answer(request.query, now);
    if (desk.hasReport) {
      const std::string line = ReportLine(now, desk.type, desk.query);
      AppendReport(line);
      m_activity.ReportReceived(desk.type, line);
    }
    if (desk.reportRefused) m_activity.ReportRefused(desk.type);
    HttpAnswer answer = TextAnswer(desk.status, "application/json", desk.body);
    answer.logNote = desk.logNote;
    return answer;
  }
  std::string filePath;
  if (!ReleaseFileFor(m_releases, request.path, filePath)) return TextAnswer(404, "text/plain", "not found\n");
  FileHandle file(open(filePath.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat status = {};
  if (!file.IsOpen() || fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return TextAnswer(500, "text/plain", "cannot read the file\n");
  }
  HttpAnswer answer;
  answer.fields = {{"Content-Type", "application/octet-stream"}, {"Accept-Ranges", "bytes"}};
  answer.file = std::move(file);
  answer.fileSize = static_cast<int64_t>(status.st_size);
  return answer;
}

HttpAnswer CUpdateService::StatusAnswer(const HttpRequest& request) {
  if (request.path != "/") return TextAnswer(404, "text/plain", "not found\n");
  StatusClock clock;
  clock.now = ClockNow();
  clock.startedAt = m_startedAt;
  HttpAnswer answer = TextAnswer(200, "text/html; charset=utf-8",
                                 StatusPage(m_releases, m_activity, clock, OpenConnections()));
  answer.fields.push_back({"Cache-Control", "no-store"});
  answer.logNote = "status page";
  return answer;
}

void CUpdateService::BodyStarted(const HttpRequest& request, const HttpAnswer& answer) {
  m_activity.DownloadStarted(request.remoteAddress, request.path, ClockNow(), answer.progress);
}

void CUpdateService::Answered(const HttpRequest& request, const HttpAnswer& answer, const AnswerOutcome& outcome) {
  std::string line = request.remoteAddress + " " + request.method + " " + request.path + " " +
                     std::to_string(answer.status);
  std::string note = answer.logNote;
  if (answer.progress) {
    m_activity.DownloadEnded(answer.progress.get(), outcome.complete);
    if (!outcome.complete && outcome.bodyTotal > 0) {
      note = "cut after " + std::to_string(outcome.bodySent) + " of " + std::to_string(outcome.bodyTotal) + " bytes";
    }
  }
  if (!note.empty()) line += " " + note;
  Print(line);
}

void CUpdateService::Print(const std::string& line) {
  std::fprintf(stdout, "%s\n", line.c_str());
  std::fflush(stdout);
}

void CUpdateService::AppendReport(const std::string& line) {
  if (m_options.reportsFile.empty()) {
    std::fprintf(stdout, "report: %s\n", line.c_str());
    std::fflush(stdout);
    return;
  }
  std::ofstream reports(m_options.reportsFile, std::ios::binary | std::ios::app);
  reports << line << '\n';
  reports.flush();
  if (!reports) {
    std::fprintf(stderr, "tavora-service: cannot append to %s; report: %s\n", m_options.reportsFile.c_str(),
                 line.c_str());
  }
}
