#include "net/release_signature.h"

#include <vector>

#include "base/file_owner.h"
#include "net/json_tree.h"
#include "net/release_canonical.h"
#include "net/update_reply.h"

namespace {

constexpr size_t kReadSize = 64 * 1024;

int HexDigit(wchar_t c, bool upperAllowed) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (upperAllowed && c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool DecodeHex(const std::wstring& text, unsigned char* bytes, size_t size, bool upperAllowed) {
  if (text.size() != size * 2) return false;
  for (size_t i = 0; i < size; ++i) {
    const int high = HexDigit(text[2 * i], upperAllowed);
    const int low = HexDigit(text[2 * i + 1], upperAllowed);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<unsigned char>(high << 4 | low);
  }
  return true;
}

}  // namespace

bool ParseReleaseKey(const std::string& hex, ReleaseKey& key) {
  ReleaseKey parsed;
  if (!DecodeHex(std::wstring(hex.begin(), hex.end()), parsed.point, kP256PublicKeyBytes, true) ||
      parsed.point[0] != 0x04) {
    return false;
  }
  key = parsed;
  return true;
}

EntryCheck CheckReleaseEntry(const std::wstring& entryJson, const ReleaseKey& key, std::string& detail) {
  JsonTree entry;
  // An object has members and no text of its own.
  if (!ParseReplyJson(entryJson, entry) || !entry.data().empty()) return EntryCheck::kNotJson;

  const size_t signatures = entry.count(kReleaseSignatureMember);
  if (signatures == 0) return EntryCheck::kUnsigned;
  const JsonTree& signatureNode = entry.find(kReleaseSignatureMember)->second;
  unsigned char signature[kP256SignatureBytes];
  if (signatures > 1 || !signatureNode.empty() ||
      !DecodeHex(signatureNode.data(), signature, kP256SignatureBytes, false)) {
    return EntryCheck::kMalformedSignature;
  }

  std::string text;
  if (!CanonicalReleaseText(entry, text, detail)) return EntryCheck::kUnsignable;
  switch (VerifyP256Signature(key.point, text.data(), text.size(), signature)) {
    case SignatureCheck::kValid:
      return EntryCheck::kSigned;
    case SignatureCheck::kUnavailable:
      return EntryCheck::kUnavailable;
    case SignatureCheck::kInvalid:
      break;
  }
  return EntryCheck::kMismatch;
}

std::wstring EntryCheckFailureLine(const std::wstring& productName, EntryCheck check, const std::string& detail) {
  // In the order of EntryCheck.
  static const wchar_t* const kWhat[] = {
      nullptr,
      L"the entry is not JSON",
      L"the entry has no signature",
      L"the signature is not 128 lower-case hexadecimal digits",
      L"the entry cannot be signed: ",
      L"the signature does not match the entry and the release key",
      L"the system has no ECDSA P-256 to check it with",
  };
  const size_t index = static_cast<size_t>(check);
  if (index == 0 || index >= sizeof kWhat / sizeof kWhat[0]) return std::wstring();
  std::wstring line = L"CheckReleaseSignature(" + productName + L") failed: " + kWhat[index];
  // The reason of an unsignable entry is ASCII.
  if (check == EntryCheck::kUnsignable) line.append(detail.begin(), detail.end());
  return line + L"\r\n";
}

bool FileSha256Hex(const NativePath& path, std::string& hex) {
  FileOwner file(OpenFile(path, "rb"));
  if (!file) return false;
  Sha256Hasher hasher;
  std::vector<char> block(kReadSize);
  for (;;) {
    const size_t count = fread(block.data(), 1, block.size(), file.get());
    hasher.Update(block.data(), count);
    if (count < block.size()) break;
  }
  if (ferror(file.get())) return false;
  unsigned char digest[kSha256DigestBytes];
  if (!hasher.Finish(digest)) return false;
  static const char kDigits[] = "0123456789abcdef";
  hex.clear();
  for (unsigned char byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0f];
  }
  return true;
}

bool FileMatchesSha256(const NativePath& path, const std::wstring& signedSha256) {
  std::string hex;
  if (!FileSha256Hex(path, hex) || hex.size() != signedSha256.size()) return false;
  for (size_t i = 0; i < hex.size(); ++i) {
    if (static_cast<wchar_t>(hex[i]) != signedSha256[i]) return false;
  }
  return true;
}
