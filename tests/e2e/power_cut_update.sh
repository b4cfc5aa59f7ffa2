#!/usr/bin/env bash
# An update from 1.0.0.0 to 1.1.0.0 ended as a power cut would end it, at 20 points spread
# over the download, the copy of the modules and the unpack of a large locales.zip, each
# followed by a fresh start of the installer: the folder then holds exactly the 1.0.0.0 or
# exactly the 1.1.0.0 files, with the matching DisplayVersion, nothing left over, and the
# client starts. Prints one table line per point.
# Usage: power_cut_update.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"
source "$drive_support/power_cut.sh"

# 1.1.0.0 with a locales.zip of 241 items, 1.5 MB that do not compress: its download can be
# slowed, and its unpack writes one journal line per item.
mkdir -p "$work/client-1.0.0.0" "$work/client-1.1.0.0"
cp "$sample/release-1.0.0.0"/* "$installer" "$work/client-1.0.0.0/"
cp "$sample/release-1.1.0.0"/* "$installer" "$work/client-1.1.0.0/"
python3 - "$work/client-1.1.0.0/locales.zip" <<'PY' || exit 1
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "a", zipfile.ZIP_DEFLATED) as archive:
    for n in range(236):
        archive.writestr("locales/pack/%03d/item.dat" % n if n % 4 == 0 else "locales/pack/%03d.dat" % n, os.urandom(6400))
PY
for version in 1.0.0.0 1.1.0.0; do
  publish_release "$work/client-$version" "$version" "$work/published-$version" || exit 1
done
cut_download_name=locales
locales_size=$(stat -c %s "$(published_file "$work/published-1.1.0.0" locales .zip.gz)")
# 400 kB/s: the locales download takes about 4 s.
cutting_stand_in_start "$work/published-1.1.0.0" locales 400000 || exit 1
drive_cleanup_stand_in() {
  kill "$drive_proxy_pid" 2>/dev/null; wait "$drive_proxy_pid" 2>/dev/null; drive_proxy_pid=
  service_stop
}

stage_installed_client "$work/client-1.0.0.0"
old_digest=$(folder_digest "$install_dir")
set_version() { wine_tool reg add "$drive_uninstall_key" /v DisplayVersion /d "$1" /f </dev/null >/dev/null 2>&1; }
shown_version() { uninstall_values | sed -n 's/^DisplayVersion=//p'; }
update_due() { sed -i 's/updatetime value="[^"]*"/updatetime value="2000-Jan-01"/' "$config_dir/config.xml" 2>/dev/null; true; }
back_to_old() {
  rm -rf "$install_dir" && stage_installed_client "$work/client-1.0.0.0"
  set_version 1,0,0,0
  update_due
}

echo "== an update that is not cut off, for the folder it leaves"
back_to_old
run_to_last_window "$installer" || exit 1
check "the update ends in the complete window" test "$last_kind" = complete
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30
stop_wine_program TavoraStudent.exe
new_digest=$(folder_digest "$install_dir")
check "the 1.1.0.0 folder differs from the 1.0.0.0 folder" test "$new_digest" != "$old_digest"
check "... and holds the 241 locale files" test "$(find "$install_dir/locales" -type f | wc -l)" -eq 241

# The points: bytes of the locales download (slowed), then lines of the journal, once the
# downloads pass at full speed (one header line, a touch and a kept line per module copied,
# then a line per locale folder and item; about 260 in all), and one after the commit.
download_points="download:$((locales_size / 8)) download:$((locales_size * 3 / 8)) download:$((locales_size * 5 / 8))
download:$((locales_size * 7 / 8))"
journal_points="journal:1 journal:2 journal:3 journal:5 journal:7 journal:9 journal:11 journal:20 journal:50
journal:90 journal:130 journal:170 journal:210 journal:240 journal:255 journal:100000"
printf '     %-16s | %-38s | %-22s | %s\n' point "found when the power went" "what the next start did" "afterwards"
for point in $download_points $journal_points; do
  if [ "$point" = journal:1 ]; then
    drive_cleanup_stand_in
    service_start "$work/published-1.1.0.0" || exit 1
  fi
  back_to_old
  : > "$run_dir/quill.log"
  check "the cut at $point lands" power_cut_after "${point%%:*}" "${point##*:}"
  mixed=0
  for f in "$work/client-1.0.0.0"/*; do
    n=${f##*/}; cmp -s "$f" "$install_dir/$n" || mixed=$((mixed + 1))
  done
  [ "$cut_ran_out" = 1 ] && cut_found="ran to its end first"
  found="$cut_found, $mixed new"
  start_installer "$installer" "$run_dir"
  check "the next start ($point) ends by itself" watch_until_exit "$pid" 60
  did=$(grep -o 'an install cut off by the end of its run was [a-z]*' "$run_dir/quill.log" | tail -n 1 | awk '{ print $NF }')
  started=no
  client_started_with '' 20 && started=yes
  stop_wine_program TavoraStudent.exe
  digest=$(folder_digest "$install_dir")
  after=mixed
  [ "$digest" = "$old_digest" ] && after="1.0.0.0 ($(shown_version))"
  [ "$digest" = "$new_digest" ] && after="1.1.0.0 ($(shown_version))"
  left=$(leftovers)
  printf '     %-16s | %-38s | %-22s | %s, client %s%s\n' "$point" "$found" "${did:-nothing to do}" "$after" "$started" \
    "${left:+, LEFT: $left}"
  check "after $point the folder is one release, not a mixture" test "$after" != mixed
  check "... its DisplayVersion names that release" eval '[[ $after == "1.0.0.0 (1,0,0,0)" || $after == "1.1.0.0 (1,1,0,0)" ]]'
  check "... nothing is left over" test -z "$left"
  check "... the client starts" test "$started" = yes
done
drive_finish
