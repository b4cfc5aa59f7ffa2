#include "release_publisher.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>
#include <memory>
#include <system_error>

#include "base/utf8_text.h"
#include "build_settings.h"
#include "gzip_file.h"
#include "net/release_canonical.h"
#include "net/release_signature.h"
#include "net/url_split.h"
#include "pe_version.h"
#include "release_signer.h"
#include "zip_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kAppName = "TavoraStudent";
constexpr const char* kClientProgram = "TavoraStudent.exe";
constexpr int kGzipLevel = 6;
// The installer unpacks at most this many items of the complete package.
constexpr size_t kMaxPackageItems = 1000;

bool IsValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra;
    uint32_t point;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      point = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      point = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      point = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// Module names travel unescaped in download URLs and as file names on Windows.
bool IsUrlSafeName(const std::string& name) {
  for (char c : name) {
    const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.' || c == '~' || c == '+';
    if (!safe) return false;
  }
  return true;
}

std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string VersionText(const PeVersion& version) {
  return std::to_string(version.parts[0]) + "." + std::to_string(version.parts[1]) + "." +
         std::to_string(version.parts[2]) + "." + std::to_string(version.parts[3]);
}

// stem + "-" + check + ext, where ext starts at the last ".".
std::string PublishedName(const std::string& fileName, const std::string& checkValue) {
  const size_t dot = fileName.rfind('.');
  return fileName.substr(0, dot) + "-" + checkValue + fileName.substr(dot);
}

// Removes a folder tree when the publishing does not reach its end.
class StagingFolder {
 public:
  explicit StagingFolder(fs::path path) : m_path(std::move(path)) {}
  ~StagingFolder() {
    if (!m_kept) {
      std::error_code ignored;
      fs::remove_all(m_path, ignored);
    }
  }
  const fs::path& path() const { return m_path; }
  void Keep() { m_kept = true; }

 private:
  fs::path m_path;
  bool m_kept = false;
};

bool GzipInto(const fs::path& source, const fs::path& staging, const std::string& fileName,
              PublishedFile& published, std::string& error) {
  const fs::path pending = staging / (".pending-" + fileName + ".gz");
  GzipOutcome outcome;
  if (!GzipFile(source, pending, kGzipLevel, outcome, error)) return false;
  if (outcome.bytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    error = fileName + " is " + std::to_string(outcome.bytes) +
            " bytes gzip'd; the update list carries sizes below 2 GiB";
    return false;
  }
  published.fileName = fileName;
  published.name = PublishedName(fileName, outcome.checkValue);
  published.bytes = outcome.bytes;
  const fs::path target = staging / (published.name + ".gz");
  if (fs::exists(target)) {
    error = "two files publish under the same name " + published.name;
    return false;
  }
  std::error_code renameError;
  fs::rename(pending, target, renameError);
  if (renameError) {
    error = "cannot write " + target.string() + ": " + renameError.message();
    return false;
  }
  return true;
}

// Every folder and file under root, sorted, with "/" separators, folders first in each folder.
bool CollectTree(const fs::path& root, const std::string& prefix, std::vector<std::pair<std::string, fs::path>>& items,
                 std::string& error) {
  std::vector<fs::directory_entry> entries;
  std::error_code walkError;
  for (fs::directory_iterator it(root, walkError), end; !walkError && it != end; it.increment(walkError)) {
    entries.push_back(*it);
  }
  if (walkError) {
    error = "cannot read the folder " + root.string() + ": " + walkError.message();
    return false;
  }
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path().filename() < b.path().filename(); });
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!IsValidUtf8(name)) {
      error = "the name of " + entry.path().string() + " is not UTF-8 text";
      return false;
    }
    std::error_code statusError;
    const fs::file_status status = fs::status(entry.path(), statusError);
    if (statusError) {
      error = "cannot read " + entry.path().string() + ": " + statusError.message();
      return false;
    }
    if (fs::is_directory(status)) {
      items.emplace_back(prefix + name + "/", entry.path());
      if (!CollectTree(entry.path(), prefix + name + "/", items, error)) return false;
    } else if (fs::is_regular_file(status)) {
      items.emplace_back(prefix + name, entry.path());
    } else {
      error = entry.path().string() + " is neither a file nor a folder";
      return false;
    }
  }
  return true;
}

