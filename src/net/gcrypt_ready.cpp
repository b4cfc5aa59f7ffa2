#include "net/gcrypt_ready.h"

#include <gcrypt.h>

bool EnsureGcryptReady() {
  // A function-local static runs its initialiser exactly once, even when threads race here.
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
