#!/usr/bin/env bash
# A first install behind a proxy that demands a password (407) for the release files: the
# error window, a failure report naming the proxy's refusal, nothing installed or started.
# Usage: proxy_refusal.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
source "$(dirname "$0")/../support/system_proxy.sh"
drive_test_begin "$@"

publish_outside_release || exit 1
package=$(published_file "$work/published" TavoraStudent .zip.gz)
proxy_start auth || exit 1
proxy_settings_set "127.0.0.1:$proxy_port" "127.0.0.1" || exit 1
service_start "$work/published" || exit 1
fake_browser "$run_dir"

run_to_last_window "$installer" || exit 1
url="http://localhost:$service_port/releases/1.0.0.0/${package##*/}"
check "the proxy was asked for the package" grep -qxF "GET $url HTTP/1.1" <<< "$(proxy_requests)"
check "quill.log says the proxy refused" grep -qF "the proxy 127.0.0.1:$proxy_port refused the download of $url (407)" "$run_dir/quill.log"
check_error_window_run "errorcode (2), file name ($url)"
check "nothing is installed" test -z "$(ls -A "$install_dir" 2>/dev/null)"
check "the service sent no release file" test -z "$(fetched_files)"
drive_finish
