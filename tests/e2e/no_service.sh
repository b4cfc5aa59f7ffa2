#!/usr/bin/env bash
# Nothing listens where the update service should be: one message box says so, and nothing
# else happens (no window, nothing installed, nothing started).
# Usage: no_service.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

if port_in_use "$service_port"; then
  echo "127.0.0.1:$service_port is taken by another program; this run needs nothing listening there" >&2
  exit 1
fi

start_installer "$installer" "$run_dir"
installer_pid=$pid
box=$(wait_for_box 30)
check "a message box comes up" test -n "$box"
check "it says that connecting to the server failed" \
  grep -qxF '连接服务器失败, 请检查网络连接 !' <<< "$(box_text)"
check "no installer window is shown" test -z "$(windows_titled "$drive_title")"
press_box_ok
check "the installer ends when the box is closed" wait_exit "$installer_pid" 20
check "it exits with code 0" test "${exit_code:-1}" -eq 0
sleep 1
check "nothing is started" test -z "$(wine_pids TavoraStudent)"
check "nothing is installed" test ! -e "$install_dir"
check "no shortcut is written" test ! -e "$desktop_link" -a ! -e "$start_menu_dir"
check "no uninstall entry is written" uninstall_entry_absent
drive_finish
