#!/usr/bin/env bash
# A classroom behind the update front of tools/deploy: a real nginx with two tavora-service
# upstreams, a and b. A first install goes through it; in a second install one upstream is
# stopped between the time request and the update list, and nginx passes the update list to
# the other: the install completes. A third, whose package is gone, ends in the error window,
# and its failure report reaches the upstream still running, in that upstream's own file.
# Usage: nginx_two_upstreams.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
source "$(dirname "$0")/../support/nginx_front.sh"
drive_test_begin "$@"
front_init || exit 1

client=$work/client-1.0.0.0
mkdir -p "$client"
cp "$sample/release-1.0.0.0"/* "$installer" "$client/"
publish_release "$client" 1.0.0.0 "$work/published" || exit 1
package=$(published_file "$work/published" TavoraStudent .zip.gz)
upstream_start a 0 "$work/published" || exit 1
upstream_start b 0 "$work/published" || exit 1
declare -A upstream_name=([127.0.0.1:${upstream_ports[a]}]=a [127.0.0.1:${upstream_ports[b]}]=b)

# The requests to the service's paths wait their turn, 2 s apart (none is refused): time
# enough to stop an upstream after the time request, before the update list is asked for.
front_extra=$work/front/space-protocol-requests.conf
cat > "$front_extra" <<'EOF'
map $uri $tavora_protocol_client { ~^/cgi-bin/ $binary_remote_addr; default ""; }
limit_req_zone $tavora_protocol_client zone=tavora_protocol:1m rate=30r/m;
limit_req zone=tavora_protocol burst=20;
EOF
front_start --release "$work/published" --upstream "127.0.0.1:${upstream_ports[a]}" \
  --upstream "127.0.0.1:${upstream_ports[b]}" || exit 1

show_requests() { front_requests "$1" | sed 's/^/     nginx: /'; }

# Finishes a run that reached the complete window: the client starts and is complete.
finish_complete_run() {
  check "the install ends in the complete window" test "$last_kind" = complete
  click_at $drive_btn_experience
  check "the installer ends" wait_exit "$installer_pid" 30
  check "the client starts" client_started_with '' 20
  check "the whole package is in the installation folder" same_files "$client" "$install_dir"
}

echo "== first install through nginx and both upstreams"
run_to_last_window "$installer" || exit 1
finish_complete_run
show_requests 1
check "nginx served the package itself, with 206" \
  grep -q "^/releases/1.0.0.0/${package##*/} 206 -\$" <<< "$(front_requests 1)"
check "nginx passed the time and update-list requests to the upstreams" \
  test "$(front_requests 1 | grep -c '^/cgi-bin/.* 200 127\.0\.0\.1:[0-9]*$')" -eq 2

echo "== second install (another pupil's profile); an upstream stops after the time request"
stop_wine_program TavoraStudent.exe
reset_profile
from=$(($(front_log_lines) + 1))
start_installer "$installer" "$run_dir"
installer_pid=$pid
time_request() { front_requests "$from" | grep -m1 '^/cgi-bin/timestamp/ 200 '; }
check "the time request comes through nginx" wait_for 30 eval 'time_request >/dev/null'
first=$(time_request | awk '{ print $3 }')
first=${upstream_name[$first]:-}
check "... answered by one of the upstreams" test -n "$first"
# nginx gives the upstreams their turns in order: the next request goes to the other one.
stopped=b survivor=a
[ "$first" = b ] && stopped=a survivor=b
upstream_stop "$stopped"
stopped_at=$(front_log_lines)
survivor_at=$(upstream_requests "$survivor" | wc -l)
echo "     (the time request went to $first; upstream $stopped is stopped now)"
follow_from_welcome || exit 1
finish_complete_run
show_requests "$from"
later=$(front_requests "$((stopped_at + 1))")
check "the update list was asked for after the stop" grep -q '^/cgi-bin/service ' <<< "$later"
check "... nginx tried the stopped upstream and passed the request on to the other" \
  grep -q "^/cgi-bin/service 200 127\.0\.0\.1:${upstream_ports[$stopped]},127\.0\.0\.1:${upstream_ports[$survivor]}\$" <<< "$later"
check "... which answered it" eval 'upstream_requests "$survivor" | tail -n +$((survivor_at + 1)) | grep -q "^/cgi-bin/service 200$"'
check "nginx served the package itself, with 206" grep -q "^/releases/1.0.0.0/${package##*/} 206 -\$" <<< "$later"
check "the stopped upstream's error is in nginx's log" \
  grep -q "connect() failed (111: Connection refused) while connecting to upstream.*127\.0\.0\.1:${upstream_ports[$stopped]}" "$front_error_log"

echo "== third install with upstream $stopped still stopped and the package gone from the folder"
stop_wine_program TavoraStudent.exe
reset_profile
mv "$package" "$package.gone"
from=$(($(front_log_lines) + 1))
fake_browser "$run_dir"
reports=$work/$survivor-reports.txt
run_to_last_window "$installer" || exit 1
show_requests "$from"
check "nginx refused the package with 404" grep -q "^/releases/1.0.0.0/${package##*/} 404 -\$" <<< "$(front_requests "$from")"
check "nginx passed the failure report to upstream $survivor" eval 'front_requests "$from" |
  grep "^/cgi-bin/service " | tail -n 1 | grep -q " 200 \(.*,\)\?127\.0\.0\.1:${upstream_ports[$survivor]}\$"'
check_error_window_run "Download File Failed, errorcode (-99), file name (http://$service_host:$service_port/releases/1.0.0.0/${package##*/})"
reports=  # front_cleanup shows every upstream's reports
drive_finish
