#include "package/install_journal.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstring>
#include <cwctype>

#include "base/log_helper.h"
#include "base/utf8_text.h"

namespace {

constexpr wchar_t kPartEnding[] = L".tavora-part";
constexpr wchar_t kOldEnding[] = L".tavora-old";

std::wstring LowerCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring WithoutTrailingSlash(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Gone(BOOL removed) {
  const DWORD error = GetLastError();
  return removed || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::wstring ErrorText(DWORD error) { return L"(error " + std::to_wstring(error) + L")"; }

// A file another program holds open without letting it be deleted cannot be replaced either;
// asking first keeps a second name from being made for a file that then stays as it is.
bool OpenForReplacing(const std::wstring& target) {
  UniqueHandle file(CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  return file.get() != INVALID_HANDLE_VALUE;
}

// A second name for the old content costs no copy; a copy serves where links are not allowed.
bool KeepOldContent(const std::wstring& target, const std::wstring& keptOld) {
  DeleteFileW(keptOld.c_str());
  return CreateHardLinkW(keptOld.c_str(), target.c_str(), nullptr) || CopyFileW(target.c_str(), keptOld.c_str(), FALSE);
}

bool ReadStringValue(HKEY key, const std::wstring& name, std::wstring& text) {
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
    return false;
  }
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(bytes / sizeof(wchar_t));
  while (!buffer.empty() && buffer.back() == L'\0') buffer.pop_back();
  text = buffer;
  return true;
}

bool WriteStringValue(const std::wstring& subKey, const std::wstring& name, const std::wstring& text) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return false;
  UniqueRegKey key(opened);
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) ==
         ERROR_SUCCESS;
}

// "key<TAB>name<TAB>old text" of a value record.
bool SplitValueText(const std::wstring& text, std::wstring& subKey, std::wstring& name, std::wstring& old) {
  const size_t first = text.find(L'\t');
  const size_t second = first == std::wstring::npos ? first : text.find(L'\t', first + 1);
  if (second == std::wstring::npos) return false;
  subKey = text.substr(0, first);
  name = text.substr(first + 1, second - first - 1);
  old = text.substr(second + 1);
  return true;
}

// Puts back what the records say was changed, newest first; a line for each thing that could
// not be put back. Every step may be done twice: a repair that is itself cut off is repeated.
std::vector<std::wstring> UndoRecords(const std::vector<JournalRecord>& records) {
  std::unordered_set<std::wstring> kept;
  for (const JournalRecord& record : records) {
    if (record.step == JournalStep::kKept) kept.insert(LowerCase(Utf8ToWide(record.text)));
  }
  std::vector<std::wstring> failures;
  const auto fail = [&failures](const std::wstring& path, const wchar_t* what) {
    failures.push_back(path + L": " + what + L" " + ErrorText(GetLastError()));
  };
  for (auto record = records.rbegin(); record != records.rend(); ++record) {
    const std::wstring path = Utf8ToWide(record->text);
    switch (record->step) {
      case JournalStep::kKept: {
        const std::wstring old = path + kOldEnding;
        if (!Exists(old)) break;
        if (!MoveFileExW(old.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
          fail(path, L"could not be put back and keeps its new content");
        } else if (Exists(old)) {
          // Cut off before the new content moved in, the kept name is a second link to the
          // target itself; a move between two links of one file leaves both (POSIX rename).
          DeleteFileW(old.c_str());
        }
        break;
      }
      case JournalStep::kTouch:
        DeleteFileW((path + kPartEnding).c_str());
        // Without "kept" the old name holds at most a partial copy; the target is untouched.
        if (!kept.count(LowerCase(path))) DeleteFileW((path + kOldEnding).c_str());
        break;
      case JournalStep::kAdd:
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!Gone(DeleteFileW(path.c_str()))) fail(path, L"could not be removed");
        break;
      case JournalStep::kFolder:
        // A folder that still holds something (a file of the user's) stays.
        RemoveDirectoryW(path.c_str());
        break;
      case JournalStep::kKey: {
        const LSTATUS removed = SHDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) {
          SetLastError(static_cast<DWORD>(removed));
          fail(path, L"could not be removed");
        }
        break;
      }
      case JournalStep::kValue: {
        std::wstring subKey, name, old;
        if (SplitValueText(path, subKey, name, old)) WriteStringValue(subKey, name, old);
        break;
      }
      case JournalStep::kCommit:
        break;
    }
  }
  return failures;
}

// After a commit only the kept old contents and leftover temp files remain to be dropped.
void FinishRecords(const std::vector<JournalRecord>& records) {
  for (const JournalRecord& record : records) {
    if (record.step != JournalStep::kTouch && record.step != JournalStep::kKept) continue;
    const std::wstring path = Utf8ToWide(record.text);
    DeleteFileW((path + kPartEnding).c_str());
    DeleteFileW((path + kOldEnding).c_str());
  }
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  // A journal notes a few lines per file of the client; a larger one was not written by us.
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20)) return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD done = 0;
  return bytes.empty() || (ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                           done == bytes.size());
}

}  // namespace

CInstallJournal::~CInstallJournal() {
  if (m_begun) RollBack();
}

