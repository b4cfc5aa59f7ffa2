// The two primitives of signed releases: SHA-256, and the check of an ECDSA signature on the
// NIST P-256 curve over the SHA-256 of a text. The installer takes them from the system's
// CNG provider (signing_primitives_win.cpp), the host tools and host tests from libgcrypt
// (signing_primitives_gcrypt.cpp); both answer the same for the same input.
#pragma once

#include <cstddef>
#include <memory>

constexpr size_t kSha256DigestBytes = 32;
// The uncompressed point: 0x04, then X and Y, 32 bytes each, most significant byte first.
constexpr size_t kP256PublicKeyBytes = 65;
// r then s, 32 bytes each, most significant byte first (CNG's form; DER is converted).
constexpr size_t kP256SignatureBytes = 64;

// SHA-256 (FIPS 180-4) of bytes fed in pieces of any size.
class Sha256Hasher {
 public:
  Sha256Hasher();
  ~Sha256Hasher();
  Sha256Hasher(const Sha256Hasher&) = delete;
  Sha256Hasher& operator=(const Sha256Hasher&) = delete;

  void Update(const void* data, size_t size);
  // The digest of everything fed so far. False when the system could not make one; a failed
  // hasher ignores what it is fed and never gives a digest.
  bool Finish(unsigned char (&digest)[kSha256DigestBytes]);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

enum class SignatureCheck {
  kValid,        // the signature was made over message with the key's private half
  kInvalid,      // it was not (or the key is not a point of the curve)
  kUnavailable,  // the system has no P-256 ECDSA: nothing could be checked
};

SignatureCheck VerifyP256Signature(const unsigned char (&publicKey)[kP256PublicKeyBytes], const void* message,
                                   size_t size, const unsigned char (&signature)[kP256SignatureBytes]);

// The provider's half of it: the signature over a digest already made, by a key whose first
// byte is 0x04.
SignatureCheck VerifyP256Digest(const unsigned char (&publicKey)[kP256PublicKeyBytes],
                                const unsigned char (&digest)[kSha256DigestBytes],
                                const unsigned char (&signature)[kP256SignatureBytes]);
