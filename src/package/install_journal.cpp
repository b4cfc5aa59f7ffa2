#include "package/install_journal.h"

#include <windows.h>

#include <cwctype>

#include "base/log_helper.h"

namespace {

std::wstring LowerCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file another program holds open without letting it be deleted cannot be replaced either;
// asking first keeps a second name from being made for a file that then stays as it is.
bool OpenForReplacing(const std::wstring& target) {
  HANDLE file = CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// A second name for the old content costs no copy; a copy serves where links are not allowed.
bool KeepOldContent(const std::wstring& target, const std::wstring& keptOld) {
  DeleteFileW(keptOld.c_str());
  return CreateHardLinkW(keptOld.c_str(), target.c_str(), nullptr) || CopyFileW(target.c_str(), keptOld.c_str(), FALSE);
}

}  // namespace

bool CInstallJournal::Replace(const std::wstring& temp, const std::wstring& target, const std::wstring& shownName) {
  const std::wstring key = LowerCase(target);
  const auto earlier = m_changeOfTarget.find(key);
  // A target replaced twice in one run keeps the content it had before the run.
  const bool firstChange = earlier == m_changeOfTarget.end();
  std::wstring keptOld;
  if (firstChange && Exists(target)) {
    if (!OpenForReplacing(target)) {
      const DWORD error = GetLastError();
      DeleteFileW(temp.c_str());
      Fail(shownName + L": could not be replaced, it may be in use (error " + std::to_wstring(error) + L")");
      return false;
    }
    keptOld = target + L".tavora-old";
    if (!KeepOldContent(target, keptOld)) {
      const DWORD error = GetLastError();
      DeleteFileW(temp.c_str());
      Fail(shownName + L": the old content could not be kept aside, so it was not replaced (error " +
           std::to_wstring(error) + L")");
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    if (!keptOld.empty()) DeleteFileW(keptOld.c_str());
    Fail(shownName + L": could not be replaced, it may be in use (error " + std::to_wstring(error) + L")");
    return false;
  }
  if (firstChange) {
    m_changeOfTarget.emplace(key, m_changes.size());
    m_changes.push_back({target, keptOld, shownName});
  }
  return true;
}

void CInstallJournal::Added(const std::wstring& target, const std::wstring& shownName) {
  if (m_changeOfTarget.emplace(LowerCase(target), m_changes.size()).second) m_changes.push_back({target, L"", shownName});
}

void CInstallJournal::Fail(const std::wstring& line) {
  CLogHelper::GetInstance()->LogW(L"install: %ls", line.c_str());
  if (m_failures.size() < kMaxReportLines) m_failures.push_back(line);
  ++m_failureCount;
}

std::wstring CInstallJournal::FailureLines() const {
  std::wstring lines;
  for (const std::wstring& line : m_failures) lines += line + L"\r\n";
  if (m_failureCount > m_failures.size()) {
    lines += L"and " + std::to_wstring(m_failureCount - m_failures.size()) + L" more failures\r\n";
  }
  return lines;
}

void CInstallJournal::Commit() {
  for (const Change& change : m_changes) {
    if (!change.keptOld.empty()) DeleteFileW(change.keptOld.c_str());
  }
  m_changes.clear();
  m_changeOfTarget.clear();
}

void CInstallJournal::RollBack() {
  for (auto change = m_changes.rbegin(); change != m_changes.rend(); ++change) {
    const bool restored =
        change->keptOld.empty()
            ? (DeleteFileW(change->target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
               GetLastError() == ERROR_PATH_NOT_FOUND)
            : MoveFileExW(change->keptOld.c_str(), change->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!restored) {
      const DWORD error = GetLastError();
      Fail(change->shownName + L": could not be put back and keeps its new content (error " +
           std::to_wstring(error) + L")");
    }
  }
  m_changes.clear();
  m_changeOfTarget.clear();
}
