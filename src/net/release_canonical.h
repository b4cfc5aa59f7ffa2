// The signed text of an update-list entry: every member the installer acts on, one line
// each, in a fixed order, so that the publisher signs and the installer verifies the same
// bytes. "DownloadUrls" is left out on purpose: a signed release may move between mirrors.
//
// The text is UTF-8, each line ended by "\n". A member that is present is "Key=value" (its
// text exactly as the entry holds it, a JSON number as written); an optional member that is
// absent is "Key" alone. Keys are matched without regard to letter case, as the installer
// reads them, and always written as below. The lines, in order:
//
//   tavora-release-signature-1
//   AppName=<AppName>
//   MainVersion=<MainVersion>
//   Modules=<number of children of "Modules">
//   then for each child of "Modules", in the entry's order:
//     Module.name=<name>
//     Module.bytes=<bytes>
//     Module.version=<version>
//     Module.registerdll=<registerdll>
//     Module.mustupdate=<mustupdate>   or   Module.mustupdate
//     Module.Sha256=<Sha256>
//   InstallPackageNew   (no package), or:
//     InstallPackageNew.name=<name>
//     InstallPackageNew.bytes=<bytes>
//     InstallPackageNew.Sha256=<Sha256>
//
// Example: {"AppName":"TavoraStudent","MainVersion":"1,0,0,0","Modules":[{"name":"a-0123456789abcdef.dll",
// "bytes":"10","version":"1.0.0.0","registerdll":"false","Sha256":"<64 digits>"}]} gives
//   tavora-release-signature-1\nAppName=TavoraStudent\nMainVersion=1,0,0,0\nModules=1\n
//   Module.name=a-0123456789abcdef.dll\nModule.bytes=10\nModule.version=1.0.0.0\n
//   Module.registerdll=false\nModule.mustupdate\nModule.Sha256=<64 digits>\nInstallPackageNew\n
//
// An entry has no signed text when a member the installer needs is missing, a member appears
// twice (in any letter case: the installer would act on one of them), a value is an object or
// an array, a module is not an object, or a value holds a control character (below U+0020) or
// a lone surrogate; the lines could then not be told apart or would not say what is done.
#pragma once

#include <string>

#include "net/json_tree.h"

// Member names of what the publisher adds to an entry (the installer without a key ignores them).
extern const wchar_t kReleaseSignatureMember[];  // "Signature": 128 lower-case hex digits, r then s
extern const wchar_t kReleaseDigestMember[];     // "Sha256": 64 lower-case hex digits of the .gz file

// The signed text of entry; false with a reason (ASCII, for the failure report) when it has none.
bool CanonicalReleaseText(const JsonTree& entry, std::string& text, std::string& reason);
