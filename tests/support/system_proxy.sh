# The Internet settings of the test prefix pointed at a proxy, and a real proxy (tinyproxy)
# on 127.0.0.1 to point them at. Sourced after installer_drive.sh; drive_cleanup stops the
# proxy and puts the settings back.

drive_internet_settings='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'

# The binary DefaultConnectionSettings of the LAN connection: flags (1 direct, 2 the proxy,
# 4 the configuration script), proxy $2, bypass list $3, script address $4.
connection_settings_blob() {
  python3 -c '
import struct, sys
flags = int(sys.argv[1])
server, bypass, script = (s.encode() for s in sys.argv[2:5])
text = lambda b: struct.pack("<I", len(b)) + b
print((struct.pack("<III", 0x46, 1, flags) + text(server) + text(bypass) + text(script) + bytes(32)).hex())' "$@"
}

# Writes proxy $1 ("host:port") with bypass list $2 as the control panel and group policy
# write them: the ProxyEnable, ProxyServer and ProxyOverride values, and the connection's
# settings (direct, then the proxy).
proxy_settings_set() {
  local server=$1 bypass=$2
  drive_stop_hooks+=(proxy_settings_clear)
  wine_tool reg add "$drive_internet_settings" /v ProxyEnable /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1 &&
    wine_tool reg add "$drive_internet_settings" /v ProxyServer /t REG_SZ /d "$server" /f </dev/null >/dev/null 2>&1 &&
    wine_tool reg add "$drive_internet_settings" /v ProxyOverride /t REG_SZ /d "$bypass" /f </dev/null >/dev/null 2>&1 &&
    wine_tool reg add "$drive_internet_settings\\Connections" /v DefaultConnectionSettings /t REG_BINARY \
      /d "$(connection_settings_blob 3 "$server" "$bypass" "")" /f </dev/null >/dev/null 2>&1
}

# Points the settings at configuration script $1 (an http:// address): the AutoConfigURL
# value and the connection's settings (direct, then the script).
proxy_script_set() {
  drive_stop_hooks+=(proxy_settings_clear)
  wine_tool reg add "$drive_internet_settings" /v AutoConfigURL /t REG_SZ /d "$1" /f </dev/null >/dev/null 2>&1 &&
    wine_tool reg add "$drive_internet_settings\\Connections" /v DefaultConnectionSettings /t REG_BINARY \
      /d "$(connection_settings_blob 5 "" "" "$1")" /f </dev/null >/dev/null 2>&1
}

# Back to a prefix that names no proxy.
proxy_settings_clear() {
  local value
  for value in ProxyEnable ProxyServer ProxyOverride AutoConfigURL; do
    wine_tool reg delete "$drive_internet_settings" /v "$value" /f </dev/null >/dev/null 2>&1
  done
  wine_tool reg delete "$drive_internet_settings\\Connections" /v DefaultConnectionSettings /f </dev/null >/dev/null 2>&1
  true
}

# Publishes the sample client 1.0.0.0 into $work/published under the name "localhost": the
# files sit on another host than the service, which the settings can send through the proxy
# while 127.0.0.1 (the service, and every other test of the prefix) stays direct.
publish_outside_release() {
  drive_release_host=localhost:$service_port
  publish_release "$sample/release-1.0.0.0" 1.0.0.0 "$work/published"
}

# Starts tinyproxy on a free port of 127.0.0.1 ($proxy_port), logging every request line to
# $proxy_log; with the argument "auth" it demands a user name and password (407) first.
proxy_start() {
  proxy_port=$(free_port)
  proxy_log=$work/proxy.log
  {
    echo "Port $proxy_port"
    echo "Listen 127.0.0.1"
    echo "Timeout 60"
    echo "LogFile \"$proxy_log\""
    echo "LogLevel Info"
    echo "MaxClients 50"
    echo "Allow 127.0.0.1"
    [ "${1:-}" = auth ] && echo "BasicAuth student secret"
  } > "$work/tinyproxy.conf"
  : > "$proxy_log"
  tinyproxy -d -c "$work/tinyproxy.conf" </dev/null >"$work/tinyproxy.out" 2>&1 &
  drive_proxy_pid=$!
  wait_for 10 grep -q 'Accepting connections' "$proxy_log" ||
    { echo "installer_drive: tinyproxy did not start:" >&2; cat "$work/tinyproxy.out" "$proxy_log" >&2; return 1; }
}

# The request lines the proxy was sent ("GET http://... HTTP/1.1"), one a line.
proxy_requests() { sed -n 's/.*Request (file descriptor [0-9]*): //p' "$proxy_log" 2>/dev/null; }
