#!/usr/bin/env bash
# An update whose release holds a module with other bytes than its check value says: the
# error window, a failure report naming the check, the offline page from the package
# button, nothing started and the installed 1.0.0.0 files untouched.
# Usage: damaged_module.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

stage_installed_client "$sample/release-1.0.0.0" "$installer"
publish_release "$sample/release-1.1.0.0" 1.1.0.0 "$work/published" || exit 1
damaged=$(published_file "$work/published" TavoraCore .dll.gz)
size=$(stat -c %s "$damaged")
# Same length, four bytes changed in the middle.
printf '\x5a\xa5\x5a\xa5' | dd of="$damaged" bs=1 seek=$((size / 2)) conv=notrunc status=none
service_start "$work/published" || exit 1
fake_browser "$run_dir"

run_to_last_window "$installer" || exit 1
url="http://$service_host:$service_port/releases/1.1.0.0/${damaged##*/}"
check "the damaged module was served whole" grep -qF "GET /releases/1.1.0.0/${damaged##*/} 200" "$service_log"
check_error_window_run "CheckFileMd5($url) failed"
check "the installed 1.0.0.0 files are untouched" same_files "$sample/release-1.0.0.0" "$install_dir"
drive_finish
