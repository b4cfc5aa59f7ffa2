// The lines of the install journal: what a run is about to change on disk and in the registry,
// written before each change so that a run ended at any moment can be undone (or finished) by
// the next start. One record per line, "<word> <text>\n", UTF-8, after the line
// "tavora-journal 1". Paths are absolute.
//
//   folder C:\...\Quillmor          the run creates this folder; it did not exist
//   add C:\...\locales\a.ini        the run creates this file; it did not exist
//   touch C:\...\TavoraCore.dll     the run writes "<path>.tavora-part" and may keep the old
//                                   content as "<path>.tavora-old"
//   kept C:\...\TavoraCore.dll      "<path>.tavora-old" now holds the whole old content; only
//                                   after this line may the new content replace the path
//   key SOFTWARE\...\TavoraStudent  the run creates this key of HKEY_CURRENT_USER
//   value SOFTWARE\...\TavoraStudent<TAB>DisplayVersion<TAB>1,0,0,0
//                                   the run changes this value; its old text follows
//   commit                          the run is complete: only the kept copies are left to drop
#pragma once

#include <string>
#include <vector>

enum class JournalStep { kFolder, kAdd, kTouch, kKept, kKey, kValue, kCommit };

struct JournalRecord {
  JournalStep step = JournalStep::kCommit;
  std::string text;  // UTF-8; for kValue "key<TAB>name<TAB>old text"
};

extern const char kJournalHeader[];  // "tavora-journal 1\n"

// The record's line, ending in "\n". A text holding "\n" or "\r" cannot be written (no path or
// registry name the installer writes holds one): false then.
bool FormatJournalRecord(const JournalRecord& record, std::string& line);

// The records of a journal file, in the order they were written. Reading stops at the first
// line that is not a whole record: a line cut short by a power failure was written just before
// a change that therefore never began. False when the header is missing (not a journal).
bool ParseJournal(const std::string& bytes, std::vector<JournalRecord>& records);
