#!/usr/bin/env bash
# Tests of make-nginx-conf, one behaviour per run: what it refuses, and what a real nginx
# started with its output does on 127.0.0.1 in front of real tavora-service upstreams.
# Usage: make_nginx_conf_test.sh CASE TAVORA_SERVICE
#   CASE: refuses-a-folder-without-entry | refuses-two-releases-at-one-path |
#         serves-the-plain-files-of-a-release | passes-service-paths-to-a-live-upstream
set -u
case_name=$1
service_exe=$2
maker=$(cd "$(dirname "$0")/.." && pwd)/make-nginx-conf
nginx_exe=$(command -v nginx || echo /usr/sbin/nginx)

work=$(mktemp -d "${TMPDIR:-/tmp}/make-nginx-conf-test.XXXXXX")
pids=()
nginx_pid=
# SIGTERM makes nginx stop its workers, then itself; a master killed outright would leave
# its workers running, so the last resort takes them first.
stop_all() {
  local pid
  if [ -n "$nginx_pid" ]; then
    kill -TERM "$nginx_pid" 2>/dev/null
    wait_for 10 eval '! kill -0 "$nginx_pid" 2>/dev/null' || kill -KILL $(pgrep -P "$nginx_pid") "$nginx_pid" 2>/dev/null
    wait "$nginx_pid" 2>/dev/null
    nginx_pid=
  fi
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  pids=()
}
finish() { local status=$?; stop_all; rm -rf "$work"; exit "$status"; }
trap finish EXIT
trap 'exit 1' INT TERM

failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
not() { ! "$@"; }
wait_for() {
  local end=$((SECONDS + $1)); shift
  while ! "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.1; done
}
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# A release folder as tavora-publish leaves it: entry.json naming download URL $2, and files.
make_release() {
  mkdir -p "$1"
  cat > "$1/entry.json" <<EOF
{"AppName": "TavoraStudent", "MainVersion": "1,0,0,0", "DownloadUrls": ["$2"], "Modules": []}
EOF
  head -c 70000 /dev/urandom > "$1/TavoraCore-0123456789abcdef.dll.gz"
}

