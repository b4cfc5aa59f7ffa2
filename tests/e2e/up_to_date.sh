#!/usr/bin/env bash
# An installed client that is current: the daily check asks the service, finds nothing
# newer and starts the client without a window; a second run the same day starts the
# client without asking the service at all.
# Usage: up_to_date.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

release=$sample/release-1.0.0.0
publish_release "$release" 1.0.0.0 "$work/published-1.0.0.0" || exit 1
service_start "$work/published-1.0.0.0" || exit 1
stage_installed_client "$release" "$installer"

echo "== first run of the day"
start_installer "$installer" "$run_dir" hello world
check "the installer ends by itself" watch_until_exit "$pid" 60
check "it shows no window and no message box" test "${windows_seen:-1}" -eq 0
check "it asked for the server time and the update list" \
  test "$(requested_paths | tr '\n' ' ')" = "/cgi-bin/timestamp/ /cgi-bin/service "
check "it fetched no release file" test -z "$(fetched_files)"
check "the installed client starts with the installer's command line" client_started_with 'hello world' 20
echo "     (client: ${client_command_line:-none})"
check "the client's window comes up" wait_for 20 window_titled_shown "$drive_client_title" TavoraStudent.exe
check "the installed files are untouched" same_files "$release" "$install_dir"
check "config.xml records the day of the check" grep -q "updatetime value=\"$(date +%Y-%b-%d)\"" "$config_dir/config.xml"
stop_wine_program TavoraStudent.exe
# An installer still alive would hold the single-instance mutex and end the next run at once.
check "no installer of the first run is left" wait_for 10 program_gone TavoraStudentInstaller

echo "== second run the same day"
requests_before=$(requested_paths | wc -l)
start_installer "$installer" "$run_dir" second run
check "the installer ends by itself" watch_until_exit "$pid" 60
check "it shows no window" test "${windows_seen:-1}" -eq 0
check "the installed client starts again, with this run's command line" client_started_with 'second run' 20
sleep 1
check "no request reached the service" test "$(requested_paths | wc -l)" -eq "$requests_before"
drive_finish
