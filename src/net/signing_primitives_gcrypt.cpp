#include "net/signing_primitives.h"

#include <gcrypt.h>

#include <cstring>
#include <memory>
#include <type_traits>

#include "net/gcrypt_ready.h"

namespace {

struct SexpReleaser {
  void operator()(gcry_sexp_t sexp) const { gcry_sexp_release(sexp); }
};
using Sexp = std::unique_ptr<std::remove_pointer_t<gcry_sexp_t>, SexpReleaser>;

}  // namespace

struct Sha256Hasher::State {
  gcry_md_hd_t digest = nullptr;
  ~State() {
    if (digest) gcry_md_close(digest);
  }
};

Sha256Hasher::Sha256Hasher() : m_state(new State) {
  if (!EnsureGcryptReady() || gcry_md_open(&m_state->digest, GCRY_MD_SHA256, 0) != 0) m_state->digest = nullptr;
}

Sha256Hasher::~Sha256Hasher() = default;

void Sha256Hasher::Update(const void* data, size_t size) {
  if (m_state->digest && size > 0) gcry_md_write(m_state->digest, data, size);
}

bool Sha256Hasher::Finish(unsigned char (&digest)[kSha256DigestBytes]) {
  if (!m_state->digest) return false;
  const unsigned char* value = gcry_md_read(m_state->digest, GCRY_MD_SHA256);
  if (!value) return false;
  memcpy(digest, value, kSha256DigestBytes);
  return true;
}

SignatureCheck VerifyP256Digest(const unsigned char (&publicKey)[kP256PublicKeyBytes],
                                const unsigned char (&digest)[kSha256DigestBytes],
                                const unsigned char (&signature)[kP256SignatureBytes]) {
  gcry_sexp_t raw = nullptr;
  if (gcry_sexp_build(&raw, nullptr, "(public-key (ecc (curve \"NIST P-256\") (q %b)))",
                      static_cast<int>(kP256PublicKeyBytes), publicKey) != 0) {
    return SignatureCheck::kUnavailable;
  }
  const Sexp key(raw);
  // r and s as unsigned big-endian numbers, as CNG takes them.
  if (gcry_sexp_build(&raw, nullptr, "(sig-val (ecdsa (r %b) (s %b)))", 32, signature, 32, signature + 32) != 0) {
    return SignatureCheck::kUnavailable;
  }
  const Sexp signed_(raw);
  if (gcry_sexp_build(&raw, nullptr, "(data (flags raw) (value %b))", static_cast<int>(kSha256DigestBytes), digest) != 0) {
    return SignatureCheck::kUnavailable;
  }
  const Sexp data(raw);
  // A point off the curve, like a wrong signature, fails the check.
  return gcry_pk_verify(signed_.get(), data.get(), key.get()) == 0 ? SignatureCheck::kValid : SignatureCheck::kInvalid;
}
