// What the service has done since it started, for the status page: downloads going on and
// finished per file, and the failure reports received, grouped by type, the latest in full.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "net/request_codec.h"
#include "service/http_connection.h"

struct RunningDownload {
  std::string client;
  std::string path;
  int64_t startedAt = 0;  // seconds on the service clock
  std::shared_ptr<const TransferProgress> progress;
};

struct FileDownloads {
  int completed = 0;  // every byte asked for went out
  int cut = 0;        // the client left, or stalled, before the end
  int64_t bytesSent = 0;
};

struct ReportCounts {
  int received = 0;
  int refused = 0;  // larger than a report may be
};

struct ReceivedReport {
  ServiceRequestType type = ServiceRequestType::kReversed;
  std::string line;  // as in the reports file
};

class CServiceActivity {
 public:
  static constexpr size_t kLatestReports = 5;

  void DownloadStarted(const std::string& client, const std::string& path, int64_t now,
                       std::shared_ptr<const TransferProgress> progress);
  // complete: the whole body went out. Ignored for a progress that was never started.
  void DownloadEnded(const TransferProgress* progress, bool complete);
  void ReportReceived(ServiceRequestType type, const std::string& line);
  void ReportRefused(ServiceRequestType type);

  const std::map<const TransferProgress*, RunningDownload>& Running() const { return m_running; }
  // By request path, in path order.
  const std::map<std::string, FileDownloads>& Downloads() const { return m_downloads; }
  int CompletedDownloads() const { return m_completed; }
  int CutDownloads() const { return m_cut; }
  const std::map<int, ReportCounts>& Reports() const { return m_reports; }
  // Newest first.
  const std::deque<ReceivedReport>& LatestReports() const { return m_latest; }

 private:
  std::map<const TransferProgress*, RunningDownload> m_running;
  std::map<std::string, FileDownloads> m_downloads;
  int m_completed = 0;
  int m_cut = 0;
  std::map<int, ReportCounts> m_reports;
  std::deque<ReceivedReport> m_latest;
};
