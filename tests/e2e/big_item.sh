#!/usr/bin/env bash
# A first install of a package holding a 1.5 GB item (a sparse file of the client folder, so
# that publishing stays quick): the item is unpacked block by block into its file, the
# install completes, the file has every byte, and the installer's peak memory stays small.
# Usage: big_item.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

big_bytes=1500000000
mkdir -p "$work/client"
cp "$sample/release-1.0.0.0"/* "$work/client/"
truncate -s "$big_bytes" "$work/client/media.pak"
publish_release "$work/client" 1.0.0.0 "$work/published" || exit 1
rm -f "$work/client/media.pak"
echo "     (package: $(stat -c %s "$(published_file "$work/published" TavoraStudent .zip.gz)") bytes)"
service_start "$work/published" || exit 1

run_to_last_window "$installer" || exit 1
check "the install ends in the complete window" test "$last_kind" = complete
# The peak of the installer's resident memory, read while it still runs.
peak_kb=$(for p in $(wine_pids TavoraStudentInstaller.exe); do sed -n 's/^VmHWM: *\([0-9]*\) kB/\1/p' "/proc/$p/status"; done |
  sort -n | tail -n 1)
echo "     (installer peak resident memory: $((${peak_kb:-0} / 1024)) MB)"
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30
check "the 1.5 GB file is installed whole" test "$(stat -c %s "$install_dir/media.pak" 2>/dev/null)" = "$big_bytes"
check "... every byte of it zero, as packed" cmp -s -n "$big_bytes" "$install_dir/media.pak" /dev/zero
check "the other files are the release's" eval 'cp "$sample/release-1.0.0.0"/* "$work/client/" && same_files "$work/client" "$install_dir"'
# The process's own memory: Wine itself and the program, far below the 1.5 GB item.
check "the installer's peak memory stayed below 200 MB" test "${peak_kb:-999999}" -lt 204800
drive_finish
