#!/usr/bin/env bash
# A first install and an update behind a school proxy: the prefix's Internet settings name a
# real proxy (tinyproxy), and every package and module request goes through it with the
# absolute URL in its request line; the installs complete as they do without one.
# The release files are published under the name "localhost" and the bypass list names
# 127.0.0.1, where the service (and every other test of the prefix, which may run beside
# this one) is reached directly: a school's own update service inside, the files outside.
# Usage: through_proxy.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
source "$(dirname "$0")/../support/system_proxy.sh"
drive_test_begin "$@"

drive_release_host=localhost:$service_port
for version in 1.0.0.0 1.1.0.0; do
  mkdir -p "$work/client-$version"
  cp "$sample/release-$version"/* "$installer" "$work/client-$version/"
  publish_release "$work/client-$version" "$version" "$work/published-$version" || exit 1
done
proxy_start || exit 1
proxy_settings_set "127.0.0.1:$proxy_port" "127.0.0.1" || exit 1

# Every release file the service sent must have come through the proxy, and the proxy
# must have been sent nothing else.
release_requests_went_through_the_proxy() {
  local sent through
  sent=$(requested_paths | grep '^/releases/' | sed "s|^|GET http://localhost:$service_port|; s|$| HTTP/1.1|" | sort)
  through=$(proxy_requests | sort)
  echo "     (proxy request lines: $(echo $through))"
  [ -n "$sent" ] && [ "$sent" = "$through" ]
}

echo "== install 1.0.0.0 through the proxy"
service_start "$work/published-1.0.0.0" || exit 1
install_completes "$work/client-1.0.0.0" || exit 1
check "the package came through the proxy, and nothing else did" release_requests_went_through_the_proxy
check "quill.log names the proxy" grep -q "through the proxy 127.0.0.1:$proxy_port (static proxy)" "$run_dir/quill.log"
stop_wine_program TavoraStudent
service_stop
: > "$proxy_log"

echo "== update to 1.1.0.0 through the proxy"
service_start "$work/published-1.1.0.0" || exit 1
install_completes "$work/client-1.1.0.0" || exit 1
check "modules, not the package, were fetched" test -z "$(fetched_files | grep '^TavoraStudent-.*\.zip\.gz$')"
check "every module came through the proxy, and nothing else did" release_requests_went_through_the_proxy
drive_finish
