#!/usr/bin/env bash
# An installer built with a release key (the test key) and releases signed with it: a first
# install of the signed 1.0.0.0 release, then the signed 1.1.0.0 release, which carries a
# newer signed build of the installer: the wait window fetches it, it starts from the
# temporary folder and finishes the update. No failure report is sent.
# Usage: signed_release.sh WINDOWS_TREE HOST_TREE NEXT_INSTALLER SIGNED_INSTALLER SIGNED_NEXT_INSTALLER
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"
[ -f "$signed_installer" ] && [ -f "$signed_next_installer" ] || { echo "no signed installer builds given" >&2; exit 1; }

for version in 1.0.0.0 1.1.0.0; do mkdir -p "$work/client-$version"; done
cp "$sample/release-1.0.0.0"/* "$signed_installer" "$work/client-1.0.0.0/"
cp "$sample/release-1.1.0.0"/* "$signed_next_installer" "$work/client-1.1.0.0/"
for version in 1.0.0.0 1.1.0.0; do
  publish_signed_release "$work/client-$version" "$version" "$work/published-$version" || exit 1
done
check "the publisher signed with the test key" grep -q '^signed with the release key ' "$work/publish-1.0.0.0.log"
check "the entry carries a signature" grep -q '"Signature": "[0-9a-f]\{128\}"' "$work/published-1.0.0.0/entry.json"

echo "== install the signed 1.0.0.0"
service_start "$work/published-1.0.0.0" || exit 1
run_to_last_window "$signed_installer" || exit 1
check "the install ends in the complete window" test "$last_kind" = complete
click_at $drive_btn_experience
check "the installer ends" wait_exit "$installer_pid" 30
check "the 1.0.0.0 client starts" client_started_with '' 20
check "the installation folder holds the 1.0.0.0 release" same_files "$work/client-1.0.0.0" "$install_dir"
stop_wine_program TavoraStudent.exe
service_stop

echo "== update to the signed 1.1.0.0 through the newer signed installer"
service_start "$work/published-1.1.0.0" || exit 1
module=$(published_file "$work/published-1.1.0.0" TavoraStudentInstaller .exe.gz)
start_installer "$signed_installer" "$run_dir" after the signed update
installer_pid=$pid
check "the wait window comes up" test -n "$(wait_small_window 30)"
check "the first process ends" wait_exit "$installer_pid" 60
check "it fetched the newer installer" grep -qF "GET /releases/1.1.0.0/${module##*/} 200" "$service_log"
check "the newer signed build waits in the temporary folder" cmp -s "$signed_next_installer" "$temp_dir/TavoraStudentInstaller2.exe"
follow_from_welcome || exit 1
check "the update ends in the complete window" test "$last_kind" = complete
click_at $drive_btn_experience
check "the newer build ends" wait_for 30 program_gone TavoraStudentInstaller2.exe
check "the updated client starts with the command line" client_started_with 'after the signed update' 20
check "the installation folder holds the 1.1.0.0 release and the newer installer" same_files "$work/client-1.1.0.0" "$install_dir"
check "no failure report was sent" not grep -q ' type=4 ' "$reports"
drive_finish
