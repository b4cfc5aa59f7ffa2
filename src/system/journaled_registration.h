// The shortcuts and the uninstall entry of a first install, and the entry's version after an
// update, each noted in the run's journal before it is made: a run cut off before its commit
// loses them together with its files, and never leaves an entry for a client that is not there.
#pragma once

#include <string>

class CInstallJournal;

// False (with the journal's failure lines) when a note could not be written; nothing of the
// shortcuts and the entry is made then.
bool RegisterInstallInJournal(CInstallJournal& journal, const std::wstring& installFolder,
                              const std::wstring& versionText);
// No entry is made where none was.
bool UpdateVersionInJournal(CInstallJournal& journal, const std::wstring& versionText);
