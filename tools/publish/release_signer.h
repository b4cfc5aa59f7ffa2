// Signs update-list entries with the release key: reads the private key from its PEM file and
// makes the entry's "Signature" over the entry's signed text (src/net/release_canonical.h).
//
// Key files: PEM, unencrypted, of a key on the P-256 curve (prime256v1, secp256r1), either
//   "EC PRIVATE KEY" (SEC 1; openssl ecparam -name prime256v1 -genkey -noout), or
//   "PRIVATE KEY"    (PKCS #8; openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256).
// An "ENCRYPTED PRIVATE KEY" is refused: decrypt it into a private place first.
#pragma once

#include <filesystem>
#include <string>

#include "net/release_signature.h"

struct ReleaseSigningKey {
  unsigned char secret[32] = {};  // d, most significant byte first
  ReleaseKey publicKey;           // d times the curve's base point
};

bool LoadReleaseSigningKey(const std::filesystem::path& file, ReleaseSigningKey& key, std::string& error);

// The "Signature" value of text: r then s as 128 lower-case hexadecimal digits. Deterministic
// (RFC 6979), so publishing the same release twice gives the same entry.
bool SignReleaseText(const ReleaseSigningKey& key, const std::string& text, std::string& signatureHex,
                     std::string& error);

// The 130 hexadecimal digits of a public key, as TAVORA_RELEASE_PUBLIC_KEY takes them.
std::string ReleaseKeyHex(const ReleaseKey& key);
