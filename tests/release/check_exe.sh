#!/usr/bin/env bash
# The release installer as a file: 32-bit GUI PE, imports only from DLLs that ship with
# Windows, stripped and size-optimised, with its manifest, icon, version and skin. Prints its
# size and keeps it under 880,000 bytes. Needs no Wine, so every machine checks the shipped
# build.
# Usage: check_exe.sh OBJDUMP WINDRES INSTALLER_EXE VERSION [RELEASE_KEY]
set -u
objdump=$1 windres=$2 exe=$3 version=$4 release_key=${5:-}
failures=0
check() { if "$@"; then :; else echo "FAIL: $*"; failures=$((failures + 1)); fi; }

headers=$("$objdump" -p "$exe")
check grep -q 'file format pei-i386' <<< "$headers"
check grep -q 'Subsystem.*(Windows GUI)' <<< "$headers"

allowed='^(advapi32|bcrypt|comctl32|crypt32|gdi32|gdiplus|imm32|iphlpapi|kernel32|msimg32|msvcrt|ole32|oleaut32|sensapi|shell32|shlwapi|urlmon|user32|version|winhttp|wininet|winmm|ws2_32)\.dll$'
imports=$(sed -n 's/.*DLL Name: //p' <<< "$headers" | tr 'A-Z' 'a-z' | sort -u)
for dll in $imports; do
  check grep -Eq "$allowed" <<< "$dll"
done
echo "imports: $(echo $imports)"

check test -z "$("$objdump" -h "$exe" | grep -E '\.debug_|\.stab')"
# Size: no crypto library inside (MD5 and triple DES come from the system's provider; libgcrypt
# alone was 1.1 MB), and not the C++ library's default terminate handler with its demangler.
check test -z "$(grep -a -o -i 'libgcrypt' "$exe" | head -1)"
check test -z "$(grep -a -o 'terminate called after throwing' "$exe" | head -1)"
# Nor the C++ library's locale and streams, which any stream, std::locale or std::filesystem
# use links in (about 900 KB): the type names of ios_base, codecvt and filesystem are absent.
check test -z "$(grep -a -o -E 'St8ios_base|St7codecvt|NSt10filesystem' "$exe" | head -1)"
check test "$(stat -c %s "$exe")" -le 880000
check python3 "$(dirname "$0")/check_resources.py" "$windres" "$exe" "$version" "$release_key"
echo "size: $(stat -c %s "$exe") bytes (stripped)"
[ "$failures" -eq 0 ]