bool CInstallJournal::Begin(const std::wstring& path) {
  m_begun = true;
  m_path = path;
  if (path.empty()) return true;
  m_file.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
  if (m_file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    m_file.reset();
    m_path.clear();
    Fail(error == ERROR_FILE_EXISTS ? L"an earlier install that was cut off could not be undone; nothing was changed"
                                    : L"the install journal could not be made " + ErrorText(error));
    return false;
  }
  DWORD done = 0;
  const DWORD size = static_cast<DWORD>(strlen(kJournalHeader));
  if (!WriteFile(m_file.get(), kJournalHeader, size, &done, nullptr) || done != size || !FlushFileBuffers(m_file.get())) {
    Fail(L"the install journal could not be written " + ErrorText(GetLastError()));
    return false;
  }
  return true;
}

bool CInstallJournal::Note(JournalStep step, const std::wstring& text) {
  JournalRecord record{step, WideToUtf8(text)};
  std::string line;
  if (!FormatJournalRecord(record, line)) {
    Fail(text + L": a name the install journal cannot hold; left as it is");
    return false;
  }
  if (m_file) {
    DWORD done = 0;
    if (!WriteFile(m_file.get(), line.data(), static_cast<DWORD>(line.size()), &done, nullptr) || done != line.size() ||
        !FlushFileBuffers(m_file.get())) {
      Fail(text + L": left as it is, the install journal could not be written " + ErrorText(GetLastError()));
      return false;
    }
  }
  m_records.push_back(std::move(record));
  return true;
}

bool CInstallJournal::CreateFolders(const std::wstring& folder) {
  std::wstring path = WithoutTrailingSlash(folder);
  std::vector<std::wstring> missing;
  while (!path.empty() && !Exists(path)) {
    missing.push_back(path);
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash < 3) break;
    path.erase(slash);
  }
  for (auto made = missing.rbegin(); made != missing.rend(); ++made) {
    if (!Note(JournalStep::kFolder, *made)) return false;
    if (!CreateDirectoryW(made->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail(*made + L": the folder could not be made " + ErrorText(GetLastError()));
      return false;
    }
  }
  return true;
}

bool CInstallJournal::WillAdd(const std::wstring& target) { return Note(JournalStep::kAdd, target); }

bool CInstallJournal::WillTouch(const std::wstring& target) { return Note(JournalStep::kTouch, target); }

bool CInstallJournal::WillCreateKey(const std::wstring& subKey) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
    RegCloseKey(opened);
    return true;
  }
  return Note(JournalStep::kKey, subKey);
}

bool CInstallJournal::WillSetValue(const std::wstring& subKey, const std::wstring& valueName) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return true;
  UniqueRegKey key(opened);
  std::wstring old;
  if (!ReadStringValue(key.get(), valueName, old)) return true;
  return Note(JournalStep::kValue, subKey + L"\t" + valueName + L"\t" + old);
}

bool CInstallJournal::Replace(const std::wstring& temp, const std::wstring& target, const std::wstring& shownName) {
  // A target replaced twice in one run keeps the content it had before the run.
  const bool firstChange = m_replaced.insert(LowerCase(target)).second;
  const auto refuse = [&](const std::wstring& why) {
    const DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    Fail(shownName + L": " + why + L" " + ErrorText(error));
    return false;
  };
  if (firstChange) {
    if (Exists(target)) {
      if (!OpenForReplacing(target)) return refuse(L"could not be replaced, it may be in use");
      if (!KeepOldContent(target, target + kOldEnding)) {
        return refuse(L"the old content could not be kept aside, so it was not replaced");
      }
      if (!Note(JournalStep::kKept, target)) {
        DeleteFileW((target + kOldEnding).c_str());
        DeleteFileW(temp.c_str());
        return false;
      }
    } else if (!Note(JournalStep::kAdd, target)) {
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return refuse(L"could not be replaced, it may be in use");
  }
  return true;
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

void CInstallJournal::EndFile(bool keepFile) {
  m_file.reset();
  if (!keepFile && !m_path.empty()) DeleteFileW(m_path.c_str());
  m_path.clear();
  m_records.clear();
  m_replaced.clear();
  m_begun = false;
}

void CInstallJournal::Commit() {
  // Once "commit" is on disk a cut-off run is finished, not undone, by the next start.
  const bool noted = Note(JournalStep::kCommit, L"");
  FinishRecords(m_records);
  EndFile(false);
  if (!noted) CLogHelper::GetInstance()->LogW(L"install: committed without its journal line");
}

void CInstallJournal::RollBack() {
  const std::vector<std::wstring> failures = UndoRecords(m_records);
  for (const std::wstring& line : failures) Fail(line);
  EndFile(!failures.empty());
}

bool CInstallJournal::RecoverUnfinished(const std::wstring& path, std::wstring* lines) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    // Nothing there, or a file not ours to read: a new run may begin only when it is gone.
    return !Exists(path) || Gone(DeleteFileW(path.c_str()));
  }
  std::vector<JournalRecord> records;
  ParseJournal(bytes, records);
  bool committed = false;
  for (const JournalRecord& record : records) committed = committed || record.step == JournalStep::kCommit;
  std::vector<std::wstring> failures;
  if (committed) {
    FinishRecords(records);
  } else {
    failures = UndoRecords(records);
  }
  CLogHelper::GetInstance()->LogW(L"an install cut off by the end of its run was %ls (%u journal lines)",
                                  committed ? L"finished" : L"undone", static_cast<unsigned>(records.size()));
  for (const std::wstring& line : failures) {
    CLogHelper::GetInstance()->LogW(L"install repair: %ls", line.c_str());
    if (lines) *lines += line + L"\r\n";
  }
  if (!failures.empty()) return false;
  return Gone(DeleteFileW(path.c_str()));
}
