#!/usr/bin/env bash
# An installed 1.0.0.0 client (installed through the windows, still running) updated to
# 1.1.0.0: the welcome window in update mode, only the changed modules fetched, "update
# succeeded" on the complete window, the new client started.
# Usage: update.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

for version in 1.0.0.0 1.1.0.0; do
  mkdir -p "$work/client-$version"
  cp "$sample/release-$version"/* "$installer" "$work/client-$version/"
  publish_release "$work/client-$version" "$version" "$work/published-$version" || exit 1
done

echo "== install 1.0.0.0"
service_start "$work/published-1.0.0.0" || exit 1
run_to_last_window "$installer" || exit 1
check "the install ends in the complete window" test "$last_kind" = complete
cp "$work/complete.png" "$work/complete-install.png"
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30
check "the 1.0.0.0 client starts" client_started_with '' 20
old_client=$(wine_pids TavoraStudent.exe)
service_stop

echo "== update to 1.1.0.0"
service_start "$work/published-1.1.0.0" || exit 1
run_to_last_window "$installer" from the update || exit 1
check "the welcome window offers the update button" \
  shows_image "$work/welcome.png" btn_update_normal.png 239 283 bg_install.png
check "... not the install button" not shows_image "$work/welcome.png" btn_install_normal.png 239 283 bg_install.png
check "... no agreement box" eval '! shows_image "$work/welcome.png" chk_check.png 224 333 bg_install.png &&
  ! shows_image "$work/welcome.png" chk_uncheck.png 224 333 bg_install.png'
check "... and no close button" shows_background "$work/welcome.png" bg_install.png 30x30+570+0
check "the update ends in the complete window" test "$last_kind" = complete
# Both wordings start with the same three characters ("恭喜你, ") and have the same width.
left=72x24+201+230 right=90x24+285+230
same_part() { local a b; a=$(mktemp --suffix=.png) b=$(mktemp --suffix=.png)
  convert "$1" -crop "$3" +repage "$a"; convert "$2" -crop "$3" +repage "$b"
  distance_small "$(picture_distance "$a" "$b")"; local r=$?; rm -f "$a" "$b"; return $r; }
check "its status line starts like the install wording" same_part "$work/complete.png" "$work/complete-install.png" "$left"
check "... and ends in other words (更新成功, not 安装完成)" not same_part "$work/complete.png" "$work/complete-install.png" "$right"
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30

changed=$(for f in "$work/client-1.1.0.0"/*; do
  n=${f##*/}; cmp -s "$f" "$work/client-1.0.0.0/$n" || echo "${n%.*}"; done | sort | tr '\n' ' ')
fetched=$(fetched_files | grep -v '^TavoraStudent-.*\.zip\.gz$' | sed 's/-[0-9a-f]\{16\}\..*$//' | sort | tr '\n' ' ')
echo "     (changed: $changed; fetched in the update: $fetched)"
check "exactly the changed modules are fetched" test "$fetched" = "$changed"
check "the running 1.0.0.0 client was stopped" eval '! kill -0 '"${old_client:-0}"' 2>/dev/null'
check "the new client starts with the installer's command line" client_started_with 'from the update' 20
check "the installation folder holds the 1.1.0.0 files" same_files "$work/client-1.1.0.0" "$install_dir"
check "the new locales are unpacked" test -f "$install_dir/locales/zh-TW/strings.ini"
check "the uninstall entry names the version now installed" grep -qx 'DisplayVersion=1,1,0,0' <<< "$(uninstall_values)"
drive_finish
