#!/usr/bin/env bash
# Uninstall from the installed copy, as the uninstall shortcut starts it: the first process
# shows nothing and starts its copy in the temporary folder; the copy's uninstall window
# removes the client (stopping it), its shortcuts and its uninstall entry, and keeps another
# product's folder beside it.
# Usage: uninstall.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"
sibling=$maker_dir/OtherProduct
trap 'rm -rf "$sibling"; drive_test_end' EXIT

echo "== install"
client=$work/client-1.0.0.0
mkdir -p "$client"
cp "$sample/release-1.0.0.0"/* "$installer" "$client/"
publish_release "$client" 1.0.0.0 "$work/published" || exit 1
service_start "$work/published" || exit 1
run_to_last_window "$installer" || exit 1
click_at $drive_btn_experience
check "the install ends" wait_exit "$installer_pid" 30
check "the client runs" client_started_with '' 20
check "the installed copy of the installer is in place" test -f "$install_dir/TavoraStudentInstaller.exe"
check "the uninstall entry is in place" grep -q '^UninstallString=' <<< "$(uninstall_values)"
mkdir -p "$sibling" && echo keep > "$sibling/settings.ini"
service_stop

echo "== uninstall"
start_installer "$install_dir/TavoraStudentInstaller.exe" "$run_dir" uninstall
check "the first process ends by itself" watch_until_exit "$pid" 30
check "... without a window" test "${windows_seen:-1}" -eq 0
check "its copy in the temporary folder is started with the word uninstall" \
  wait_for 20 eval '[[ "$(wine_command_line TavoraStudentInstaller2.exe)" =~ Temp\\TavoraStudentInstaller2\.exe\"?\ uninstall$ ]]'
window=$(wait_installer_window 30)
check "the uninstall window comes up" test -n "$window" || exit 1
check "it is the uninstall window" test "$(capture_kind "$window" "$work/uninstall-ready.png")" = uninstall
check "it offers the uninstall button" shows_image "$work/uninstall-ready.png" btn_uninstall_normal.png 241 251 bg_uninstall.png
check "btnUninstall takes the click" click_at $drive_btn_uninstall
# The removal runs about 1.4 s on a fixed schedule, then the finish button shows.
done_shown() { screenshot_window "$window" "$work/uninstall-done.png" &&
  shows_image "$work/uninstall-done.png" btn_uni_complete_normal.png 241 251 bg_uninstall.png; }
check "the finish button comes after the removal" wait_for 20 done_shown
check "btnUniComplete takes the click" click_at $drive_btn_uninstall
check "the uninstall window closes" wait_for 20 window_gone "$window"
check "the copy ends" wait_for 20 program_gone TavoraStudentInstaller2.exe
check "the client was stopped" program_gone TavoraStudent.exe
check "the client folder is gone" test ! -e "$install_dir"
check "the desktop shortcut is gone" test ! -e "$desktop_link"
check "the Start-menu folder is gone" test ! -e "$start_menu_dir"
check "the uninstall entry is gone" uninstall_entry_absent
check "the other product's folder is kept" grep -qx keep "$sibling/settings.ini"
sleep 2
check "nothing is started afterwards" program_gone TavoraStudent.exe
drive_finish
