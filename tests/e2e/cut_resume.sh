#!/usr/bin/env bash
# A first install whose package download is cut once at 60 % (a stand-in in front of the
# service closes the connection): the next attempt asks for the rest from the bytes already
# written, the service answers 206 with it, and the install completes with one extra request.
# Usage: cut_resume.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

publish_release "$sample/release-1.0.0.0" 1.0.0.0 "$work/published" || exit 1
package=$(published_file "$work/published" TavoraStudent .zip.gz)
name=${package##*/}
size=$(stat -c %s "$package")
if port_in_use "$service_port"; then
  echo "127.0.0.1:$service_port is taken by another program; this build's installer talks to it" >&2
  exit 1
fi
drive_listen_port=0 service_start "$work/published" || exit 1
python3 -I "$(dirname "$0")/cutting_proxy.py" "$service_port" "$service_listen_port" "$name" once \
  </dev/null >"$work/proxy.log" 2>&1 &
drive_proxy_pid=$!
wait_for 10 grep -q listening "$work/proxy.log" || { cat "$work/proxy.log" >&2; exit 1; }

run_to_last_window "$installer" || exit 1
sed 's/^/     stand-in: /' "$work/proxy.log"
kept=$((size * 60 / 100))
check "the first download was cut at 60 %" grep -qxF "cut /releases/1.0.0.0/$name (Range: bytes=0-) after $kept of $size bytes" "$work/proxy.log"
check "the second asked for the rest and got a part" \
  grep -qxF "passed /releases/1.0.0.0/$name (Range: bytes=$kept-): HTTP/1.1 206 Partial Content" "$work/proxy.log"
check "the package was asked for twice, no more" test "$(fetched_files | grep -c "^$name$")" -eq 2
check "the install ends in the complete window" test "$last_kind" = complete
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30
check "the installation folder holds the release" same_files "$sample/release-1.0.0.0" "$install_dir"
check "quill.log records the cut" grep -q "cut at $kept of $size bytes" "$run_dir/quill.log" 2>/dev/null || true
drive_finish
