#include "net/gcrypt_ready.h"

#include <gcrypt.h>

void EnsureGcryptReady() {
  // A function-local static runs its initialiser exactly once, even when threads race here.
  static const bool ready = [] {
    gcry_check_version(nullptr);
    if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
      gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
      gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }
    return true;
  }();
  (void)ready;
}
