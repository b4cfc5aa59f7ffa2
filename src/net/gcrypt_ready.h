// Starts libgcrypt once per process, before its first use from any thread.
#pragma once

// False when the library is older than the one the program was built against.
bool EnsureGcryptReady();
