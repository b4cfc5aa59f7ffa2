#!/usr/bin/env bash
# A first install whose release files sit on a host the proxy's bypass list names
# ("<local>": a name without a dot): the downloads go straight to it, the proxy sees nothing.
# Usage: proxy_bypass.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
source "$(dirname "$0")/../support/system_proxy.sh"
drive_test_begin "$@"

publish_outside_release || exit 1
proxy_start || exit 1
proxy_settings_set "127.0.0.1:$proxy_port" "<local>;127.0.0.1" || exit 1
service_start "$work/published" || exit 1

install_completes "$sample/release-1.0.0.0" || exit 1
check "the package was fetched from the service" test -n "$(fetched_files | grep '^TavoraStudent-.*\.zip\.gz$')"
check "the proxy was sent no request" test -z "$(proxy_requests)"
check "quill.log names no proxy" not grep -q 'through the proxy' "$run_dir/quill.log"
drive_finish
