#include "package/journal_records.h"

#include <gtest/gtest.h>

namespace {

std::string Lines(const std::vector<JournalRecord>& records) {
  std::string text = kJournalHeader;
  for (const JournalRecord& record : records) {
    std::string line;
    EXPECT_TRUE(FormatJournalRecord(record, line));
    text += line;
  }
  return text;
}

TEST(JournalRecords, EveryStepIsReadBackAsWritten) {
  const std::vector<JournalRecord> written{
      {JournalStep::kFolder, "C:\\u\\Quillmor"},
      {JournalStep::kAdd, "C:\\u\\Quillmor\\TavoraStudent\\学生 端.ini"},
      {JournalStep::kTouch, "C:\\a b\\TavoraCore.dll"},
      {JournalStep::kKept, "C:\\a b\\TavoraCore.dll"},
      {JournalStep::kKey, "SOFTWARE\\x\\TavoraStudent"},
      {JournalStep::kValue, "SOFTWARE\\x\\TavoraStudent\tDisplayVersion\t1,0,0,0"},
      {JournalStep::kValue, "SOFTWARE\\x\tDisplayVersion\t"},
      {JournalStep::kCommit, ""},
  };
  std::vector<JournalRecord> read;
  ASSERT_TRUE(ParseJournal(Lines(written), read));
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].step, written[i].step) << i;
    EXPECT_EQ(read[i].text, written[i].text) << i;
  }
}

TEST(JournalRecords, ReadingStopsAtTheFirstLineThatIsNotAWholeRecord) {
  const std::string two = Lines({{JournalStep::kTouch, "C:\\a"}, {JournalStep::kKept, "C:\\a"}});
  std::vector<JournalRecord> read;
  // Cut by a power failure: the change that line announced never began.
  ASSERT_TRUE(ParseJournal(two + "add C:\\b", read));
  EXPECT_EQ(read.size(), 2u);
  for (const char* broken : {"erase C:\\b\n", "add\n", "add \n", "commit now\n", "\n"}) {
    ASSERT_TRUE(ParseJournal(two + broken + "add C:\\c\n", read));
    EXPECT_EQ(read.size(), 2u) << broken;
  }
  EXPECT_FALSE(ParseJournal("add C:\\a\n", read)) << "no header: not a journal";
  EXPECT_FALSE(ParseJournal("", read));
  std::string line;
  EXPECT_FALSE(FormatJournalRecord({JournalStep::kAdd, "C:\\a\nadd C:\\b"}, line)) << "one record, one line";
}

}  // namespace
