#include "package/journal_records.h"

#include <array>
#include <utility>

const char kJournalHeader[] = "tavora-journal 1\n";

namespace {

constexpr std::array<std::pair<JournalStep, const char*>, 7> kWords{{
    {JournalStep::kFolder, "folder"},
    {JournalStep::kAdd, "add"},
    {JournalStep::kTouch, "touch"},
    {JournalStep::kKept, "kept"},
    {JournalStep::kKey, "key"},
    {JournalStep::kValue, "value"},
    {JournalStep::kCommit, "commit"},
}};

}  // namespace

bool FormatJournalRecord(const JournalRecord& record, std::string& line) {
  if (record.text.find_first_of("\r\n") != std::string::npos) return false;
  for (const auto& [step, word] : kWords) {
    if (step != record.step) continue;
    line = word;
    if (step != JournalStep::kCommit) line += ' ' + record.text;
    line += '\n';
    return true;
  }
  return false;
}

bool ParseJournal(const std::string& bytes, std::vector<JournalRecord>& records) {
  records.clear();
  const std::string header = kJournalHeader;
  if (bytes.compare(0, header.size(), header) != 0) return false;
  size_t start = header.size();
  for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = bytes.substr(start, end - start);
    const size_t space = line.find(' ');
    const std::string word = line.substr(0, space);
    JournalRecord record;
    bool known = false;
    for (const auto& [step, name] : kWords) {
      if (word != name) continue;
      record.step = step;
      known = true;
    }
    const bool hasText = space != std::string::npos && space + 1 < line.size();
    if (!known || hasText != (record.step != JournalStep::kCommit)) break;
    if (hasText) record.text = line.substr(space + 1);
    records.push_back(std::move(record));
  }
  return true;
}
