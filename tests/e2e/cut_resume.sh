#!/usr/bin/env bash
# A first install whose package download is cut once at 60 % (a stand-in in front of the
# service closes the connection): the next attempt asks for the rest from the bytes already
# written, the service answers 206 with it, and the install completes with one extra request.
# Usage: cut_resume.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

publish_release "$sample/release-1.0.0.0" 1.0.0.0 "$work/published" || exit 1
package=$(published_file "$work/published" TavoraStudent .zip.gz)
name=${package##*/}
size=$(stat -c %s "$package")
cutting_stand_in_start "$work/published" "$name" once || exit 1

install_completes "$sample/release-1.0.0.0"
sed 's/^/     stand-in: /' "$work/proxy.log"
kept=$((size * 60 / 100))
check "the first download was cut at 60 %" grep -qxF "cut /releases/1.0.0.0/$name (Range: bytes=0-) after $kept of $size bytes" "$work/proxy.log"
check "the second asked for the rest and got a part" \
  grep -qxF "passed /releases/1.0.0.0/$name (Range: bytes=$kept-): HTTP/1.1 206 Partial Content" "$work/proxy.log"
check "quill.log records the cut" grep -q "cut at $kept of $size bytes" "$run_dir/quill.log"
check "the package was asked for twice, no more" test "$(fetched_files | grep -c "^$name$")" -eq 2
drive_finish
