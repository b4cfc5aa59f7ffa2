// What one install run changed in the installation folder and what it could not do, so that
// a run that cannot finish puts every file back as it was and says why, one line per item.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class CInstallJournal {
 public:
  // Moves the complete new file at temp over target in one step. The old content, if any, is
  // kept beside the target until Commit or RollBack. False (with a failure line, the temp
  // file removed and the target untouched) when the target cannot be replaced: a file in use.
  bool Replace(const std::wstring& temp, const std::wstring& target, const std::wstring& shownName);
  // Records a file this run created where none was, so that a rollback removes it.
  void Added(const std::wstring& target, const std::wstring& shownName);
  // Records that an item was refused or could not be placed.
  void Fail(const std::wstring& line);

  bool Failed() const { return m_failureCount > 0; }
  // One line per failure, each ending in CR LF; after the first kMaxReportLines the rest are
  // counted in one last line, so that a disk that fills up cannot make the report unbounded.
  std::wstring FailureLines() const;

  // The run succeeded: the kept old contents are dropped.
  void Commit();
  // The run failed or was cancelled: every replaced file gets its old content back and every
  // added file is removed, newest first. A file that cannot be put back is a failure line.
  void RollBack();

  static constexpr size_t kMaxReportLines = 20;

 private:
  struct Change {
    std::wstring target;
    std::wstring keptOld;  // empty: the target did not exist before this run
    std::wstring shownName;
  };
  std::vector<Change> m_changes;
  std::unordered_map<std::wstring, size_t> m_changeOfTarget;  // by lower-case target path
  std::vector<std::wstring> m_failures;
  size_t m_failureCount = 0;
};