bool IsFolderItem(const std::pair<std::string, fs::path>& item) { return item.first.back() == '/'; }

// Only files go in: the installer makes folders as the parents of the files it writes, and
// every item counts against the number of items it unpacks. Times come from the files, so
// publishing the same folder twice gives the same package.
bool WritePackage(const fs::path& zipPath, const std::vector<std::pair<std::string, fs::path>>& items, bool store,
                  std::string& error) {
  ZipWriter zip;
  if (!zip.Open(zipPath, error)) return false;
  for (const auto& item : items) {
    if (IsFolderItem(item)) continue;
    const std::string name = std::string(kAppName) + "/" + item.first;
    if (!zip.AddFile(name, item.second, store ? ZipWriter::Method::kStore : ZipWriter::Method::kDeflate, error)) {
      return false;
    }
  }
  return zip.Finish(error);
}

// The SHA-256 members and the signature only in a signed release: an unsigned one is the
// entry every installer has always read.
std::string Sha256Member(const PublishedFile& file) {
  return file.sha256.empty() ? std::string() : ", \"Sha256\": " + JsonText(file.sha256);
}

std::string EntryJson(const PublishOptions& options, const unsigned (&version)[4], const std::string& baseUrl,
                      const PublishReport& report, const std::string& signature) {
  std::string json = "{\n";
  json += "  \"AppName\": " + JsonText(kAppName) + ",\n";
  json += "  \"MainVersion\": " + JsonText(std::to_string(version[0]) + "," + std::to_string(version[1]) + "," +
                                          std::to_string(version[2]) + "," + std::to_string(version[3])) + ",\n";
  json += "  \"DownloadUrls\": [" + JsonText(baseUrl) + "],\n";
  json += "  \"Modules\": [";
  for (size_t i = 0; i < report.modules.size(); ++i) {
    const PublishedFile& module = report.modules[i];
    json += i == 0 ? "\n" : ",\n";
    json += "    {\"name\": " + JsonText(module.name) + ", \"bytes\": " + std::to_string(module.bytes) +
            ", \"version\": " + JsonText(module.version) + ", \"registerdll\": " +
            JsonText(options.registerDlls.count(module.fileName) ? "true" : "false");
    const auto mustUpdate = options.mustUpdate.find(module.fileName);
    if (mustUpdate != options.mustUpdate.end()) {
      json += ", \"mustupdate\": " + JsonText(mustUpdate->second ? "true" : "false");
    }
    json += Sha256Member(module) + "}";
  }
  json += report.modules.empty() ? "],\n" : "\n  ],\n";
  json += "  \"InstallPackageNew\": {\"name\": " + JsonText(report.package.name) +
          ", \"bytes\": " + std::to_string(report.package.bytes) + Sha256Member(report.package) + "}";
  json += signature.empty() ? "\n" : ",\n  \"Signature\": " + JsonText(signature) + "\n";
  json += "}\n";
  return json;
}

// The signature of the entry as the installer will read it: from the JSON text itself.
bool SignEntry(const ReleaseSigningKey& key, const std::string& unsignedJson, std::string& signature,
               std::string& error) {
  JsonTree entry;
  std::string text, reason;
  if (!ReadJsonTree(Utf8ToWide(unsignedJson), entry) || !CanonicalReleaseText(entry, text, reason)) {
    error = "the entry cannot be signed: " + (reason.empty() ? std::string("it is not JSON") : reason);
    return false;
  }
  return SignReleaseText(key, text, signature, error);
}

bool DigestFile(const fs::path& path, PublishedFile& file, std::string& error) {
  if (!FileSha256Hex(path.string(), file.sha256)) {
    error = "cannot read " + path.string() + " for its SHA-256";
    return false;
  }
  return true;
}

