// The two cryptographic primitives of the service conversation and the archive check: MD5 and
// triple DES in output feedback mode. The installer takes them from the Windows crypto
// provider (crypto_primitives_win.cpp), the host tools and host tests from libgcrypt
// (crypto_primitives_gcrypt.cpp); both give the same bytes for the same input.
#pragma once

#include <cstddef>
#include <memory>

constexpr size_t kMd5DigestBytes = 16;
constexpr size_t kTripleDesKeyBytes = 24;
constexpr size_t kDesBlockBytes = 8;

// MD5 (RFC 1321) of bytes fed in pieces of any size.
class Md5Hasher {
 public:
  Md5Hasher();
  ~Md5Hasher();
  Md5Hasher(const Md5Hasher&) = delete;
  Md5Hasher& operator=(const Md5Hasher&) = delete;

  void Update(const void* data, size_t size);
  // The digest of everything fed so far. False when the system could not make one (no crypto
  // provider); a failed hasher ignores what it is fed and never gives a digest.
  bool Finish(unsigned char (&digest)[kMd5DigestBytes]);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

// Triple DES, EDE with three independent 8-byte keys, in 64-bit output feedback mode starting
// at the start of the key stream: the output is as long as the input, and encrypting and
// decrypting are the same operation. The parity bit of each key byte is ignored, as DES
// defines, and weak keys are used as they are. output may equal input. False when the system
// has no triple DES.
bool TripleDesOfbCipher(const unsigned char (&key)[kTripleDesKeyBytes],
                        const unsigned char (&iv)[kDesBlockBytes], const void* input, size_t size,
                        void* output);
