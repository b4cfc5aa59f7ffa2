#include "service/status_page.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string UtcText(int64_t seconds) {
  char text[32] = "";
  const std::time_t value = static_cast<std::time_t>(seconds);
  std::tm utc = {};
  if (gmtime_r(&value, &utc) != nullptr) std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S UTC", &utc);
  return text;
}

// "10,485,760 bytes (10.0 MiB)"
std::string SizeText(int64_t bytes) {
  std::string digits = std::to_string(bytes), grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  char mib[32];
  std::snprintf(mib, sizeof(mib), " (%.1f MiB)", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return grouped + " bytes" + mib;
}

std::string Cell(const std::string& text, const std::string& id = std::string()) {
  return id.empty() ? "<td>" + HtmlEscaped(text) + "</td>" : "<td id=\"" + id + "\">" + HtmlEscaped(text) + "</td>";
}

void AppendReleases(const std::vector<Release>& releases, const CServiceActivity& activity, std::string& page) {
  page += "<h2>Releases served</h2>\n";
  for (const Release& release : releases) {
    page += "<h3>" + HtmlEscaped(release.appName) + " " + HtmlEscaped(release.mainVersion) + " <small>at " +
            HtmlEscaped(release.urlPath) + " from " + HtmlEscaped(release.dir) + "</small></h3>\n";
    page += "<table><tr><th>File</th><th>What</th><th>Size</th><th>Downloads completed</th><th>Cut</th></tr>\n";
    std::error_code error;
    std::map<std::string, int64_t> files;
    for (fs::directory_iterator it(release.dir, error), end; !error && it != end; it.increment(error)) {
      const std::string name = it->path().filename().string();
      std::error_code sizeError;
      if (name.empty() || name.front() == '.' || !it->is_regular_file(sizeError)) continue;
      if (name.size() < 3 || name.compare(name.size() - 3, 3, ".gz") != 0) continue;
      const auto size = it->file_size(sizeError);
      files[name] = sizeError ? -1 : static_cast<int64_t>(size);
    }
    for (const auto& role : release.fileRoles) files.emplace(role.first, -1);
    for (const auto& file : files) {
      const auto role = release.fileRoles.find(file.first);
      const auto downloads = activity.Downloads().find(release.urlPath + file.first);
      const FileDownloads counts = downloads == activity.Downloads().end() ? FileDownloads() : downloads->second;
      page += "<tr>" + Cell(file.first) + Cell(role == release.fileRoles.end() ? "" : role->second) +
              Cell(file.second < 0 ? "missing" : SizeText(file.second)) + Cell(std::to_string(counts.completed)) +
              Cell(std::to_string(counts.cut)) + "</tr>\n";
    }
    page += "</table>\n";
  }
}

void AppendDownloads(const CServiceActivity& activity, const StatusClock& clock, size_t openConnections,
                     std::string& page) {
  page += "<h2>Downloads</h2>\n<table class=\"figures\">\n";
  page += "<tr><th>In progress</th>" + Cell(std::to_string(activity.Running().size()), "downloads-running") + "</tr>\n";
  page += "<tr><th>Completed since start</th>" + Cell(std::to_string(activity.CompletedDownloads()), "downloads-completed") +
          "</tr>\n";
  page += "<tr><th>Cut (client left or stalled)</th>" + Cell(std::to_string(activity.CutDownloads()), "downloads-cut") +
          "</tr>\n";
  page += "<tr><th>Connections open</th>" + Cell(std::to_string(openConnections), "connections-open") + "</tr>\n";
  page += "</table>\n";
  if (activity.Running().empty()) return;
  page += "<table><tr><th>Client</th><th>File</th><th>Sent</th><th>Of</th><th>For</th></tr>\n";
  for (const auto& running : activity.Running()) {
    const RunningDownload& download = running.second;
    const int64_t total = download.progress->total;
    const int percent = total > 0 ? static_cast<int>(download.progress->sent * 100 / total) : 0;
    page += "<tr class=\"running\">" + Cell(download.client) + Cell(download.path) +
            Cell(SizeText(download.progress->sent) + ", " + std::to_string(percent) + " %") + Cell(SizeText(total)) +
            Cell(std::to_string(clock.now - download.startedAt) + " s") + "</tr>\n";
  }
  page += "</table>\n";
}

void AppendReports(const CServiceActivity& activity, std::string& page) {
  page += "<h2>Failure reports</h2>\n";
  if (activity.Reports().empty()) {
    page += "<p id=\"reports-none\">None received since start.</p>\n";
    return;
  }
  page += "<table><tr><th>Type</th><th>Received</th><th>Refused (too large)</th></tr>\n";
  for (const auto& counts : activity.Reports()) {
    const std::string type = std::to_string(counts.first);
    const char* text = RequestTypeText(static_cast<ServiceRequestType>(counts.first));
    page += "<tr>" + Cell(type + " " + (text != nullptr ? text : "")) +
            Cell(std::to_string(counts.second.received), "reports-type-" + type) +
            Cell(std::to_string(counts.second.refused), "reports-refused-type-" + type) + "</tr>\n";
  }
  page += "</table>\n<h3>Latest reports</h3>\n<ol class=\"reports\">\n";
  for (const ReceivedReport& report : activity.LatestReports()) {
    page += "<li><code>" + HtmlEscaped(report.line) + "</code></li>\n";
  }
  page += "</ol>\n";
}

}  // namespace

std::string HtmlEscaped(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string StatusPage(const std::vector<Release>& releases, const CServiceActivity& activity,
                       const StatusClock& clock, size_t openConnections) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
      "<meta http-equiv=\"refresh\" content=\"5\">\n<title>tavora-service status</title>\n"
      "<style>body{font-family:sans-serif;margin:1.5em;color:#222}h1{font-size:1.4em}"
      "h2{font-size:1.15em;margin-top:1.4em;border-bottom:1px solid #ccc}h3{font-size:1em}"
      "small{color:#666;font-weight:normal}table{border-collapse:collapse;margin:.4em 0}"
      "th,td{border:1px solid #ccc;padding:.2em .6em;text-align:left}th{background:#f3f3f3}"
      "td[id]{font-weight:bold;text-align:right;min-width:3em}code{font-size:.85em;word-break:break-all}"
      "</style></head><body>\n";
  page += "<h1>tavora-service</h1>\n<p>Up since " + UtcText(clock.startedAt) + " (" +
          std::to_string(clock.now - clock.startedAt) + " s); page made " + UtcText(clock.now) + ".</p>\n";
  AppendReleases(releases, activity, page);
  AppendDownloads(activity, clock, openConnections, page);
  AppendReports(activity, page);
  page += "</body></html>\n";
  return page;
}
