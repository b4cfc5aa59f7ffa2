#!/usr/bin/env bash
# The update list carries a newer build of the installer: the wait window fetches it, the
# process ends and the newer build starts from the temporary folder as
# TavoraStudentInstaller2.exe with the same command line, and finishes the update there.
# Usage: self_update.sh WINDOWS_TREE HOST_TREE NEXT_INSTALLER
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"
[ -f "$next_installer" ] || { echo "no newer installer build at '$next_installer'" >&2; exit 1; }

stage_installed_client "$sample/release-1.0.0.0" "$installer"
client=$work/client-1.1.0.0
mkdir -p "$client"
cp "$sample/release-1.1.0.0"/* "$next_installer" "$client/"
publish_release "$client" 1.1.0.0 "$work/published" || exit 1
service_start "$work/published" || exit 1
module=$(published_file "$work/published" TavoraStudentInstaller .exe.gz)

start_installer "$installer" "$run_dir" after the self update
first_pid=$pid
wait_window=$(wait_small_window 30)
check "the wait window comes up" test -n "$wait_window"
check "it is the small window" test "$(window_size "$wait_window")" = 300x190
# Looked at until painted; it may also be gone already, the download being small.
wait_painted() { screenshot_window "$wait_window" "$work/wait.png" &&
  shows_background "$work/wait.png" bg_install.png 200x60+20+10 300x190; }
check "it shows the skin's background" wait_for 3 wait_painted
echo "     (window type: $(xprop -id "$wait_window" _NET_WM_WINDOW_TYPE 2>/dev/null | sed 's/.*= //'))"
check "the first process ends" wait_exit "$first_pid" 60
check "it fetched the newer installer" grep -qF "GET /releases/1.1.0.0/${module##*/} 200" "$service_log"
check "the newer build waits in the temporary folder as TavoraStudentInstaller2.exe" \
  cmp -s "$next_installer" "$temp_dir/TavoraStudentInstaller2.exe"
check "the newer build is started with the same command line" \
  wait_for 20 eval '[[ "$(wine_command_line TavoraStudentInstaller2.exe)" =~ TavoraStudentInstaller2\.exe\"?\ after\ the\ self\ update$ ]]'
echo "     (started: $(wine_command_line TavoraStudentInstaller2.exe))"

follow_from_welcome || exit 1
check "the welcome window of the newer build offers the update" \
  shows_image "$work/welcome.png" btn_update_normal.png 239 283 bg_install.png
check "the update ends in the complete window" test "$last_kind" = complete
click_at $drive_btn_experience
check "the newer build ends" wait_for 30 program_gone TavoraStudentInstaller2.exe
check "the updated client starts with the command line" client_started_with 'after the self update' 20
check "the installation folder holds the 1.1.0.0 release and the newer installer" same_files "$client" "$install_dir"
check "no second wait window came (a temporary copy skips the self-update check)" \
  test "$(grep -c "GET /releases/1.1.0.0/${module##*/}" "$service_log")" -le 2
drive_finish