# Starts tavora-service on a free port with release $1; its address goes to $upstream.
start_upstream() {
  local log=$work/upstream-$((${#pids[@]} + 1)).log
  "$service_exe" --release "$1" --listen 127.0.0.1:0 --reports "$log.reports" </dev/null >"$log" 2>&1 &
  pids+=($!)
  wait_for 10 grep -q 'listening on' "$log" || { cat "$log" >&2; return 1; }
  upstream=$(sed -n 's|.*listening on http://\(127\.0\.0\.1:[0-9]*\)/.*|\1|p' "$log")
}

# Starts nginx with the configuration make-nginx-conf wrote to $work/front.conf, listening
# on port $1, with its own pid, logs and temporary folders.
start_nginx() {
  local dir=$work/nginx temp
  mkdir -p "$dir"
  # Started by root, nginx reads files from workers running as "nobody".
  chmod a+rx "$work"
  {
    echo "worker_processes 1; pid $dir/nginx.pid; error_log $dir/error.log warn;"
    echo 'events { worker_connections 16; }'
    echo 'http {'
    for temp in client_body proxy fastcgi uwsgi scgi; do echo "  ${temp}_temp_path $dir/$temp;"; done
    # As a site's own nginx.conf may have it (Debian's turns gzip on): the front must not
    # compress the gzip'd files a second time.
    echo '  gzip on; gzip_types *; gzip_min_length 1;'
    echo "  access_log off; include $work/front.conf;"
    echo '}'
  } > "$dir/nginx.conf"
  "$nginx_exe" -p "$dir" -e "$dir/error.log" -c "$dir/nginx.conf" -g 'daemon off;' </dev/null >"$dir/out.log" 2>&1 &
  nginx_pid=$!
  wait_for 10 listening "$1" || { cat "$dir/out.log" "$dir/error.log" >&2; return 1; }
}

# Status code of GET $1 (curl's extra arguments follow); the body goes to $work/body.
status_of() { curl -s -o "$work/body" -D "$work/headers" -w '%{http_code}' --max-time 20 "$@"; }

case $case_name in
refuses-a-folder-without-entry)
  mkdir -p "$work/empty"
  echo 'kept' > "$work/front.conf"
  "$maker" --release "$work/empty" --listen 127.0.0.1:18380 --upstream 127.0.0.1:18381 \
    --out "$work/front.conf" 2>"$work/error"
  code=$?
  check "it exits with 1" test "$code" -eq 1
  check "it names the missing entry.json" grep -qF "$work/empty/entry.json" "$work/error"
  check "the output file is untouched" test "$(cat "$work/front.conf")" = kept
  "$maker" --release "$work/empty" --listen 127.0.0.1:18380 2>"$work/error"
  check "without an upstream it is a usage error (2)" test $? -eq 2
  ;;
refuses-two-releases-at-one-path)
  make_release "$work/one" http://127.0.0.1:18380/releases/1.0.0.0/
  make_release "$work/two" http://127.0.0.1:18380/releases/1.0.0.0
  "$maker" --release "$work/one" --release "$work/two" --listen 127.0.0.1:18380 \
    --upstream 127.0.0.1:18381 >"$work/out" 2>"$work/error"
  check "it exits with 1" test $? -eq 1
  check "it names both folders and the path" grep -qF "$work/one and $work/two are both served at /releases/1.0.0.0/" "$work/error"
  check "it writes no configuration" test ! -s "$work/out"
  ;;
serves-the-plain-files-of-a-release)
  port=$(free_port)
  make_release "$work/release" "http://127.0.0.1:$port/school/1.0.0.0/"
  mkdir -p "$work/release/sub" && echo inner > "$work/release/sub/inner.txt" && echo hidden > "$work/release/.hidden"
  start_upstream "$work/release" || exit 1
  "$maker" --release "$work/release" --listen "127.0.0.1:$port" --upstream "$upstream" --out "$work/front.conf" ||
    exit 1
  start_nginx "$port" || exit 1
  file=TavoraCore-0123456789abcdef.dll.gz
  base=http://127.0.0.1:$port/school/1.0.0.0
  check "a module with \"Range: bytes=0-\" is answered 206" test "$(status_of -H 'Range: bytes=0-' "$base/$file")" = 206
  check "... with the whole file's Content-Range" grep -qix $'content-range: bytes 0-69999/70000\r' "$work/headers"
  check "... and the whole file" cmp -s "$work/body" "$work/release/$file"
  status_of -H 'Accept-Encoding: gzip' "$base/$file" >/dev/null
  check "a client that takes gzip gets the file byte for byte, not compressed again" \
    eval 'cmp -s "$work/body" "$work/release/$file" && ! grep -qi "^content-encoding" "$work/headers"'
  check "without a range it is answered 200" test "$(status_of "$base/$file")" = 200
  check "entry.json is served as the service serves it" test "$(status_of "$base/entry.json")" = 200
  check "a file in a sub-folder is not" test "$(status_of "$base/sub/inner.txt")" = 404
  check "a hidden file is not" test "$(status_of "$base/.hidden")" = 404
  check "the folder itself is not listed" test "$(status_of "$base/")" = 404
  check "another path is not served" test "$(status_of "http://127.0.0.1:$port/$file")" = 404
  ;;
passes-service-paths-to-a-live-upstream)
  port=$(free_port)
  make_release "$work/release" "http://127.0.0.1:$port/releases/1.0.0.0/"
  start_upstream "$work/release" || exit 1
  first=$upstream first_pid=${pids[0]}
  start_upstream "$work/release" || exit 1
  second=$upstream
  "$maker" --release "$work/release" --listen "127.0.0.1:$port" --upstream "$first" --upstream "$second" \
    --out "$work/front.conf" || exit 1
  start_nginx "$port" || exit 1
  for n in 1 2; do
    check "time request $n is answered through nginx" test "$(status_of "http://127.0.0.1:$port/cgi-bin/timestamp/")" = 200
    check "... with the service's clock" grep -q '"SCX":{"TimeStamp":[1-9]' "$work/body"
  done
  check "the upstreams took turns" eval 'grep -c "GET /cgi-bin/timestamp/ 200" "$work/upstream-1.log" | grep -qx 1 &&
    grep -c "GET /cgi-bin/timestamp/ 200" "$work/upstream-2.log" | grep -qx 1'
  kill -KILL "$first_pid"
  wait "$first_pid" 2>/dev/null
  for n in 3 4; do
    check "with the first upstream gone, time request $n is answered" \
      test "$(status_of "http://127.0.0.1:$port/cgi-bin/timestamp/")" = 200
  done
  check "... by the second" eval 'grep -c "GET /cgi-bin/timestamp/ 200" "$work/upstream-2.log" | grep -qx 3'
  check "a signed request reaches the service (which refuses a bad query)" \
    eval 'test "$(status_of "http://127.0.0.1:$port/cgi-bin/service?RequestData=x&TimeStamp=1&MD5=0")" != 502 &&
      grep -q "GET /cgi-bin/service" "$work/upstream-2.log"'
  ;;
*)
  echo "unknown case '$case_name'" >&2
  exit 2
  ;;
esac
echo "$failures failure(s)"
[ "$failures" -eq 0 ]
