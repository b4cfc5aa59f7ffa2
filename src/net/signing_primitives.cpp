#include "net/signing_primitives.h"

SignatureCheck VerifyP256Signature(const unsigned char (&publicKey)[kP256PublicKeyBytes], const void* message,
                                   size_t size, const unsigned char (&signature)[kP256SignatureBytes]) {
  // Only the uncompressed form of a point is taken.
  if (publicKey[0] != 0x04) return SignatureCheck::kInvalid;
  unsigned char digest[kSha256DigestBytes];
  Sha256Hasher hasher;
  hasher.Update(message, size);
  if (!hasher.Finish(digest)) return SignatureCheck::kUnavailable;
  return VerifyP256Digest(publicKey, digest, signature);
}
