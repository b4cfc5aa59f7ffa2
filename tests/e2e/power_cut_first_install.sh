#!/usr/bin/env bash
# A first install ended as a power cut would end it, at 10 points spread over the package
# download, the unpack into the new installation folder and the shortcuts and entry, each
# followed by a fresh start: the cut-off run leaves no folder, shortcut or entry of its own
# (or, cut after its commit, a complete install), and the next run completes the install.
# Usage: power_cut_first_install.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"
source "$drive_support/power_cut.sh"

release=$sample/release-1.0.0.0
publish_release "$release" 1.0.0.0 "$work/published" || exit 1
cut_download_name=TavoraStudent-
package_size=$(stat -c %s "$(published_file "$work/published" TavoraStudent .zip.gz)")
# 40 kB/s: the package download takes about 3 s.
cutting_stand_in_start "$work/published" TavoraStudent- 40000 || exit 1

# Folders the first install creates; a cut-off run must leave none of them behind.
made_by_install() {
  for path in "$maker_dir" "$desktop_link" "$programs_dir/Quillnet"; do [ -e "$path" ] && echo "${path#"$profile/"}"; done
  uninstall_entry_absent || echo "the uninstall entry"
  true
}

points="download:$((package_size / 6)) download:$((package_size * 2 / 6)) download:$((package_size * 3 / 6))
download:$((package_size * 4 / 6)) download:$((package_size * 5 / 6)) journal:1 journal:3 journal:6 journal:10
journal:100000"
printf '     %-16s | %-36s | %-30s | %s\n' point "found when the power went" "found by the next start" "the next run"
for point in $points; do
  if [ "$point" = journal:1 ]; then
    # The unpack points need no slow download.
    kill "$drive_proxy_pid" 2>/dev/null; wait "$drive_proxy_pid" 2>/dev/null; drive_proxy_pid=
    service_stop
    service_start "$work/published" || exit 1
  fi
  reset_profile
  : > "$run_dir/quill.log"
  check "the cut at $point lands" power_cut_after "${point%%:*}" "${point##*:}"
  [ "$cut_ran_out" = 1 ] && cut_found="ran to its end first"
  # The next start repairs the cut-off run before it shows its first window: what is left
  # is looked at while the welcome window is up, then the install is driven to its end.
  start_installer "$installer" "$run_dir"
  installer_pid=$pid
  if [ "$cut_ran_out" = 1 ]; then
    # Cut after its commit, at the complete window: installed, so the next start starts it.
    left="a complete install"
    same_files "$release" "$install_dir" >/dev/null || left="PART OF AN INSTALL"
    next=FAILED
    watch_until_exit "$installer_pid" 60 && client_started_with '' 20 && next="client started"
    stop_wine_program TavoraStudent.exe
  elif ! wait_installer_window 30 >/dev/null; then
    left="no window"
    next="FAILED"
  else
    if [ -f "$install_dir/TavoraStudent.exe" ]; then
      left="a complete install"
      same_files "$release" "$install_dir" >/dev/null || left="PART OF AN INSTALL"
    else
      left=$(made_by_install | tr '\n' ' ')
    fi
    [ -f "$install_journal" ] && left="${left}journal "
    next=installed
    follow_from_welcome >/dev/null && [ "$last_kind" = complete ] || next=FAILED
    click_at $drive_btn_experience
    wait_exit "$installer_pid" 30 || next="FAILED to end"
    stop_wine_program TavoraStudent.exe
  fi
  did=$(grep -o 'an install cut off by the end of its run was [a-z]*' "$run_dir/quill.log" | tail -n 1 | awk '{ print $NF }')
  complete=yes
  same_files "$release" "$install_dir" >/dev/null || complete=no
  [ -f "$desktop_link" ] && [ -f "$start_menu_dir/Qelvo.lnk" ] || complete=no
  grep -qx 'DisplayVersion=1,0,0,0' <<< "$(uninstall_values)" || complete=no
  extra=$(leftovers)
  printf '     %-16s | %-36s | %-30s | %s (repair: %s), complete %s%s\n' "$point" "$cut_found" "${left:-nothing}" \
    "$next" "${did:-none}" "$complete" "${extra:+, LEFT: $extra}"
  check "after $point the repaired folder is absent or a complete install" \
    eval '[[ $left == "a complete install" || $left == "" ]]'
  check "... the next run completes the install" test "$complete" = yes
  check "... nothing is left over" test -z "$extra"
done
drive_finish
