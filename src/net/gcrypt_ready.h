// Starts libgcrypt once per process, before its first use from any thread.
#pragma once

void EnsureGcryptReady();
