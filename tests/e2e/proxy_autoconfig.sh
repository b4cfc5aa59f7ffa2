#!/usr/bin/env bash
# A first install where the Internet settings name a proxy configuration script (a school's
# proxy.pac) instead of a proxy: the script sends the release files' host through the real
# proxy and everything else direct, and the installer follows it.
# Usage: proxy_autoconfig.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
source "$(dirname "$0")/../support/system_proxy.sh"
drive_test_begin "$@"

publish_outside_release || exit 1
proxy_start || exit 1
mkdir -p "$work/pac"
cat > "$work/pac/proxy.pac" <<PAC
function FindProxyForURL(url, host) {
  if (host == "localhost") return "PROXY 127.0.0.1:$proxy_port; DIRECT";
  return "DIRECT";
}
PAC
pac_port=$(free_port)
python3 -m http.server "$pac_port" --bind 127.0.0.1 --directory "$work/pac" </dev/null >"$work/pac.log" 2>&1 &
drive_started_pids+=($!)
wait_for 10 port_in_use "$pac_port" || { cat "$work/pac.log" >&2; exit 1; }
proxy_script_set "http://127.0.0.1:$pac_port/proxy.pac" || exit 1
service_start "$work/published" || exit 1
package=$(published_file "$work/published" TavoraStudent .zip.gz)

install_completes "$sample/release-1.0.0.0" || exit 1
check "the script was fetched" grep -q 'GET /proxy.pac' "$work/pac.log"
echo "     (proxy request lines: $(proxy_requests | tr '\n' ' '))"
check "the package came through the proxy the script named" \
  test "$(proxy_requests)" = "GET http://localhost:$service_port/releases/1.0.0.0/${package##*/} HTTP/1.1"
check "quill.log says the script chose it" grep -q "through the proxy 127.0.0.1:$proxy_port (auto-config)" "$run_dir/quill.log"
drive_finish
