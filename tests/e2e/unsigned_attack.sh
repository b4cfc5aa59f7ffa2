#!/usr/bin/env bash
# The documented limit of an installer built without a release key: an attacker on the
# network path who rewrites the update list to name a program of its own as a newer
# installer, with the check value of its bytes in the name, has that program downloaded and
# started by the self-update. The same attack against a build with a key: signed_attacks.sh.
# Usage: unsigned_attack.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"
attacker_program=$recorder
forget_attacker_traces() { rm -f "$temp_dir/launched.txt"; }
drive_cleanup_hooks+=(forget_attacker_traces)
forget_attacker_traces

stage_installed_client "$sample/release-1.0.0.0" "$installer"
publish_release "$sample/release-1.1.0.0" 1.1.0.0 "$work/published" || exit 1
drive_listen_port=0 service_start "$work/published" || exit 1
attacker_start name-installer "$attacker_program" || exit 1

start_installer "$installer" "$run_dir" from the attacked update
installer_pid=$pid
check "the wait window comes up for the named program" test -n "$(wait_small_window 30)"
check "the installer ends" wait_exit "$installer_pid" 60
check "the attacker served its program" grep -q '^served /releases/1.1.0.0/TavoraStudentInstaller-[0-9a-f]\{16\}\.exe\.gz with' "$work/attacker.log"
check "the attacker's program waits in the temporary folder" cmp -s "$attacker_program" "$temp_dir/TavoraStudentInstaller2.exe"
check "the attacker's program ran, with the installer's command line" \
  wait_for 20 grep -q 'TavoraStudentInstaller2\.exe"\? from the attacked update' "$temp_dir/launched.txt"
echo "     (launched: $(tr -d '\r' < "$temp_dir/launched.txt" 2>/dev/null))"
check "no failure report was sent: nothing looked wrong to the installer" not grep -q ' type=4 ' "$reports"
sed 's/^/     attacker: /' "$work/attacker.log"
drive_finish