bool WriteText(const fs::path& path, const std::string& text, std::string& error) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path.c_str(), "wb"), fclose);
  if (!file || fwrite(text.data(), 1, text.size(), file.get()) != text.size() || fclose(file.release()) != 0) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace

bool ParseMainVersion(const std::string& text, unsigned (&parts)[4]) {
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (at >= text.size() || text[at] != '.') return false;
      ++at;
    }
    const size_t start = at;
    unsigned value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 6) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
      ++at;
    }
    if (at == start || value > 65535) return false;
    parts[i] = value;
  }
  return at == text.size();
}

bool PublishRelease(const PublishOptions& options, PublishReport& report, std::string& error) {
  report = PublishReport();
  unsigned version[4];
  if (!ParseMainVersion(options.version, version)) {
    error = "the version '" + options.version + "' is not four numbers from 0 to 65535 written a.b.c.d";
    return false;
  }
  std::string baseUrl = options.baseUrl;
  if (baseUrl.empty() || baseUrl.back() != '/') baseUrl += "/";
  UrlParts urlParts;
  if (baseUrl.compare(0, 7, "http://") != 0 || !SplitUrl(baseUrl, urlParts) || !IsValidUtf8(baseUrl) ||
      baseUrl.find_first_of(" \t\r\n\"#?") != std::string::npos) {
    error = "the base URL '" + options.baseUrl + "' is not of the form http://host[:port]/path/";
    return false;
  }
  std::error_code statusError;
  if (!fs::is_directory(options.clientFolder, statusError)) {
    error = "the client folder " + options.clientFolder.string() + " does not exist or is not a folder";
    return false;
  }
  if (!fs::is_regular_file(options.clientFolder / kClientProgram, statusError)) {
    error = "the client folder " + options.clientFolder.string() + " holds no " + kClientProgram;
    return false;
  }
  if (options.outFolder.empty()) {
    error = "no output folder given";
    return false;
  }
  const fs::path out = fs::absolute(options.outFolder).lexically_normal();
  const fs::path outFolder = out.has_filename() ? out : out.parent_path();
  const fs::path client = fs::weakly_canonical(options.clientFolder, statusError);
  const fs::path outCanonical = fs::weakly_canonical(outFolder, statusError);
  if (outCanonical == client || std::mismatch(client.begin(), client.end(), outCanonical.begin(), outCanonical.end()).first == client.end()) {
    error = "the output folder " + outFolder.string() + " lies inside the client folder";
    return false;
  }
  if (!fs::is_directory(outFolder.parent_path(), statusError)) {
    error = "the folder " + outFolder.parent_path().string() + " that should hold the output does not exist";
    return false;
  }
  const bool outExists = fs::exists(fs::symlink_status(outFolder, statusError));
  if (outExists && !options.replaceExisting) {
    error = "the output folder " + outFolder.string() + " already exists (pass --force to replace it)";
    return false;
  }

  // The key first: a release that cannot be signed as asked is not written at all.
  ReleaseSigningKey signingKey;
  const bool signing = !options.signingKey.empty();
  if (signing) {
    if (!LoadReleaseSigningKey(options.signingKey, signingKey, error)) return false;
    const std::string keyHex = ReleaseKeyHex(signingKey.publicKey);
    if (settings::kReleasePublicKey[0] != '\0' && keyHex != settings::kReleasePublicKey) {
      error = "the signing key " + options.signingKey.string() + " is not the one this build trusts (" +
              "TAVORA_RELEASE_PUBLIC_KEY " + settings::kReleasePublicKey + "); its public key is " + keyHex;
      return false;
    }
    report.releaseKey = keyHex;
  }

  // The client's files: top-level files become modules; everything goes into the package.
  std::vector<std::pair<std::string, fs::path>> tree;
  if (!CollectTree(options.clientFolder, "", tree, error)) return false;
  const size_t fileCount =
      static_cast<size_t>(std::count_if(tree.begin(), tree.end(), [](const auto& item) { return !IsFolderItem(item); }));
  if (fileCount > kMaxPackageItems) {
    error = "the client folder holds " + std::to_string(fileCount) + " files; the installer unpacks at most " +
            std::to_string(kMaxPackageItems) + " items of a package";
    return false;
  }
  std::vector<std::pair<std::string, fs::path>> moduleFiles;
  for (const auto& item : tree) {
    if (item.first.find('/') != std::string::npos) continue;
    const std::string& name = item.first;
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
      error = "the client file '" + name + "' needs a name and an extension (name.ext): modules are published as name-CHECK.ext";
      return false;
    }
    if (!IsUrlSafeName(name)) {
      error = "the client file '" + name + "' has characters a download URL cannot carry (use letters, digits, '-', '_', '.', '~', '+')";
      return false;
    }
    moduleFiles.push_back(item);
  }
  for (const std::string& name : options.registerDlls) {
    if (std::none_of(moduleFiles.begin(), moduleFiles.end(), [&](const auto& m) { return m.first == name; })) {
      error = "--registerdll names '" + name + "', which is not a file of the client folder";
      return false;
    }
  }
  for (const auto& mark : options.mustUpdate) {
    if (std::none_of(moduleFiles.begin(), moduleFiles.end(), [&](const auto& m) { return m.first == mark.first; })) {
      error = "--mustupdate names '" + mark.first + "', which is not a file of the client folder";
      return false;
    }
  }

  // Everything is written beside OUT first and renamed into place at the end.
  const std::string suffix = "-" + std::to_string(getpid());
  StagingFolder staging(outFolder.parent_path() / ("." + outFolder.filename().string() + ".publishing" + suffix));
  std::error_code createError;
  fs::remove_all(staging.path(), createError);
  if (!fs::create_directory(staging.path(), createError)) {
    error = "cannot create " + staging.path().string() + ": " + createError.message();
    return false;
  }

  for (const auto& file : moduleFiles) {
    PublishedFile published;
    if (!GzipInto(file.second, staging.path(), file.first, published, error)) return false;
    PeVersion fileVersion;
    published.version = ReadFileVersion(file.second, fileVersion) ? VersionText(fileVersion) : "0.0.0.0";
    if (signing && !DigestFile(staging.path() / (published.name + ".gz"), published, error)) return false;
    report.modules.push_back(published);
  }

  const fs::path zipPath = staging.path() / (std::string(".pending-") + kAppName + ".zip");
  if (!WritePackage(zipPath, tree, options.storeZipEntries, error)) return false;
  if (!GzipInto(zipPath, staging.path(), std::string(kAppName) + ".zip", report.package, error)) return false;
  fs::remove(zipPath, createError);
  if (signing && !DigestFile(staging.path() / (report.package.name + ".gz"), report.package, error)) return false;

  std::string signature;
  if (signing && !SignEntry(signingKey, EntryJson(options, version, baseUrl, report, std::string()), signature, error)) {
    return false;
  }
  if (!WriteText(staging.path() / "entry.json", EntryJson(options, version, baseUrl, report, signature), error)) {
    return false;
  }

  std::error_code renameError;
  if (outExists) {
    const fs::path old = outFolder.parent_path() / ("." + outFolder.filename().string() + ".replaced" + suffix);
    fs::rename(outFolder, old, renameError);
    if (renameError) {
      error = "cannot move the existing " + outFolder.string() + " aside: " + renameError.message();
      return false;
    }
    fs::rename(staging.path(), outFolder, renameError);
    if (renameError) {
      std::error_code ignored;
      fs::rename(old, outFolder, ignored);
      error = "cannot rename the release into " + outFolder.string() + ": " + renameError.message();
      return false;
    }
    fs::remove_all(old, renameError);
  } else {
    fs::rename(staging.path(), outFolder, renameError);
    if (renameError) {
      error = "cannot rename the release into " + outFolder.string() + ": " + renameError.message();
      return false;
    }
  }
  staging.Keep();
  return true;
}
