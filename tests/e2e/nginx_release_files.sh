#!/usr/bin/env bash
# A first install of 1.0.0.0 and the update to 1.1.0.0 through the update front of
# tools/deploy: a real nginx on the port the installer talks to serves the files that
# tavora-publish wrote, at the entry's download path, and passes only the service's requests
# to tavora-service. nginx answers the installer's "Range: bytes=0-" with 206 and a
# Content-Range; the installer takes that as the whole file.
# Usage: nginx_release_files.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
source "$(dirname "$0")/../support/nginx_front.sh"
drive_test_begin "$@"
front_init || exit 1

for version in 1.0.0.0 1.1.0.0; do
  mkdir -p "$work/client-$version"
  cp "$sample/release-$version"/* "$installer" "$work/client-$version/"
  publish_release "$work/client-$version" "$version" "$work/published-$version" || exit 1
done

# nginx serves the files of both releases all along; the service offers one at a time.
upstream_start service-1.0.0.0 0 "$work/published-1.0.0.0" || exit 1
upstream=127.0.0.1:${upstream_ports[service-1.0.0.0]}
front_start --release "$work/published-1.0.0.0" --release "$work/published-1.1.0.0" \
  --upstream "$upstream" || exit 1

# True when nginx's log from line $1 on shows file $3 of release $2 answered by nginx itself
# with 206, the whole file's length and the Content-Range of the whole file.
served_whole() {
  local size
  size=$(stat -c %s "$work/published-$2/$3") || return 1
  tail -n +"$1" "$front_access_log" | grep -qF "\"GET /releases/$2/$3 HTTP/1.1\" 206 $size range=\"bytes=0-\" content_range=\"bytes 0-$((size - 1))/$size\" upstream=- "
}

# Checks the requests of one run, read from line $1 of nginx's log: release $3's files were
# fetched from nginx, and the rest went to the service, upstream $2. $fetched: the files.
check_requests() {
  local from=$1 service=$2 version=$3 files file
  files=$(front_requests "$from" | sed -n "s|^/releases/$version/\([^ ]*\) .*|\1|p")
  front_requests "$from" | sed 's/^/     nginx: /'
  for file in $files; do
    check "nginx answered $file with 206 and the whole file" served_whole "$from" "$version" "$file"
  done
  check "nginx served no file of another place" \
    test -z "$(front_requests "$from" | grep -v "^/releases/$version/" | grep -v '^/cgi-bin/')"
  local protocol answered
  protocol=$(front_requests "$from" | grep '^/cgi-bin/')
  check "nginx passed the time and update-list requests to the service" \
    eval 'grep -q "^/cgi-bin/timestamp/ 200 $upstream\$" <<< "$protocol" && grep -q "^/cgi-bin/service 200 $upstream\$" <<< "$protocol"'
  check "... and every request of the service's paths" test -z "$(grep -v " 200 $upstream\$" <<< "$protocol")"
  answered=$(upstream_requests "$service")
  sed 's/^/     service: /' <<< "$answered"
  check "the service answered exactly those requests" \
    test "$(awk '{ print $1, $2 }' <<< "$answered")" = "$(awk '{ print $1, $2 }' <<< "$protocol")"
  check "... and no release file" test -z "$(grep -v '^/cgi-bin/' <<< "$answered")"
  fetched=$files
}

echo "== install 1.0.0.0 through nginx"
run_to_last_window "$installer" || exit 1
check "the install ends in the complete window" test "$last_kind" = complete
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30
check "the 1.0.0.0 client starts" client_started_with '' 20
check_requests 1 service-1.0.0.0 1.0.0.0
package=$(basename "$(published_file "$work/published-1.0.0.0" TavoraStudent .zip.gz)")
check "the full package was the one file fetched" test "$fetched" = "$package"
check "the whole package is in the installation folder" same_files "$work/client-1.0.0.0" "$install_dir"

echo "== update to 1.1.0.0 through nginx, the service restarted with the new release"
upstream_stop service-1.0.0.0
upstream_start service-1.1.0.0 "${upstream#*:}" "$work/published-1.1.0.0" || exit 1
from=$(($(front_log_lines) + 1))
run_to_last_window "$installer" from the update || exit 1
check "the update ends in the complete window" test "$last_kind" = complete
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30
check "the new client starts with the installer's command line" client_started_with 'from the update' 20
check_requests "$from" service-1.1.0.0 1.1.0.0
changed=$(for f in "$work/client-1.1.0.0"/*; do
  n=${f##*/}; cmp -s "$f" "$work/client-1.0.0.0/$n" || echo "${n%.*}"; done | sort | tr '\n' ' ')
fetched=$(sed 's/-[0-9a-f]\{16\}\..*$//' <<< "$fetched" | sort | tr '\n' ' ')
echo "     (changed: $changed; fetched from nginx: $fetched)"
check "exactly the changed modules were fetched" test "$fetched" = "$changed"
check "the installation folder holds the 1.1.0.0 files" same_files "$work/client-1.1.0.0" "$install_dir"
drive_finish
