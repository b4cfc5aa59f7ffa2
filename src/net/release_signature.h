// The two checks of a signed release: the update-list entry's "Signature" against the release
// key, and a downloaded archive against the "Sha256" that the signed entry gives it.
#pragma once

#include <string>

#include "base/native_path.h"
#include "net/signing_primitives.h"

struct ReleaseKey {
  unsigned char point[kP256PublicKeyBytes] = {};
};

// The key from its 130 hexadecimal digits (either case): "04", then X and Y. False for any
// other text; whether the point lies on the curve is found out when a signature is checked.
bool ParseReleaseKey(const std::string& hex, ReleaseKey& key);

enum class EntryCheck {
  kSigned,              // the signature verifies over the entry's signed text
  kNotJson,             // the entry is not a JSON object
  kUnsigned,            // the entry has no "Signature"
  kMalformedSignature,  // "Signature" twice, or not 128 lower-case hexadecimal digits
  kUnsignable,          // the entry has no signed text (release_canonical.h says when)
  kMismatch,            // the signature was not made over this entry with this key
  kUnavailable,         // the system has no P-256 ECDSA: nothing could be checked
};

// detail receives the reason of kUnsignable.
EntryCheck CheckReleaseEntry(const std::wstring& entryJson, const ReleaseKey& key, std::string& detail);

// The failure report's line for a check other than kSigned:
// "CheckReleaseSignature(<product>) failed: <what>\r\n".
std::wstring EntryCheckFailureLine(const std::wstring& productName, EntryCheck check, const std::string& detail);

// SHA-256 of the file as 64 lower-case hexadecimal digits; false when it cannot be read.
bool FileSha256Hex(const NativePath& path, std::string& hex);

// True when the file's SHA-256 is signedSha256 exactly (upper-case digits never match).
bool FileMatchesSha256(const NativePath& path, const std::wstring& signedSha256);
