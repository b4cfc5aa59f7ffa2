#!/usr/bin/env bash
# A first install whose package download is cut at every attempt (a stand-in in front of
# the service closes the connection after half of each body): each attempt asks for the
# rest from the bytes already written, and after the eighth the error window, a failure
# report, the offline page from the package button, and nothing installed or started.
# Usage: cut_download.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

publish_release "$sample/release-1.0.0.0" 1.0.0.0 "$work/published" || exit 1
package=$(published_file "$work/published" TavoraStudent .zip.gz)
cutting_stand_in_start "$work/published" "${package##*/}" every || exit 1
fake_browser "$run_dir"

run_to_last_window "$installer" || exit 1
check "the package download was cut eight times" test "$(grep -c "^cut /releases/1.0.0.0/${package##*/}" "$work/proxy.log")" -eq 8
check "... the first asking for the whole file" grep -q "^cut /releases/1.0.0.0/${package##*/} (Range: bytes=0-) after" "$work/proxy.log"
check "... each later one for the rest" test "$(grep -c "^cut /releases/1.0.0.0/${package##*/} (Range: bytes=[1-9][0-9]*-) after" "$work/proxy.log")" -eq 7
url="http://$service_host:$service_port/releases/1.0.0.0/${package##*/}"
check_error_window_run "($url)"
check "nothing is installed" test -z "$(ls -A "$install_dir" 2>/dev/null)"
check "no shortcut is written" test ! -e "$desktop_link" -a ! -e "$start_menu_dir"
check "no uninstall entry is written" uninstall_entry_absent
cat "$work/proxy.log" | sed 's/^/     proxy: /'
drive_finish
