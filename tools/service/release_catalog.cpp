#include "service/release_catalog.h"

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;
namespace pt = boost::property_tree;

namespace {

std::string Trimmed(const std::string& text) {
  const char* space = " \t\r\n";
  const size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

bool IsText(const pt::iptree& node) { return node.empty(); }

}  // namespace

bool UrlPathOf(const std::string& url, std::string& path) {
  static const std::string kScheme = "http://";
  if (url.size() <= kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return false;
  }
  const size_t slash = url.find('/', kScheme.size());
  if (slash == kScheme.size()) return false;  // no host
  std::string result = slash == std::string::npos ? "/" : url.substr(slash);
  const size_t query = result.find_first_of("?#");
  if (query != std::string::npos) result.resize(query);
  if (result.empty() || result.back() != '/') result += '/';
  path = result;
  return true;
}

bool LoadRelease(const std::string& dir, Release& release, std::string& error) {
  std::error_code code;
  if (!fs::is_directory(dir, code)) {
    error = "release folder '" + dir + "' does not exist";
    return false;
  }
  const fs::path entryPath = fs::path(dir) / "entry.json";
  std::ifstream file(entryPath, std::ios::binary);
  if (!file) {
    error = "cannot read '" + entryPath.string() + "'";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string entryJson = Trimmed(text);
  pt::iptree entry;
  try {
    std::istringstream stream(entryJson);
    pt::read_json(stream, entry);
  } catch (const std::exception& parseError) {
    error = "'" + entryPath.string() + "' is not JSON: " + parseError.what();
    return false;
  }
  if (entryJson.empty() || entryJson.front() != '{') {
    error = "'" + entryPath.string() + "' must hold one JSON object";
    return false;
  }
  const auto appName = entry.get_child_optional("AppName");
  const auto mainVersion = entry.get_child_optional("MainVersion");
  const auto urls = entry.get_child_optional("DownloadUrls");
  if (!appName || !IsText(*appName) || appName->data().empty()) {
    error = "'" + entryPath.string() + "' has no \"AppName\" text";
    return false;
  }
  if (!mainVersion || !IsText(*mainVersion)) {
    error = "'" + entryPath.string() + "' has no \"MainVersion\" text";
    return false;
  }
  if (!urls || urls->empty()) {
    error = "'" + entryPath.string() + "' has no \"DownloadUrls\" array with a URL";
    return false;
  }
  std::string urlPath;
  for (const auto& url : *urls) {
    if (!IsText(url.second) || !UrlPathOf(url.second.data(), urlPath)) {
      error = "'" + entryPath.string() + "' has a download URL that is not http://HOST/PATH: '" +
              url.second.data() + "'";
      return false;
    }
  }
  release.fileRoles.clear();
  if (const auto modules = entry.get_child_optional("Modules")) {
    for (const auto& module : *modules) {
      const std::string name = module.second.get<std::string>("name", "");
      if (!name.empty()) release.fileRoles[name + ".gz"] = "version " + module.second.get<std::string>("version", "?");
    }
  }
  const std::string package = entry.get<std::string>("InstallPackageNew.name", "");
  if (!package.empty()) release.fileRoles[package + ".gz"] = "complete package";
  release.dir = dir;
  release.mainVersion = mainVersion->data();
  release.appName = appName->data();
  release.entryJson = entryJson;
  release.urlPath = urlPath;
  return true;
}

bool LoadReleases(const std::vector<std::string>& dirs, std::vector<Release>& releases,
                  std::string& error) {
  std::vector<Release> loaded;
  for (const std::string& dir : dirs) {
    Release release;
    if (!LoadRelease(dir, release, error)) return false;
    for (const Release& earlier : loaded) {
      if (earlier.urlPath == release.urlPath) {
        error = "releases '" + earlier.dir + "' and '" + dir + "' are both published at " +
                release.urlPath;
        return false;
      }
    }
    loaded.push_back(release);
  }
  releases.swap(loaded);
  return true;
}

std::string UpdateListReply(const std::vector<Release>& releases) {
  std::string reply = "{\"AppUpdateList\":[";
  for (size_t i = 0; i < releases.size(); ++i) {
    if (i > 0) reply += ',';
    reply += releases[i].entryJson;
  }
  reply += "]}";
  return reply;
}

bool ReleaseFileFor(const std::vector<Release>& releases, const std::string& requestPath,
                    std::string& filePath) {
  for (const Release& release : releases) {
    if (requestPath.compare(0, release.urlPath.size(), release.urlPath) != 0) continue;
    const std::string name = requestPath.substr(release.urlPath.size());
    if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos) {
      continue;
    }
    const fs::path candidate = fs::path(release.dir) / name;
    std::error_code code;
    if (!fs::is_regular_file(candidate, code)) continue;
    filePath = candidate.string();
    return true;
  }
  return false;
}
