// libgcrypt's one-time start, shared by every host-side user of the library (the crypto
// primitives, the signing primitives, the release signer of the publisher).
#pragma once

#include <gcrypt.h>

// libgcrypt must be started once per process before its first use from any thread; a
// function-local static runs its initialiser exactly once, even when threads race here, and
// an inline function has one such static in the whole program.
inline bool EnsureGcryptReady() {
  static const bool ready = [] {
    if (!gcry_check_version(GCRYPT_VERSION)) return false;
    if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
      // Nothing here needs secure memory, and asking for it only brings warnings.
      gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
      gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }
    return true;
  }();
  return ready;
}
