#!/usr/bin/env bash
# The real installer under Wine, as a user meets it: single instance, run modes, the daily
# gate in config.xml, the log file, the uninstall temp copy and the relaunch at exit.
# Usage: installer_exe_test.sh WINE_RUN WINE_DIR INSTALLER_EXE LAUNCH_RECORDER_EXE WINDOW_CLOSER_EXE
set -u
# For wine_command_line and stop_wine_program: they see this prefix's programs only.
source "$(dirname "$0")/../support/installer_drive.sh"
wine_run=$1 wine_dir=$2 installer=$3 recorder=$4 closer=$5
export DISPLAY=$(cat "$wine_dir/display")
prefix="$wine_dir/prefix"
user=$(ls "$prefix/drive_c/users" | grep -vx Public | head -n 1)
profile="$prefix/drive_c/users/$user"
install_dir="$profile/AppData/Local/Quillmor/TavoraStudent"
config_dir="$profile/AppData/Roaming/Tavora/TavoraStudent"
temp_dir="$profile/Temp"
work=$(mktemp -d)
failures=0
pids=()

cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  stop_wine_program TavoraStudentInstaller2.exe
  rm -rf "$work" "$install_dir" "$config_dir"
}
trap cleanup EXIT

check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# Ids of the windows titled exactly $1 (xdotool's own matching misses non-ASCII titles).
windows_titled() {
  local id
  for id in $(xdotool search --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id"
  done
}

# Waits up to $2 seconds for a window titled $1; prints its id.
wait_window() {
  local id
  for _ in $(seq $(($2 * 5))); do
    id=$(windows_titled "$1" | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# Waits up to $2 seconds for process $1 to end; its exit code goes to $exit_code.
wait_exit() {
  for _ in $(seq $(($2 * 10))); do
    if ! kill -0 "$1" 2>/dev/null; then wait "$1"; exit_code=$?; return 0; fi
    sleep 0.1
  done
  return 1
}

# Starts the installer in folder $1 with the remaining arguments; its pid goes to $pid.
start_installer() {
  local folder=$1; shift
  (cd "$folder" && exec "$wine_run" "$installer" "$@" >/dev/null 2>&1) &
  pid=$!
  pids+=("$pid")
}

# Presses OK in the installer's message box (other tests' windows share the display, so
# nothing here may depend on keyboard focus).
dismiss() { "$wine_run" "$closer" ' - TavoraInstaller' >/dev/null 2>&1; true; }

work_folders() { ls -d "$profile/AppData/Roaming"/TavoraInstaller[0-9]* 2>/dev/null | wc -l; }

rm -rf "$install_dir" "$config_dir" "$profile/AppData/Roaming"/TavoraInstaller[0-9]*
mkdir -p "$work/run"

compat='HKCU\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Compatibility Assistant\Persisted'
"$wine_run" reg add "$compat" /f >/dev/null 2>&1

echo "== fresh machine: install mode"
start_installer "$work/run"
first=$pid
box=$(wait_window '错误 - TavoraInstaller' 30)
check "install mode reaches the service and reports it unreachable" test -n "$box"
check "the run's work folder exists while it runs" test "$(work_folders)" -ge 1
start_installer "$work/run"
check "a second instance exits at once" wait_exit "$pid" 10
check "the second instance exits with code 0" test "${exit_code:-1}" -eq 0
check "the second instance shows no window" test "$(windows_titled '错误 - TavoraInstaller' | wc -l)" -eq 1
[ -n "$box" ] && dismiss "$box"
check "the first instance ends when its box is closed" wait_exit "$first" 20
installer_win="Z:$(tr / '\\' <<< "$installer")"
check "the program is marked for the compatibility assistant" \
  grep -q "REG_DWORD *0x1" <<< "$("$wine_run" reg query "$compat" /v "$installer_win" 2>/dev/null)"
check "the first instance exits with code 0" test "${exit_code:-1}" -eq 0
check "the work folder is removed at the end" test "$(work_folders)" -eq 0
check "install mode leaves the configuration folder alone" test ! -e "$config_dir"
check "a run that logs nothing writes no quill.log" test ! -e "$work/run/quill.log"

echo "== installed client, first run of the day: update mode"
mkdir -p "$install_dir"
cp "$recorder" "$install_dir/TavoraStudent.exe"
start_installer "$work/run" --from-shortcut
box=$(wait_window '错误 - TavoraInstaller' 30)
check "update mode asks the service when the check is due" test -n "$box"
[ -n "$box" ] && dismiss "$box"
wait_exit "$pid" 20
today=$(date +%Y-%b-%d)
printf '<?xml version="1.0" encoding="utf-8"?>\r\n<config>\r\n\t<updatetime value="%s"/>\r\n</config>\r\n' "$today" > "$work/expected.xml"
check "config.xml records today's date" cmp "$config_dir/config.xml" "$work/expected.xml"
check "the Cache folder is created" test -d "$config_dir/Cache"
check "a failed update check starts nothing" test ! -e "$install_dir/launched.txt"

echo "== installed client, second run of the day"
start_installer "$work/run" hello world
check "the second run of the day ends without a window" wait_exit "$pid" 20
for _ in $(seq 50); do [ -s "$install_dir/launched.txt" ] && break; sleep 0.1; done
check "the installed client is started with the installer's command line" \
  grep -q 'TavoraStudent\.exe"\? hello world$' "$install_dir/launched.txt"
check "config.xml is unchanged on the second run" cmp "$config_dir/config.xml" "$work/expected.xml"

echo "== installed client, config.xml not well-formed"
printf '<config><updatetime value="%s"></config' "$today" > "$config_dir/config.xml"
rm -f "$install_dir/launched.txt"
start_installer "$work/run"
box=$(wait_window '错误 - TavoraInstaller' 30)
check "an unreadable config.xml makes the check due" test -n "$box"
[ -n "$box" ] && dismiss "$box"
wait_exit "$pid" 20
line_re='^[0-9]{4}/[1-9][0-9]?/[1-9][0-9]? [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2} [0-9]+ dbg file : C:\\users\\'"$user"'\\AppData\\Roaming\\Tavora\\TavoraStudent\\config\.xml, message : [^\r]+, line : 1'$'\r''$'
check "quill.log holds the parse error line, CR LF ended" grep -Eq "$line_re" "$work/run/quill.log"
check "quill.log holds exactly that line" test "$(wc -l < "$work/run/quill.log")" -eq 1
check "the unreadable config.xml is kept" grep -q '</config$' "$config_dir/config.xml"

echo "== uninstall from the installed program"
rm -f "$temp_dir/TavoraStudentInstaller2.exe"
start_installer "$work/run" UnInstall
check "the first uninstall process ends without a window" wait_exit "$pid" 20
check "it copies itself into the temporary folder" cmp "$installer" "$temp_dir/TavoraStudentInstaller2.exe"
copy_seen=""
for _ in $(seq 100); do
  copy_seen=$(wine_command_line TavoraStudentInstaller2.exe)
  [ -n "$copy_seen" ] && break
  sleep 0.1
done
check "the copy is started at exit with the same command line" grep -Eq 'TavoraStudentInstaller2\.exe"? UnInstall$' <<< "$copy_seen"
echo "     (running: $copy_seen)"
stop_wine_program TavoraStudentInstaller2.exe

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
