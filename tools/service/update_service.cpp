#include "service/update_service.h"

#include <httplib.h>
#include <sys/socket.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

namespace {

constexpr size_t kFileBlockBytes = 64 * 1024;

int64_t ClockNow() { return static_cast<int64_t>(std::time(nullptr)); }

// What the handler learnt about a request, for its log line. The logger runs on the thread
// that ran the handler, right after the response went out.
thread_local std::string t_requestNote;

}  // namespace

CUpdateService::CUpdateService(const ServiceOptions& options, std::vector<Release> releases)
    : m_options(options),
      m_releases(releases),
      m_desk(options.salt, options.key, options.maxSkewSeconds, std::move(releases)),
      m_server(std::make_unique<httplib::Server>()) {
  httplib::Server& server = *m_server;

  // The library's default SO_REUSEPORT would let a second service share the port and take
  // some of its requests; SO_REUSEADDR alone still allows a quick restart.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  });

  server.Get("/cgi-bin/timestamp/?", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(CServiceDesk::TimeStampReply(ClockNow()), "application/json");
  });

  server.Get("/cgi-bin/service", [this](const httplib::Request& req, httplib::Response& res) {
    const size_t mark = req.target.find('?');
    const std::string rawQuery = mark == std::string::npos ? std::string() : req.target.substr(mark + 1);
    const int64_t now = ClockNow();
    const DeskAnswer answer = m_desk.Answer(rawQuery, now);
    if (answer.hasReport) AppendReport(now, answer);
    res.status = answer.status;
    res.set_content(answer.body, "application/json");
    t_requestNote = answer.logNote;
  });

  server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    std::string filePath;
    if (!ReleaseFileFor(m_releases, req.path, filePath)) {
      res.status = 404;
      res.set_content("not found\n", "text/plain");
      return;
    }
    auto file = std::make_shared<std::ifstream>(filePath, std::ios::binary);
    std::error_code code;
    const auto size = std::filesystem::file_size(filePath, code);
    if (!*file || code) {
      res.status = 500;
      res.set_content("cannot read the file\n", "text/plain");
      return;
    }
    res.status = 200;
    res.set_content_provider(
        static_cast<size_t>(size), "application/octet-stream",
        [file](size_t offset, size_t length, httplib::DataSink& sink) {
          char block[kFileBlockBytes];
          file->clear();
          file->seekg(static_cast<std::streamoff>(offset));
          const size_t wanted = length < sizeof(block) ? length : sizeof(block);
          file->read(block, static_cast<std::streamsize>(wanted));
          const std::streamsize got = file->gcount();
          if (got <= 0) return false;
          return sink.write(block, static_cast<size_t>(got));
        });
  });

  server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    // A request refused while its first line was read (414: too long) has no method or path.
    const auto shown = [](const std::string& part) { return part.empty() ? std::string("-") : part; };
    std::string line = shown(req.remote_addr) + " " + shown(req.method) + " " + shown(req.path) + " " +
                       std::to_string(res.status);
    if (!t_requestNote.empty()) line += " " + t_requestNote;
    t_requestNote.clear();
    Print(line);
  });
}

CUpdateService::~CUpdateService() = default;

void CUpdateService::Print(const std::string& line) {
  std::lock_guard<std::mutex> lock(m_outputMutex);
  std::fprintf(stdout, "%s\n", line.c_str());
  std::fflush(stdout);
}

void CUpdateService::AppendReport(int64_t now, const DeskAnswer& answer) {
  const std::string line = ReportLine(now, answer.type, answer.query);
  std::lock_guard<std::mutex> lock(m_outputMutex);
  if (m_options.reportsFile.empty()) {
    std::fprintf(stdout, "report: %s\n", line.c_str());
    std::fflush(stdout);
    return;
  }
  std::ofstream reports(m_options.reportsFile, std::ios::binary | std::ios::app);
  reports << line << '\n';
  reports.flush();
  if (!reports) {
    std::fprintf(stderr, "tavora-service: cannot append to %s; report: %s\n",
                 m_options.reportsFile.c_str(), line.c_str());
  }
}

bool CUpdateService::Bind(std::string& error) {
  if (m_options.listenPort == 0) {
    m_port = m_server->bind_to_any_port(m_options.listenHost);
  } else if (m_server->bind_to_port(m_options.listenHost, m_options.listenPort)) {
    m_port = m_options.listenPort;
  } else {
    m_port = -1;
  }
  if (m_port <= 0) {
    error = "cannot listen on " + m_options.listenHost + ":" + std::to_string(m_options.listenPort);
    return false;
  }
  return true;
}

bool CUpdateService::Run() { return m_server->listen_after_bind(); }

void CUpdateService::Stop() { m_server->stop(); }
