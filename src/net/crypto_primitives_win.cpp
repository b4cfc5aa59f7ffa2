#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include "net/crypto_primitives.h"

namespace {

// CryptoAPI handles are integers, not pointers: a small owner of one.
template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class CryptOwner {
 public:
  CryptOwner() = default;
  ~CryptOwner() { reset(); }
  CryptOwner(const CryptOwner&) = delete;
  CryptOwner& operator=(const CryptOwner&) = delete;

  void reset(Handle handle = 0) {
    if (m_handle) Release(m_handle);
    m_handle = handle;
  }
  Handle get() const { return m_handle; }
  explicit operator bool() const { return m_handle != 0; }

 private:
  Handle m_handle = 0;
};

BOOL WINAPI ReleaseProvider(HCRYPTPROV provider) { return CryptReleaseContext(provider, 0); }

using ProviderOwner = CryptOwner<HCRYPTPROV, ReleaseProvider>;
using HashOwner = CryptOwner<HCRYPTHASH, CryptDestroyHash>;
using KeyOwner = CryptOwner<HCRYPTKEY, CryptDestroyKey>;

// A provider that has MD5 and triple DES, without a key container (nothing is stored). The
// AES provider is the one of every Windows since XP SP3; the enhanced RSA provider has both
// primitives too and stands in where the AES provider is missing.
bool AcquireProvider(ProviderOwner& owner) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
      !CryptAcquireContextW(&provider, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return false;
  }
  owner.reset(provider);
  return true;
}

// The layout CryptImportKey reads a plain session key from.
struct TripleDesKeyBlob {
  BLOBHEADER header;
  DWORD keyBytes;
  BYTE key[kTripleDesKeyBytes];
};

}  // namespace

// The provider outlives the hash made from it: members are destroyed in reverse order.
struct Md5Hasher::State {
  ProviderOwner provider;
  HashOwner hash;
};

Md5Hasher::Md5Hasher() : m_state(new State) {
  if (!AcquireProvider(m_state->provider)) return;
  HCRYPTHASH hash = 0;
  if (CryptCreateHash(m_state->provider.get(), CALG_MD5, 0, 0, &hash)) m_state->hash.reset(hash);
}

Md5Hasher::~Md5Hasher() = default;

void Md5Hasher::Update(const void* data, size_t size) {
  if (!m_state->hash) return;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  // CryptHashData takes a 32-bit length.
  constexpr size_t kLargestPiece = 1u << 30;
  while (size > 0) {
    const size_t piece = size < kLargestPiece ? size : kLargestPiece;
    if (!CryptHashData(m_state->hash.get(), bytes, static_cast<DWORD>(piece), 0)) {
      // A digest that missed some bytes must never be given out.
      m_state->hash.reset();
      return;
    }
    bytes += piece;
    size -= piece;
  }
}

bool Md5Hasher::Finish(unsigned char (&digest)[kMd5DigestBytes]) {
  if (!m_state->hash) return false;
  DWORD length = kMd5DigestBytes;
  if (!CryptGetHashParam(m_state->hash.get(), HP_HASHVAL, digest, &length, 0)) return false;
  return length == kMd5DigestBytes;
}

bool TripleDesOfbCipher(const unsigned char (&key)[kTripleDesKeyBytes],
                        const unsigned char (&iv)[kDesBlockBytes], const void* input, size_t size,
                        void* output) {
  ProviderOwner provider;
  if (!AcquireProvider(provider)) return false;

  TripleDesKeyBlob blob = {};
  blob.header.bType = PLAINTEXTKEYBLOB;
  blob.header.bVersion = CUR_BLOB_VERSION;
  blob.header.aiKeyAlg = CALG_3DES;
  blob.keyBytes = kTripleDesKeyBytes;
  memcpy(blob.key, key, kTripleDesKeyBytes);
  HCRYPTKEY rawKey = 0;
  const bool imported = CryptImportKey(provider.get(), reinterpret_cast<const BYTE*>(&blob), sizeof blob, 0, 0, &rawKey);
  // The key bytes leave no copy on the stack.
  SecureZeroMemory(&blob, sizeof blob);
  if (!imported) return false;
  KeyOwner cipherKey;
  cipherKey.reset(rawKey);

  // The provider has no output feedback mode: the key stream is made here from the block
  // cipher in ECB mode, each block the encryption of the one before, starting from the IV.
  DWORD mode = CRYPT_MODE_ECB;
  if (!CryptSetKeyParam(cipherKey.get(), KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0)) return false;

  const unsigned char* in = static_cast<const unsigned char*>(input);
  unsigned char* out = static_cast<unsigned char*>(output);
  BYTE stream[kDesBlockBytes];
  memcpy(stream, iv, kDesBlockBytes);
  for (size_t done = 0; done < size; done += kDesBlockBytes) {
    // Not final: a whole block in, a whole block out, no padding added.
    DWORD length = kDesBlockBytes;
    if (!CryptEncrypt(cipherKey.get(), 0, FALSE, 0, stream, &length, kDesBlockBytes) || length != kDesBlockBytes) {
      return false;
    }
    const size_t count = size - done < kDesBlockBytes ? size - done : kDesBlockBytes;
    for (size_t i = 0; i < count; ++i) out[done + i] = static_cast<unsigned char>(in[done + i] ^ stream[i]);
  }
  SecureZeroMemory(stream, sizeof stream);
  return true;
}
