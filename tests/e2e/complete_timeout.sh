#!/usr/bin/env bash
# A first install whose complete window is left alone: it closes by itself after about
# 5 s and the client starts.
# Usage: complete_timeout.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

publish_release "$sample/release-1.0.0.0" 1.0.0.0 "$work/published" || exit 1
service_start "$work/published" || exit 1

run_to_last_window "$installer" || exit 1
shown_at=$last_seen_at
check "the install ends in the complete window" test "$last_kind" = complete
check "the complete window closes by itself" wait_for 20 window_gone "$last_window"
closed_at=$(date +%s.%N)
open_for=$(awk -v a="$shown_at" -v b="$closed_at" 'BEGIN { printf "%.1f", b - a }')
echo "     (it stayed $open_for s after it was first seen)"
# Found within 0.2 s of being mapped, its end noticed within about 0.3 s. Under Wine here
# every installer window also stays on screen about 2 s after it was closed, so a window
# that closes at 5 s is seen for about 7 s; a loaded machine adds a little more.
check "... after about 5 s" awk -v s="$open_for" 'BEGIN { exit !(s >= 4.5 && s <= 9) }'
check "the installer ends" wait_exit "$installer_pid" 30
check "the installed client starts (without parameters, as the installer had none)" client_started_with '' 20
drive_finish
