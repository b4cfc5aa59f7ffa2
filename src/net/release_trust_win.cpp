#include "net/release_trust.h"

#include <windows.h>

namespace {

ReleaseTrust ReadProgramTrust() {
  ReleaseTrust trust;
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(kReleaseKeyResourceId), RT_RCDATA);
  if (!resource) {
    const DWORD error = GetLastError();
    // Only a resource that is not there makes an unsigned program; any other failure to
    // look it up must not open the unsigned way.
    trust.required = error != ERROR_RESOURCE_TYPE_NOT_FOUND && error != ERROR_RESOURCE_NAME_NOT_FOUND &&
                     error != ERROR_RESOURCE_DATA_NOT_FOUND;
    return trust;
  }
  trust.required = true;
  const HGLOBAL loaded = LoadResource(nullptr, resource);
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!bytes) return trust;
  std::string hex(bytes, SizeofResource(nullptr, resource));
  // The resource compiler may end the text with a zero.
  while (!hex.empty() && hex.back() == '\0') hex.pop_back();
  trust.usable = ParseReleaseKey(hex, trust.key);
  return trust;
}

}  // namespace

const ReleaseTrust& ProgramReleaseTrust() {
  static const ReleaseTrust trust = ReadProgramTrust();
  return trust;
}

bool AcceptReleaseEntry(const std::wstring& productName, const std::wstring& entryJson, std::wstring& refusal) {
  const ReleaseTrust& trust = ProgramReleaseTrust();
  if (!trust.required) return true;
  if (!trust.usable) {
    refusal = L"CheckReleaseSignature(" + productName + L") failed: this program's release key is unreadable\r\n";
    return false;
  }
  std::string detail;
  const EntryCheck check = CheckReleaseEntry(entryJson, trust.key, detail);
  if (check == EntryCheck::kSigned) return true;
  refusal = EntryCheckFailureLine(productName, check, detail);
  return false;
}

bool AcceptDownloadedArchive(const DownloadTask& task, const std::wstring& url, std::wstring& failureLines) {
  if (!ProgramReleaseTrust().required) return true;
  if (task.sha256.empty()) {
    failureLines += L"CheckFileSha256(" + url + L") failed: the release gives no SHA-256 for it\r\n";
    return false;
  }
  if (!FileMatchesSha256(task.archivePath, task.sha256)) {
    failureLines += L"CheckFileSha256(" + url + L") failed\r\n";
    return false;
  }
  return true;
}
