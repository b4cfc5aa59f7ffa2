#!/usr/bin/env bash
# A first install on a machine without the client: welcome, install (the bar reaches its
# end), complete; the client starts at exit with the installer's command line, and the full
# package, the three shortcuts and the six uninstall values are in place.
# Usage: first_install.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

# The release carries the installer itself, as a real one does: it becomes the installed
# copy that the uninstall shortcut starts.
client=$work/client-1.0.0.0
mkdir -p "$client"
cp "$sample/release-1.0.0.0"/* "$installer" "$client/"
publish_release "$client" 1.0.0.0 "$work/published" || exit 1
service_start "$work/published" || exit 1

start_installer "$installer" "$run_dir" hello world
installer_pid=$pid
welcome=$(wait_installer_window 30)
check "the welcome window comes up" test -n "$welcome"
capture_kind "$welcome" "$work/welcome.png" > "$work/kind"
check "it is the welcome window" test "$(cat "$work/kind")" = welcome
check "it offers the install button" shows_image "$work/welcome.png" btn_install_normal.png 239 283 bg_install.png
check "its agreement box starts ticked" shows_image "$work/welcome.png" chk_check.png 224 333 bg_install.png
check "btnInstall takes the click" click_at 298 301

follow_install_window "$welcome" 60
check "the install window replaces it" test -n "$install_window"
check "the install window was seen working" test "$install_frames" -ge 1
check "its bar reaches the end" test "$install_bar_full" -eq 1
echo "     ($install_frames screenshots of the install window; bar short of the end in one: $install_bar_short)"

complete=$(wait_installer_window 30 600x380 "$welcome $install_window")
check "the complete window follows" test -n "$complete"
capture_kind "$complete" "$work/complete.png" > "$work/kind"
check "it is the complete window" test "$(cat "$work/kind")" = complete
check "btnExperience takes the click" click_at 299 290
check "the installer ends" wait_exit "$installer_pid" 30
check "it exits with code 0" test "${exit_code:-1}" -eq 0

check "the installed client starts with the installer's command line" client_started_with 'hello world' 20
echo "     (client: ${client_command_line:-none})"
check "the whole package is in the installation folder" same_files "$client" "$install_dir"
check "the full package was fetched once, and no single module" \
  test "$(fetched_files | tr '\n' ' ')" = "$(basename "$(published_file "$work/published" TavoraStudent .zip.gz)") "
check "the work folder is gone" test -z "$(ls -d "$profile/AppData/Roaming"/TavoraInstaller[0-9]* 2>/dev/null)"

client_win=$(windows_path "$install_dir/TavoraStudent.exe")
installer_win=$(windows_path "$install_dir/TavoraStudentInstaller.exe")
# A shortcut holds its target as a list of path parts, then working folder, arguments and
# icon as strings; the icon is the target itself.
link_of() { shortcut_text "$1" | tr '\n' '|'; }
for link in "$desktop_link" "$start_menu_dir/Qelvo.lnk" "$start_menu_dir/卸载Qelvo.lnk"; do
  echo "     (${link##*/}: $(link_of "$link"))"
done
client_parts='|Local|Quillmor|TavoraStudent|TavoraStudent.exe|'
check "the desktop shortcut starts the client" grep -qF "$client_parts" <<< "$(link_of "$desktop_link")"
check "... with its icon" grep -qF "$client_win|" <<< "$(link_of "$desktop_link")"
check "the Start-menu shortcut starts the client" grep -qF "$client_parts" <<< "$(link_of "$start_menu_dir/Qelvo.lnk")"
check "the Start-menu uninstall shortcut starts the installed copy" \
  grep -qF '|Local|Quillmor|TavoraStudent|TavoraStudentInstaller.exe|' <<< "$(link_of "$start_menu_dir/卸载Qelvo.lnk")"
check "... with the word uninstall" grep -qF '|uninstall|' <<< "$(link_of "$start_menu_dir/卸载Qelvo.lnk")"
expected="DisplayIcon=$client_win
DisplayName=Qelvo
DisplayVersion=1,0,0,0
Publisher=Quillnet
URLInfoAbout=http://$web_host/
UninstallString=$installer_win uninstall"
uninstall_values > "$work/values"
check "the six uninstall values are written" test "$(cat "$work/values")" = "$(sort <<< "$expected")"
cat "$work/values" | sed 's/^/     /'
drive_finish
