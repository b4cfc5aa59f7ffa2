// Turns a folder holding a client release into a release folder the update service can
// serve: every file gzip'd under its check-value name, the complete package, and the
// update-list entry "entry.json".
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

struct PublishOptions {
  std::filesystem::path clientFolder;
  std::string version;        // a.b.c.d
  std::string baseUrl;        // where OUT's files will be served; "/" is appended when missing
  std::filesystem::path outFolder;
  std::set<std::string> registerDlls;               // file names marked "registerdll": "true"
  std::map<std::string, bool> mustUpdate;           // file name -> "mustupdate" value
  bool replaceExisting = false;                      // replace an existing OUT
  bool storeZipEntries = false;                      // store instead of deflate inside the package
  std::filesystem::path signingKey;                  // PEM private key; empty: an unsigned release
};

// One published file as the update-list entry names it.
struct PublishedFile {
  std::string fileName;   // in the client folder
  std::string name;       // stem-CHECK.ext, without ".gz"
  uint64_t bytes = 0;     // size of the .gz
  std::string version;    // a.b.c.d from the version resource, 0.0.0.0 without one
  std::string sha256;     // of the .gz, 64 lower-case hexadecimal digits; only in a signed release
};

struct PublishReport {
  std::vector<PublishedFile> modules;
  PublishedFile package;
  std::string releaseKey;  // a signed release: the public key it verifies with (130 digits)
};

// Four decimal numbers from 0 to 65535 separated by "."; false for anything else.
bool ParseMainVersion(const std::string& text, unsigned (&parts)[4]);

// Writes the release folder; on failure nothing is left at OUT (an existing OUT is kept
// untouched) and error says why.
bool PublishRelease(const PublishOptions& options, PublishReport& report, std::string& error);
