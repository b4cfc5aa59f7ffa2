#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "net/signing_primitives.h"

namespace {

// STATUS_SUCCESS; ntstatus.h does not mix with windows.h.
constexpr NTSTATUS kStatusSuccess = 0;

struct AlgorithmCloser {
  void operator()(void* handle) const { BCryptCloseAlgorithmProvider(handle, 0); }
};
struct HashCloser {
  void operator()(void* handle) const { BCryptDestroyHash(handle); }
};
struct KeyCloser {
  void operator()(void* handle) const { BCryptDestroyKey(handle); }
};
using AlgorithmOwner = std::unique_ptr<void, AlgorithmCloser>;
using HashOwner = std::unique_ptr<void, HashCloser>;
using KeyOwner = std::unique_ptr<void, KeyCloser>;

AlgorithmOwner OpenAlgorithm(const wchar_t* name) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, name, nullptr, 0) != kStatusSuccess) return AlgorithmOwner();
  return AlgorithmOwner(algorithm);
}

// The layout BCryptImportKeyPair reads a P-256 public key from: the header, then X and Y.
struct P256PublicBlob {
  BCRYPT_ECCKEY_BLOB header;
  unsigned char xy[kP256PublicKeyBytes - 1];
};

}  // namespace

// The provider outlives the hash made from it: members are destroyed in reverse order.
// BCryptCreateHash and BCryptHashData (not BCryptHash, which came with Windows 10).
struct Sha256Hasher::State {
  AlgorithmOwner algorithm;
  HashOwner hash;
};

Sha256Hasher::Sha256Hasher() : m_state(new State) {
  m_state->algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
  if (!m_state->algorithm) return;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptCreateHash(m_state->algorithm.get(), &hash, nullptr, 0, nullptr, 0, 0) == kStatusSuccess) {
    m_state->hash.reset(hash);
  }
}

Sha256Hasher::~Sha256Hasher() = default;

void Sha256Hasher::Update(const void* data, size_t size) {
  if (!m_state->hash) return;
  PUCHAR bytes = static_cast<PUCHAR>(const_cast<void*>(data));
  // BCryptHashData takes a 32-bit length.
  constexpr size_t kLargestPiece = 1u << 30;
  while (size > 0) {
    const size_t piece = size < kLargestPiece ? size : kLargestPiece;
    if (BCryptHashData(m_state->hash.get(), bytes, static_cast<ULONG>(piece), 0) != kStatusSuccess) {
      // A digest that missed some bytes must never be given out.
      m_state->hash.reset();
      return;
    }
    bytes += piece;
    size -= piece;
  }
}

bool Sha256Hasher::Finish(unsigned char (&digest)[kSha256DigestBytes]) {
  if (!m_state->hash) return false;
  const bool done = BCryptFinishHash(m_state->hash.get(), digest, kSha256DigestBytes, 0) == kStatusSuccess;
  // A finished CNG hash takes no more data.
  m_state->hash.reset();
  return done;
}

SignatureCheck VerifyP256Digest(const unsigned char (&publicKey)[kP256PublicKeyBytes],
                                const unsigned char (&digest)[kSha256DigestBytes],
                                const unsigned char (&signature)[kP256SignatureBytes]) {
  const AlgorithmOwner algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!algorithm) return SignatureCheck::kUnavailable;
  P256PublicBlob blob = {};
  blob.header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  blob.header.cbKey = (kP256PublicKeyBytes - 1) / 2;
  memcpy(blob.xy, publicKey + 1, sizeof blob.xy);
  BCRYPT_KEY_HANDLE rawKey = nullptr;
  // A point that is not on the curve is refused here.
  if (BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &rawKey, reinterpret_cast<PUCHAR>(&blob),
                          sizeof blob, 0) != kStatusSuccess) {
    return SignatureCheck::kInvalid;
  }
  const KeyOwner key(rawKey);
  const NTSTATUS status = BCryptVerifySignature(key.get(), nullptr, const_cast<PUCHAR>(digest), sizeof digest,
                                                const_cast<PUCHAR>(signature), kP256SignatureBytes, 0);
  // STATUS_INVALID_SIGNATURE, and any other answer, is no proof.
  return status == kStatusSuccess ? SignatureCheck::kValid : SignatureCheck::kInvalid;
}
