#!/usr/bin/env bash
# A user who closes the welcome window with its close button: nothing else is shown,
# nothing is fetched, installed or started.
# Usage: welcome_closed.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

publish_release "$sample/release-1.0.0.0" 1.0.0.0 "$work/published" || exit 1
service_start "$work/published" || exit 1

start_installer "$installer" "$run_dir" hello
installer_pid=$pid
welcome=$(wait_installer_window 30)
check "the welcome window comes up" test -n "$welcome" || exit 1
check "it is the welcome window" test "$(capture_kind "$welcome" "$work/welcome.png")" = welcome
check "it has its close button" shows_image "$work/welcome.png" btn_close_normal.png 570 0 bg_install.png
check "btnClose takes the click" click_at $drive_btn_close
check "the installer ends" watch_until_exit "$installer_pid" 30
check "no other window came" test "${windows_seen:-0}" -eq 1
check "it exits with code 0" test "${exit_code:-1}" -eq 0
sleep 2
check "nothing is started" program_gone TavoraStudent.exe
check "nothing was fetched" test -z "$(fetched_files)"
check "nothing is installed" test ! -e "$install_dir"
check "no shortcut is written" test ! -e "$desktop_link" -a ! -e "$start_menu_dir"
check "no uninstall entry is written" uninstall_entry_absent
drive_finish
