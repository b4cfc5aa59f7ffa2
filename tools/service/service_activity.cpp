#include "service/service_activity.h"

#include <utility>

void CServiceActivity::DownloadStarted(const std::string& client, const std::string& path, int64_t now,
                                       std::shared_ptr<const TransferProgress> progress) {
  const TransferProgress* key = progress.get();
  m_running[key] = RunningDownload{client, path, now, std::move(progress)};
}

void CServiceActivity::DownloadEnded(const TransferProgress* progress, bool complete) {
  const auto found = m_running.find(progress);
  if (found == m_running.end()) return;
  FileDownloads& file = m_downloads[found->second.path];
  file.bytesSent += found->second.progress->sent;
  if (complete) {
    ++file.completed;
    ++m_completed;
  } else {
    ++file.cut;
    ++m_cut;
  }
  m_running.erase(found);
}

void CServiceActivity::ReportReceived(ServiceRequestType type, const std::string& line) {
  ++m_reports[static_cast<int>(type)].received;
  m_latest.push_front(ReceivedReport{type, line});
  if (m_latest.size() > kLatestReports) m_latest.pop_back();
}

void CServiceActivity::ReportRefused(ServiceRequestType type) { ++m_reports[static_cast<int>(type)].refused; }
