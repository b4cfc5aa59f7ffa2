#include "net/crypto_primitives.h"

#include <gcrypt.h>

#include <cstring>
#include <memory>
#include <type_traits>

#include "net/gcrypt_ready.h"

namespace {

struct CipherCloser {
  void operator()(gcry_cipher_hd_t handle) const { gcry_cipher_close(handle); }
};
using CipherHandle = std::unique_ptr<std::remove_pointer_t<gcry_cipher_hd_t>, CipherCloser>;

}  // namespace

struct Md5Hasher::State {
  gcry_md_hd_t digest = nullptr;
  ~State() {
    if (digest) gcry_md_close(digest);
  }
};

Md5Hasher::Md5Hasher() : m_state(new State) {
  if (!EnsureGcryptReady() || gcry_md_open(&m_state->digest, GCRY_MD_MD5, 0) != 0) {
    m_state->digest = nullptr;
  }
}

Md5Hasher::~Md5Hasher() = default;

void Md5Hasher::Update(const void* data, size_t size) {
  if (m_state->digest && size > 0) gcry_md_write(m_state->digest, data, size);
}

bool Md5Hasher::Finish(unsigned char (&digest)[kMd5DigestBytes]) {
  if (!m_state->digest) return false;
  const unsigned char* value = gcry_md_read(m_state->digest, GCRY_MD_MD5);
  if (!value) return false;
  memcpy(digest, value, kMd5DigestBytes);
  return true;
}

bool TripleDesOfbCipher(const unsigned char (&key)[kTripleDesKeyBytes],
                        const unsigned char (&iv)[kDesBlockBytes], const void* input, size_t size,
                        void* output) {
  if (!EnsureGcryptReady()) return false;
  gcry_cipher_hd_t raw = nullptr;
  if (gcry_cipher_open(&raw, GCRY_CIPHER_3DES, GCRY_CIPHER_MODE_OFB, 0) != 0) return false;
  CipherHandle cipher(raw);
  // libgcrypt refuses weak keys unless told otherwise; the Windows provider takes them, and
  // both sides must agree on every key. Allowed, a weak key is taken but still answered with
  // GPG_ERR_WEAK_KEY.
  if (gcry_cipher_ctl(cipher.get(), GCRYCTL_SET_ALLOW_WEAK_KEY, nullptr, 1) != 0) return false;
  const gcry_error_t keyResult = gcry_cipher_setkey(cipher.get(), key, kTripleDesKeyBytes);
  if (keyResult != 0 && gcry_err_code(keyResult) != GPG_ERR_WEAK_KEY) return false;
  if (gcry_cipher_setiv(cipher.get(), iv, kDesBlockBytes) != 0) return false;
  if (size == 0) return true;
  if (output == input) return gcry_cipher_encrypt(cipher.get(), output, size, nullptr, 0) == 0;
  return gcry_cipher_encrypt(cipher.get(), output, size, input, size) == 0;
}
