# Runs the update front of tools/deploy for the end-to-end tests: a real nginx, configured by
# make-nginx-conf, on the port the installer talks to, serving the release files itself and
# passing the service's paths to tavora-service upstreams on free ports of 127.0.0.1.
# Sourced after installer_drive.sh, once drive_init has run; bash only.
#
#   front_init                       names the files below and registers the clean-up
#   upstream_start NAME PORT DIR...  a tavora-service with those releases (PORT 0: a free one)
#   upstream_stop NAME               stops it, as a crash would: SIGKILL
#   front_start CONF_ARGS...         writes the configuration and starts nginx in front
#   front_stop                       stops nginx

front_nginx=$(command -v nginx || echo /usr/sbin/nginx)
front_maker=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools/deploy" && pwd)/make-nginx-conf
front_pid=
declare -A upstream_pids=() upstream_ports=()

front_init() {
  front_dir=$work/front
  front_access_log=$front_dir/access.log
  front_error_log=$front_dir/error.log
  # Started by root, nginx serves files from worker processes running as "nobody": they have
  # to reach the release folders inside the work folder.
  mkdir -p "$front_dir" && chmod a+rx "$work" || return 1
  [ -x "$front_nginx" ] || { echo "nginx_front: no nginx (scripts/setup installs it)" >&2; return 1; }
  drive_stop_hooks+=(front_cleanup)
}

# Starts tavora-service NAME on 127.0.0.1:PORT with release folders DIR...; its output goes
# to $work/NAME.log, its failure reports to $work/NAME-reports.txt, its port to
# ${upstream_ports[NAME]}.
upstream_start() {
  local name=$1 port=$2 log=$work/$1.log args=() release; shift 2
  for release in "$@"; do args+=(--release "$release"); done
  : > "$log"
  "$service_exe" "${args[@]}" --listen "127.0.0.1:$port" --reports "$work/$name-reports.txt" \
    </dev/null >"$log" 2>&1 &
  upstream_pids[$name]=$!
  if ! wait_for 10 grep -q 'listening on' "$log"; then
    echo "nginx_front: upstream $name did not start:" >&2
    cat "$log" >&2
    return 1
  fi
  upstream_ports[$name]=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$log")
}

upstream_stop() {
  local pid=${upstream_pids[$1]:-}
  [ -n "$pid" ] || return 0
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  upstream_pids[$1]=
}

# "PATH STATUS" of every request upstream NAME answered, in order.
upstream_requests() { awk '$2 == "GET" { print $3, $4 }' "$work/$1.log" 2>/dev/null; }

# Writes $front_dir/tavora.conf with make-nginx-conf (listening where the installer connects,
# logging to $front_access_log; the arguments add the releases and upstreams) and starts
# nginx with it, in the foreground of a background job, with its own pid, logs and temporary
# folders. $front_extra (optional) is a file of http-level directives the test adds.
front_start() {
  if port_in_use "$service_port"; then
    echo "nginx_front: 127.0.0.1:$service_port is already taken; this build's installer talks to it" >&2
    return 1
  fi
  "$front_maker" --listen "127.0.0.1:$service_port" --access-log "$front_access_log" \
    --out "$front_dir/tavora.conf" "$@" 2>"$front_dir/make.log" || { cat "$front_dir/make.log" >&2; return 1; }
  local temp
  {
    # One worker: the upstreams take turns in a fixed order, so a test knows which one
    # nginx picks next.
    echo 'worker_processes 1;'
    echo "pid $front_dir/nginx.pid;"
    echo "error_log $front_error_log warn;"
    echo 'events { worker_connections 64; }'
    echo 'http {'
    for temp in client_body proxy fastcgi uwsgi scgi; do echo "  ${temp}_temp_path $front_dir/temp-$temp;"; done
    echo '  access_log off;'
    [ -n "${front_extra:-}" ] && echo "  include $front_extra;"
    echo "  include $front_dir/tavora.conf;"
    echo '}'
  } > "$front_dir/nginx.conf"
  local nginx_args=(-p "$front_dir" -e "$front_error_log" -c "$front_dir/nginx.conf")
  "$front_nginx" "${nginx_args[@]}" -t >"$front_dir/check.log" 2>&1 ||
    { echo "nginx_front: nginx refuses the configuration:" >&2; cat "$front_dir/check.log" >&2; return 1; }
  "$front_nginx" "${nginx_args[@]}" -g 'daemon off;' </dev/null >"$front_dir/nginx.out" 2>&1 &
  front_pid=$!
  if ! wait_for 10 port_in_use "$service_port"; then
    echo "nginx_front: nginx did not start listening:" >&2
    cat "$front_dir/nginx.out" "$front_error_log" >&2 2>/dev/null
    return 1
  fi
}

# SIGTERM makes nginx stop its workers, then itself; a master killed outright would leave
# its workers running, so the last resort takes them first.
front_stop() {
  [ -n "$front_pid" ] || return 0
  kill -TERM "$front_pid" 2>/dev/null
  if ! wait_for 10 eval '! kill -0 "$front_pid" 2>/dev/null'; then
    kill -KILL $(pgrep -P "$front_pid") "$front_pid" 2>/dev/null
  fi
  wait "$front_pid" 2>/dev/null
  front_pid=
}

# The requests nginx answered, as "PATH STATUS UPSTREAMS" (PATH without the query,
# UPSTREAMS "-" for a file nginx served itself, else the addresses tried, in order, joined by
# ","), from line $1 of its log on.
front_requests() {
  tail -n +"${1:-1}" "$front_access_log" 2>/dev/null |
    sed -n 's|^[^ ]* "GET \([^ ?]*\)[^ ]* [^"]*" \([0-9]*\) .* upstream=\(.*\) upstream_status=.*$|\1 \2 \3|p' |
    sed 's/, /,/g'
}

# Lines in nginx's access log so far, to read a later run's requests alone.
front_log_lines() { wc -l < "$front_access_log" 2>/dev/null || echo 0; }

# Shows every log of the front and its upstreams, then stops them all.
front_cleanup() {
  local name
  front_stop
  for name in "${!upstream_pids[@]}"; do upstream_stop "$name"; done
  if [ -s "${front_access_log:-}" ]; then echo "--- nginx access log"; cat "$front_access_log"; fi
  if [ -s "${front_error_log:-}" ]; then echo "--- nginx error log"; cat "$front_error_log"; fi
  for name in "${!upstream_ports[@]}"; do
    echo "--- upstream $name (127.0.0.1:${upstream_ports[$name]})"
    cat "$work/$name.log" 2>/dev/null
    [ -s "$work/$name-reports.txt" ] && { echo "--- reports of upstream $name"; cat "$work/$name-reports.txt"; }
  done
  true
}
