// What one install run changes in the installation folder and the registry, and what it could
// not do. Each change is written to the journal file before it is made, so that a run that
// cannot finish, and a run that is killed or loses power, leaves the client as it was: the run
// itself, or the next start, puts every file and value back and says why, one line per item.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/win_handles.h"
#include "package/journal_records.h"

class CInstallJournal {
 public:
  CInstallJournal() = default;
  CInstallJournal(const CInstallJournal&) = delete;
  CInstallJournal& operator=(const CInstallJournal&) = delete;
  // A journal begun and neither committed nor rolled back is rolled back.
  ~CInstallJournal();

  // Starts a run whose records go to the file at path, each flushed before its change is
  // made; an empty path keeps them in memory only. False, with a failure line, when the file
  // cannot be made or an earlier run's journal is still there (it could not be undone).
  bool Begin(const std::wstring& path);

  // Each of these notes a change before it is made; false, with a failure line, when the note
  // cannot be written, and then the change must not be made.
  // Makes the folder and its missing parents, each noted first. True when it is there.
  bool CreateFolders(const std::wstring& folder);
  // target does not exist and is about to be written in place.
  bool WillAdd(const std::wstring& target);
  // "<target>.tavora-part" is about to be written, to replace target through Replace.
  bool WillTouch(const std::wstring& target);
  // The key of HKEY_CURRENT_USER is about to be made (noted only when it is not there yet).
  bool WillCreateKey(const std::wstring& subKey);
  // The string value is about to be changed (noted with its old text when it is there).
  bool WillSetValue(const std::wstring& subKey, const std::wstring& valueName);

  // Moves the complete new file at temp ("<target>.tavora-part", noted by WillTouch) over
  // target in one step. The old content, if any, is kept beside the target until Commit or
  // RollBack. False (with a failure line, the temp file removed and the target untouched)
  // when the target cannot be replaced: a file in use.
  bool Replace(const std::wstring& temp, const std::wstring& target, const std::wstring& shownName);
  // Records that an item was refused or could not be placed.
  void Fail(const std::wstring& line);

  bool Failed() const { return m_failureCount > 0; }
  // One line per failure, each ending in CR LF; after the first kMaxReportLines the rest are
  // counted in one last line, so that a disk that fills up cannot make the report unbounded.
  std::wstring FailureLines() const;

  // The run succeeded: "commit" is noted, the kept old contents are dropped, the file removed.
  void Commit();
  // The run failed or was cancelled: every replaced file gets its old content back, every
  // added file, made folder and key is removed and every changed value restored, newest
  // first. A file that cannot be put back is a failure line, and the journal file stays for
  // the next start to finish the work.
  void RollBack();

  // For the start of every run, before anything else: a journal an earlier run left at path
  // is rolled back, or, where that run had committed, its kept copies are dropped. True when
  // no journal is left afterwards; lines gets a line for what could not be put back.
  static bool RecoverUnfinished(const std::wstring& path, std::wstring* lines = nullptr);

  static constexpr size_t kMaxReportLines = 20;

 private:
  bool Note(JournalStep step, const std::wstring& text);
  void EndFile(bool keepFile);

  bool m_begun = false;
  std::wstring m_path;
  UniqueHandle m_file;
  std::vector<JournalRecord> m_records;
  std::unordered_set<std::wstring> m_replaced;  // by lower-case target path
  std::vector<std::wstring> m_failures;
  size_t m_failureCount = 0;
};
