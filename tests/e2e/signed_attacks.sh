#!/usr/bin/env bash
# An installer built with a release key against an attacker on the network path, with the
# installed 1.0.0.0 client and the signed 1.1.0.0 release (carrying a newer signed installer):
#   1. the update list rewritten to name the attacker's program as a newer installer, with its
#      matching check value and SHA-256: refused before anything is downloaded;
#   2. an unsigned list (the release published without a key): refused the same way;
#   3. the signed list untouched but the installer module's bytes swapped on the way: the wait
#      window downloads them and refuses them before they are expanded or started.
# Each ends in the error window with a failure report naming the check that failed, the
# offline page behind the package button, nothing installed and nothing started.
# Usage: signed_attacks.sh WINDOWS_TREE HOST_TREE NEXT_INSTALLER SIGNED_INSTALLER SIGNED_NEXT_INSTALLER
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"
[ -f "$signed_installer" ] && [ -f "$signed_next_installer" ] || { echo "no signed installer builds given" >&2; exit 1; }
# The attacker's program: it writes its command line beside itself when it runs.
attacker_program=$recorder
forget_attacker_traces() { rm -f "$temp_dir/launched.txt" "$temp_dir/TavoraStudentInstaller2.exe"; }
drive_cleanup_hooks+=(forget_attacker_traces)

stage_installed_client "$sample/release-1.0.0.0" "$signed_installer"
client=$work/client-1.1.0.0
mkdir -p "$client"
cp "$sample/release-1.1.0.0"/* "$signed_next_installer" "$client/"
publish_signed_release "$client" 1.1.0.0 "$work/signed" || exit 1
publish_release "$client" 1.1.0.0 "$work/unsigned" || exit 1
fake_browser "$run_dir"
offline="http://$web_host/qlv/download/?type=student"

# Runs the installed signed installer (as its shortcut would) to the error window and checks
# what it left: report line $1, and for the record the run's name $2.
run_to_refusal() {
  local line=$1 name=$2 error_window
  forget_attacker_traces
  : > "$run_dir/launched.txt"
  # Each run is the first of its day: the update check is due.
  rm -rf "$config_dir"
  start_installer "$install_dir/TavoraStudentInstaller.exe" "$run_dir"
  installer_pid=$pid
  error_window=$(wait_installer_window 60)
  check "$name: a window comes up" test -n "$error_window" || return 1
  check "$name: it is the error window" test "$(capture_kind "$error_window" "$work/$name.png")" = error
  check "$name: a type 4 report reaches the service" wait_for 10 grep -q ' type=4 ' "$reports"
  check "$name: ... naming the check: $line" grep -qF "$line" "$reports"
  click_at $drive_btn_package
  check "$name: the package button opens the offline page" \
    wait_for 20 grep -qxF "\"IEXPLORE\" $offline" "$run_dir/launched.txt"
  check "$name: the installer ends" wait_exit "$installer_pid" 30
  sleep 2
  check "$name: no client is started" test -z "$(wine_pids TavoraStudent.exe)"
  check "$name: no program waits in the temporary folder" test ! -e "$temp_dir/TavoraStudentInstaller2.exe"
  check "$name: the attacker's program never ran" test ! -e "$temp_dir/launched.txt"
  check "$name: the installed 1.0.0.0 files are untouched" same_files "$sample/release-1.0.0.0" "$install_dir"
}

echo "== 1. the list rewritten to name the attacker's program as a newer installer"
rm -f "$reports"
drive_listen_port=0 service_start "$work/signed" || exit 1
attacker_start name-installer "$attacker_program" || exit 1
run_to_refusal "CheckReleaseSignature(TavoraStudent) failed: the signature does not match the entry and the release key" renamed
check "renamed: the attacker did rewrite the list" grep -q '^named TavoraStudentInstaller-[0-9a-f]\{16\}\.exe in the update list' "$work/attacker.log"
check "renamed: nothing was downloaded" test -z "$(fetched_files)"
check "renamed: the attacker's file was never asked for" not grep -q '^served' "$work/attacker.log"
attacker_stop
service_stop

echo "== 2. an unsigned list"
rm -f "$reports"
service_start "$work/unsigned" || exit 1
run_to_refusal "CheckReleaseSignature(TavoraStudent) failed: the entry has no signature" unsigned
check "unsigned: nothing was downloaded" test -z "$(fetched_files)"
service_stop

echo "== 3. the signed list, but the installer module's bytes swapped on the way"
rm -f "$reports"
drive_listen_port=0 service_start "$work/signed" || exit 1
attacker_start swap TavoraStudentInstaller- "$attacker_program" || exit 1
module=$(published_file "$work/signed" TavoraStudentInstaller .exe.gz)
url="http://$service_host:$service_port/releases/1.1.0.0/${module##*/}"
run_to_refusal "CheckFileSha256($url) failed" swapped
check "swapped: the attacker served its program for the installer module" \
  grep -qF "served /releases/1.1.0.0/${module##*/} with" "$work/attacker.log"
check "swapped: the swapped bytes were not expanded" not ls "$profile/AppData/Roaming"/TavoraInstaller[0-9]*/TavoraStudentInstaller.exe
attacker_stop
sed 's/^/     attacker: /' "$work/attacker.log"
drive_finish
