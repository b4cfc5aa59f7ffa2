#!/usr/bin/env bash
# An update whose release lacks one module (the service answers 404): the error window,
# a failure report with the worker's line, the offline page from the package button,
# nothing started and the installed 1.0.0.0 files untouched.
# Usage: missing_module.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

stage_installed_client "$sample/release-1.0.0.0" "$installer"
publish_release "$sample/release-1.1.0.0" 1.1.0.0 "$work/published" || exit 1
missing=$(published_file "$work/published" TavoraNet .dll.gz)
rm "$missing"
service_start "$work/published" || exit 1
fake_browser "$run_dir"

run_to_last_window "$installer" || exit 1
url="http://$service_host:$service_port/releases/1.1.0.0/${missing##*/}"
check "the missing module was asked for and refused" grep -qF "GET /releases/1.1.0.0/${missing##*/} 404" "$service_log"
check_error_window_run "Download File Failed, errorcode (-99), file name ($url)"
check "the installed 1.0.0.0 files are untouched" same_files "$sample/release-1.0.0.0" "$install_dir"
drive_finish
