// The releases the service offers: each folder's update-list entry and the URL path at which
// its files are served.
#pragma once

#include <map>
#include <string>
#include <vector>

struct Release {
  std::string dir;        // the folder holding entry.json and the .gz files
  std::string appName;    // "AppName" of the entry
  std::string entryJson;  // entry.json as published, surrounding white space trimmed
  std::string urlPath;    // path of the last "DownloadUrls" URL, ending in "/"
  std::string mainVersion;
  // What the entry says of its files, by the name served ("TavoraCore-....dll.gz"): a
  // module's "version", or "complete package" for "InstallPackageNew".
  std::map<std::string, std::string> fileRoles;
};

// Reads DIR/entry.json: it must be a JSON object with a text "AppName", a text "MainVersion"
// and a non-empty "DownloadUrls" array of http URLs. False with a message otherwise.
bool LoadRelease(const std::string& dir, Release& release, std::string& error);

// All releases; two releases may not share a URL path.
bool LoadReleases(const std::vector<std::string>& dirs, std::vector<Release>& releases,
                  std::string& error);

// "/releases/1.0.0.0/" of "http://host:port/releases/1.0.0.0/"; "/" is appended when missing,
// as the installer does. False for a URL that is not http:// with a host.
bool UrlPathOf(const std::string& url, std::string& path);

// {"AppUpdateList":[entry, entry, ...]} in the order the releases were given.
std::string UpdateListReply(const std::vector<Release>& releases);

// The file of a release that a request path names, if it names one: a plain file directly in
// the release folder (no sub-folders, no hidden names, no "..").
bool ReleaseFileFor(const std::vector<Release>& releases, const std::string& requestPath,
                    std::string& filePath);
