// Every single-member change of an update-list entry, for the tests that show a signature
// breaks under each of them: each value changed, each member taken away, a module added
// twice, the modules in another order, an optional member added.
#pragma once

#include <string>
#include <vector>

struct EntryMutation {
  std::string what;       // e.g. "change Modules/1/Sha256", for the failure message
  std::wstring json;      // the changed entry
  bool signedMember;      // false when only what the signature leaves out was changed
};

// entryJson must be a JSON object. Members under "DownloadUrls" are not signed (a release may
// move between mirrors), nor members of no meaning to the installer; "Signature" changed or
// removed counts as signed.
std::vector<EntryMutation> SingleMemberChanges(const std::wstring& entryJson);
