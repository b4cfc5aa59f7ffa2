# Ends a running installer as a power cut would: at a chosen point of its download or of its
# changes to the installation folder, every Wine process of the installer is killed at once
# (SIGKILL: no code of the installer runs afterwards). Sourced after installer_drive.sh.
#
#   power_cut_after KIND AMOUNT   after the click on the welcome window's button: waits until
#                                 KIND (download: bytes of files named *$cut_download_name*
#                                 in the work folders; journal: lines of the install journal)
#                                 reaches AMOUNT, then kills; false (and the
#                                 installer stopped) when it never gets there. Sets cut_found ("download N" or
#                                 "journal N": what had happened when the kill landed) and
#                                 cut_ran_out (1 when the run ended, or committed and
#                                 removed its journal, before the point).

install_journal=$local_dir/TavoraInstaller.journal
roaming_dir=$profile/AppData/Roaming

download_bytes() {
  find "$roaming_dir" -path "$roaming_dir/TavoraInstaller[0-9]*/*" -name "*$cut_download_name*.gz" -printf '%s\n' \
    2>/dev/null | awk '{ s += $1 } END { print s + 0 }'
}
journal_lines() { if [ -f "$install_journal" ]; then wc -l < "$install_journal"; else echo 0; fi; }

power_cut_after() {
  local kind=$1 amount=$2 pids end now seen=0
  cut_ran_out=0 cut_found=
  start_installer "$installer" "$run_dir"
  installer_pid=$pid
  if ! welcome=$(wait_installer_window 30); then
    stop_wine_program TavoraStudentInstaller.exe
    cut_found=
    echo "     no welcome window came up" >&2
    return 1
  fi
  pids=$(wine_pids TavoraStudentInstaller.exe)
  # shellcheck disable=SC2086
  click_at $drive_btn_install
  end=$((SECONDS + 60))
  while :; do
    if [ "$kind" = download ]; then now=$(download_bytes); else now=$(journal_lines); fi
    [ "$now" -ge "$amount" ] && break
    [ "$(journal_lines)" -gt 0 ] && seen=1
    [ "$seen" = 1 ] && [ ! -f "$install_journal" ] && { cut_ran_out=1; break; }
    kill -0 $pids 2>/dev/null || { cut_ran_out=1; break; }
    if [ $SECONDS -ge $end ]; then
      stop_wine_program TavoraStudentInstaller.exe
      echo "     no progress to $kind $amount" >&2
      return 1
    fi
    sleep 0.01
  done
  # shellcheck disable=SC2086
  kill -KILL $pids 2>/dev/null
  wait_for 10 program_gone TavoraStudentInstaller.exe
  wait "$installer_pid" 2>/dev/null
  cut_found="download $(download_bytes) B, journal $(journal_lines) lines"
}

# Files under folder $1 with their checksums, one per line, sorted: two folders hold the same
# release when these are equal.
folder_digest() { (cd "$1" 2>/dev/null && find . -type f -exec md5sum {} + | sort -k 2); }

# Kept copies, temp files, the journal and work folders a run leaves only when cut off.
leftovers() {
  find "$install_dir" -name '*.tavora-old' -o -name '*.tavora-part' 2>/dev/null
  [ -f "$install_journal" ] && echo "$install_journal"
  ls -d "$roaming_dir"/TavoraInstaller[0-9]* 2>/dev/null
  true
}
