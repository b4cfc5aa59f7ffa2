# Drives the real TavoraStudentInstaller.exe under a Windows build tree's Wine session against
# the reference update service, as a user meets it: publishes releases, runs the service on
# the port the build talks to, finds the installer's windows, clicks their controls from
# inside Wine, takes screenshots and reads what a run left in the prefix.
# Sourced by the end-to-end tests (tests/e2e) and by scripts/demo; bash only.
#
#   drive_init TREE HOST_TREE WORK   sets the names below; WORK is a folder of the caller's
#   drive_cleanup                    stops everything this library started (call it from a trap)

drive_title='Qelvo安装小助手'
drive_box_title='错误 - TavoraInstaller'
drive_client_title='Qelvo 学生端 (sample)'
drive_uninstall_key='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\TavoraStudent'
drive_failures=0
drive_service_pid=
drive_proxy_pid=
drive_started_pids=()
# Commands drive_cleanup runs first, for servers and settings that a script sourced beside
# this one starts or changes.
drive_stop_hooks=()

# This file's folder, for the helpers beside it.
drive_support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

drive_fail() { echo "installer_drive: $*" >&2; exit 1; }

drive_init() {
  tree=$(cd "$1" && pwd) || drive_fail "no build tree $1"
  host_tree=$(cd "$2" && pwd) || drive_fail "no host tree $2"
  work=$3
  mkdir -p "$work"
  wine_run=$tree/wine-run
  wine_dir=$tree/wine
  prefix=$wine_dir/prefix
  [ -x "$wine_run" ] || drive_fail "$tree has no wine-run (configure it first)"
  if [ -z "${DRIVE_DISPLAY:-}" ]; then
    [ -f "$wine_dir/display" ] || drive_fail "the Wine session of $tree is not running ($tree/wine-session start)"
    DRIVE_DISPLAY=$(cat "$wine_dir/display")
  fi
  export DISPLAY=$DRIVE_DISPLAY
  [ -d "$prefix/drive_c/users" ] || drive_fail "$prefix holds no Wine prefix yet"
  user=$(ls "$prefix/drive_c/users" | grep -vx Public | head -n 1)
  profile=$prefix/drive_c/users/$user
  local_dir=$profile/AppData/Local
  maker_dir=$local_dir/Quillmor
  install_dir=$maker_dir/TavoraStudent
  config_dir=$profile/AppData/Roaming/Tavora/TavoraStudent
  temp_dir=$profile/Temp
  desktop_link=$profile/Desktop/Qelvo.lnk
  programs_dir="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
  start_menu_dir=$programs_dir/Quillnet/Qelvo
  installer=$tree/bin/TavoraStudentInstaller.exe
  support_bin=$tree/tests/support
  clicker=$support_bin/window_clicker.exe
  closer=$support_bin/window_closer.exe
  recorder=$support_bin/launch_recorder.exe
  publisher=$host_tree/bin/tavora-publish
  service_exe=$host_tree/tools/service/tavora-service
  [ -x "$publisher" ] && [ -x "$service_exe" ] || drive_fail "build the host tree first ($host_tree)"
  # The installer was built to talk to this host: the service has to listen exactly there.
  local settings=$tree/generated/build_settings.h host
  host=$(sed -n 's/.*kServiceHost\[\] = "\(.*\)";/\1/p' "$settings")
  service_host=${host%%:*}
  service_port=80
  [ "$host" != "$service_host" ] && service_port=${host##*:}
  [ "$service_host" = 127.0.0.1 ] || [ "$service_host" = localhost ] ||
    drive_fail "this build talks to $host; the reference service can only stand in for a host on 127.0.0.1"
  web_host=$(sed -n 's/.*kWebHost\[\] = "\(.*\)";/\1/p' "$settings")
  service_log=$work/service.log
  reports=$work/reports.txt
}

# --- checks ------------------------------------------------------------------------------

check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; drive_failures=$((drive_failures + 1)); fi
}

drive_finish() {
  echo "$drive_failures failure(s)"
  [ "$drive_failures" -eq 0 ]
}

# True when the command fails (for check).
not() { ! "$@"; }

# Waits up to $1 seconds for the command to succeed.
wait_for() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  while ! "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

# --- processes ---------------------------------------------------------------------------

# Pids of the Wine processes of this prefix whose command line holds $1 (a program name).
wine_pids() {
  local dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    tr '\0' '\n' 2>/dev/null < "$dir/environ" | grep -qxF "WINEPREFIX=$prefix" || continue
    tr '\0' ' ' 2>/dev/null < "$dir/cmdline" | grep -qiF "$1" && echo "$pid"
  done
}

# The command line of the first Wine process of this prefix running $1, as Linux shows it.
wine_command_line() {
  local pid
  pid=$(wine_pids "$1" | head -n 1)
  [ -n "$pid" ] && tr '\0' ' ' < "/proc/$pid/cmdline" | sed 's/ *$//'
}

program_running() { [ -n "$(wine_pids "$1")" ]; }
program_gone() { [ -z "$(wine_pids "$1")" ]; }

# Stops, by pid, the Wine processes of this prefix running $1.
stop_wine_program() {
  local pid
  for pid in $(wine_pids "$1"); do kill -KILL "$pid" 2>/dev/null; done
  wait_for 10 program_gone "$1"
}

# Runs a short Windows tool in the prefix, bounded to 60 s, in a session of its own: a
# Ctrl+C meant for the caller must not reach Wine, which would take it and exit normally,
# leaving the calling shell to believe the interruption was handled.
wine_tool() { timeout 60 setsid --wait "$wine_run" "$@"; }

# Starts installer program $1 (the tree's, a copy, a newer build) from folder $2 with the remaining
# arguments; its pid goes to $pid.
start_installer() {
  local program=$1 folder=$2; shift 2
  (cd "$folder" && exec "$wine_run" "$program" "$@" </dev/null >/dev/null 2>&1) &
  pid=$!
  drive_started_pids+=("$pid")
}

# Waits up to $2 seconds for process $1 to end; its exit code goes to $exit_code.
wait_exit() {
  local end=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
  wait "$1" 2>/dev/null
  exit_code=$?
  return 0
}

# --- windows -----------------------------------------------------------------------------

# True when X window $1 belongs to a process whose command line holds $2 (Wine gives each
# window the Linux pid of its process), so that windows of other tests on the same display
# are never taken for the installer's.
window_of_program() {
  local pid
  pid=$(xdotool getwindowpid "$1" 2>/dev/null) || return 1
  { tr '\0' ' ' < "/proc/$pid/cmdline"; } 2>/dev/null | grep -qiF "$2"
}

# Ids of the mapped X windows titled exactly $1 (xdotool's own matching misses non-ASCII
# titles) that belong to program $2 (default: the installer, any copy of it).
windows_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] &&
      window_of_program "$id" "${2:-TavoraStudentInstaller}" && echo "$id"
  done
}

# Size of X window $1 as WIDTHxHEIGHT.
window_size() {
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)" || return 1
  # A window that is gone by now gives no geometry at all.
  [ -n "${WIDTH:-}" ] && [ -n "${HEIGHT:-}" ] || return 1
  echo "${WIDTH}x${HEIGHT}"
}

# Prints the id of an installer window of size $2 (default 600x380) that is not among the
# ids in $3, waiting up to $1 seconds.
wait_installer_window() {
  local seconds=$1 size=${2:-600x380} known=" ${3:-} " id end=$((SECONDS + $1))
  while :; do
    for id in $(windows_titled "$drive_title"); do
      [[ $known == *" $id "* ]] && continue
      [ "$(window_size "$id")" = "$size" ] && { echo "$id"; return 0; }
    done
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

# The wait window is a small tool window that sets no title: it is known by its size.
small_windows() {
  local id
  for id in $(xdotool search --onlyvisible --class . 2>/dev/null); do
    [ "$(window_size "$id")" = 300x190 ] && window_of_program "$id" TavoraStudentInstaller && echo "$id"
  done
}

# Prints the id of the wait window, waiting up to $1 seconds.
wait_small_window() {
  local end=$((SECONDS + $1)) id
  while :; do
    id=$(small_windows | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}

# Waits up to $2 seconds for process $1 to end while watching the display; $windows_seen
# then counts the installer windows and message boxes that were shown meanwhile.
watch_until_exit() {
  local end=$((SECONDS + $2)) seen=" " id
  while kill -0 "$1" 2>/dev/null; do
    for id in $(windows_titled "$drive_title") $(windows_titled "$drive_box_title"); do
      [[ $seen == *" $id "* ]] || seen+="$id "
    done
    [ $SECONDS -ge $end ] && { windows_seen=$(wc -w <<< "$seen"); return 1; }
    sleep 0.1
  done
  windows_seen=$(wc -w <<< "$seen")
  wait "$1" 2>/dev/null
  exit_code=$?
}

# Waits up to $2 seconds for the installed client to run with command line $1 (the text
# after the program); true when it does.
client_started_with() {
  local expected=$1 end=$((SECONDS + $2)) line
  while :; do
    line=$(wine_command_line 'TavoraStudent.exe')
    if [ -n "$line" ] && [[ $line != *TavoraStudentInstaller* ]]; then
      client_command_line=$line
      [[ $line =~ TavoraStudent\.exe\"?\ *(.*)$ ]] && [ "${BASH_REMATCH[1]}" = "$expected" ] && return 0
    fi
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

window_titled_shown() { [ -n "$(windows_titled "$1" "${2:-TavoraStudentInstaller}")" ]; }

window_exists() { xdotool getwindowname "$1" >/dev/null 2>&1 && [ -n "$(xdotool search --onlyvisible --name . 2>/dev/null | grep -x "$1")" ]; }
window_gone() { ! window_exists "$1"; }

# Clicks client point ($1, $2) of the one installer window of size $3 (default 600x380),
# from inside Wine.
click_at() {
  wine_tool "$clicker" TavoraStudentInstaller UIMainFrame "${3:-600x380}" "$1" "$2" </dev/null >/dev/null 2>&1
}

# Prints the id of the installer's message box, waiting up to $1 seconds.
wait_for_box() {
  local end=$((SECONDS + $1)) id
  while :; do
    id=$(windows_titled "$drive_box_title" | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}

# The message of the installer's message box (and its button texts), one per line.
box_text() { wine_tool "$support_bin/window_text.exe" ' - TavoraInstaller' </dev/null 2>/dev/null | tr -d '\r'; }

# Presses OK in the installer's message box.
press_box_ok() { wine_tool "$closer" ' - TavoraInstaller' </dev/null >/dev/null 2>&1; }

# --- pictures ----------------------------------------------------------------------------

# Saves X window $1 as PNG $2 (the window alone: no shadow, nothing that covers it).
screenshot_window() {
  xwd -id "$1" -silent 2>/dev/null | convert xwd:- "$2" 2>/dev/null && [ -s "$2" ]
}

drive_skin=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../src/ui/skin" && pwd)

# Root-mean-square distance (0 to 1) between two pictures of the same size.
picture_distance() {
  convert "$1" "$2" -alpha off -compose difference -composite -colorspace gray \
    -format '%[fx:sqrt(mean*mean+standard_deviation*standard_deviation)]' info: 2>/dev/null
}

distance_small() { awk -v d="$1" 'BEGIN { exit !(d != "" && d < 0.06) }'; }

# True when screenshot $1 shows skin background $2 in the rectangle $3 (WxH+X+Y); with $4
# (WxH), the background stretched to that size first, as a layout smaller than it draws it.
shows_background() {
  local a b distance
  a=$(mktemp --suffix=.png) b=$(mktemp --suffix=.png)
  convert "$1" -crop "$3" +repage "$a" &&
    convert "$drive_skin/$2" -alpha off ${4:+-resize "$4!"} -crop "$3" +repage "$b" &&
    distance=$(picture_distance "$a" "$b")
  rm -f "$a" "$b"
  distance_small "$distance"
}

# True when screenshot $1 shows skin image $2 at ($3, $4), drawn over skin background $5
# (over white without it): a button's state, a tick box.
shows_image() {
  local shot=$1 image=$drive_skin/$2 x=$3 y=$4 size a b distance
  size=$(identify -format '%wx%h' "$image") || return 1
  a=$(mktemp --suffix=.png) b=$(mktemp --suffix=.png)
  if [ -n "${5:-}" ]; then
    convert "$drive_skin/$5" -alpha off -crop "$size+$x+$y" +repage "$image" -composite -alpha off "$b"
  else
    convert -size "$size" xc:white "$image" -composite -alpha off "$b"
  fi
  convert "$shot" -crop "$size+$x+$y" +repage "$a" && distance=$(picture_distance "$a" "$b")
  rm -f "$a" "$b"
  distance_small "$distance"
}

# Colour of pixel ($2, $3) of screenshot $1 as "R G B" (0 to 255).
pixel_rgb() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info: 2>/dev/null
}

# Which installer window screenshot $1 shows, told by a part of its background that no
# control covers: welcome, install, complete, error, uninstall, or unknown.
window_kind() {
  local shot=$1 r g b
  if shows_background "$shot" bg_complete.png 240x160+180+45; then echo complete
  elif shows_background "$shot" bg_error.png 240x160+180+45; then echo error
  elif shows_background "$shot" bg_uninstall.png 260x110+150+80; then echo uninstall
  elif shows_background "$shot" bg_install.png 290x110+100+100; then echo welcome
  else
    # The install window: a blue slide above, a white band with the progress bar below.
    read -r r g b <<< "$(pixel_rgb "$shot" 5 150)"
    if [ "${b:-0}" -gt $((${r:-255} + 60)) ] && [ "$(pixel_rgb "$shot" 10 360)" = "255 255 255" ]; then
      echo install
    else
      echo unknown
    fi
  fi
}

# True when screenshot $1 of the install window shows the progress bar at its full width:
# its last pixels carry one of the four slide colours instead of the grey track.
bar_full() {
  case "$(pixel_rgb "$1" 556 321)" in
    "63 161 250"|"254 158 12"|"253 111 89"|"13 184 65") return 0 ;;
    *) return 1 ;;
  esac
}

# Follows the install window that replaces window $1, for up to $2 seconds, until it is
# gone, saving its look to $work/install-*.png. Sets install_window (its id, empty when none
# came), install_frames (screenshots showing it), install_bar_full and install_bar_short
# (1 when a screenshot showed the bar full, or short of full).
follow_install_window() {
  local end=$((SECONDS + $2)) shot kind
  install_window= install_frames=0 install_bar_full=0 install_bar_short=0
  install_window=$(wait_installer_window 30 600x380 "$1") || { install_window=; return 1; }
  while window_exists "$install_window"; do
    shot=$work/install-$install_frames.png
    if screenshot_window "$install_window" "$shot" && [ "$(window_kind "$shot")" = install ]; then
      install_frames=$((install_frames + 1))
      if bar_full "$shot"; then install_bar_full=1; else install_bar_short=1; fi
    fi
    [ $SECONDS -ge $end ] && return 1
  done
}

# Screenshot of installer window $1 into $2; prints its kind. A window only just mapped
# may not be painted yet: it is looked at again for up to 3 s.
capture_kind() {
  local end=$((SECONDS + 3)) kind=unknown
  while :; do
    screenshot_window "$1" "$2" && kind=$(window_kind "$2")
    [ "$kind" != unknown ] || [ $SECONDS -ge $end ] && break
    sleep 0.2
  done
  echo "$kind"
}

# --- whole runs ----------------------------------------------------------------------------

# Control centres, in window coordinates.
drive_btn_install='298 301'     # welcome: install or update
drive_btn_close='585 15'        # welcome, uninstall: close
drive_btn_experience='299 290'  # complete: start the client
drive_btn_package='298 304'     # error: offline package page
drive_btn_uninstall='300 269'   # uninstall: confirm, later finish (40 px lower inside vlayout_bot)

# Runs program $1 (with the remaining arguments) from $run_dir through welcome and install
# to the window that follows, checking each step, screenshots in $work/<kind>.png. Sets
# installer_pid, welcome, install_window, last_window, last_seen_at (when it was found) and
# last_kind (complete or error).
run_to_last_window() {
  local program=$1; shift
  start_installer "$program" "$run_dir" "$@"
  installer_pid=$pid
  follow_from_welcome
}

# Runs the installer from welcome to the complete window, starts the client from it and
# checks that the installation folder then holds exactly the files of folder $1.
install_completes() {
  run_to_last_window "$installer" || return 1
  check "the run ends in the complete window" test "$last_kind" = complete || return 1
  # shellcheck disable=SC2086
  click_at $drive_btn_experience
  check "the installer ends" wait_exit "$installer_pid" 30
  check "the installation folder holds the release" same_files "$1" "$install_dir"
}

# The part of run_to_last_window from the welcome window on (of whatever process shows it).
follow_from_welcome() {
  last_window= last_kind=
  welcome=$(wait_installer_window 30)
  check "the welcome window comes up" test -n "$welcome" || return 1
  welcome_kind=$(capture_kind "$welcome" "$work/welcome.png")
  check "it is the welcome window" test "$welcome_kind" = welcome
  # shellcheck disable=SC2086
  check "its install button takes the click" click_at $drive_btn_install
  follow_install_window "$welcome" 90
  check "the install window replaces it" test -n "$install_window" || return 1
  check "the install window is seen working" test "$install_frames" -ge 1
  last_window=$(wait_installer_window 60 600x380 "$welcome $install_window")
  last_seen_at=$(date +%s.%N)
  check "a last window follows" test -n "$last_window" || return 1
  sleep 0.3
  last_kind=$(capture_kind "$last_window" "$work/last.png")
  cp "$work/last.png" "$work/$last_kind.png" 2>/dev/null
  echo "     (the last window is the $last_kind window; $install_frames screenshots of the install window)"
}

# After a run that ended in the error window (screenshot $work/error.png, window
# $last_window): checks the failure report (type 4, holding the worker's line $1), presses
# the package button and checks the offline page was opened and that nothing starts.
check_error_window_run() {
  local failure_line=$1 offline="http://$web_host/qlv/download/?type=student"
  check "the run ends in the error window" test "$last_kind" = error
  check "a type 4 report reaches the service" grep -q ' type=4 ' "$reports"
  check "... carrying the worker's failure line" grep -qF "$failure_line" "$reports"
  # shellcheck disable=SC2086
  check "the package button takes the click" click_at $drive_btn_package
  check "the offline package page is opened" wait_for 20 grep -qxF "\"IEXPLORE\" $offline" "$run_dir/launched.txt"
  check "the installer ends" wait_exit "$installer_pid" 30
  sleep 2
  check "nothing is started" test -z "$(wine_pids TavoraStudent.exe)"
  check "no window is left" test -z "$(windows_titled "$drive_title")"
  check "quill.log records the download of the failing file" grep -q 'download = failed\|download = sucess' "$run_dir/quill.log"
  sed 's/^/     quill.log: /' "$run_dir/quill.log" 2>/dev/null | tr -d '\r'
}

# --- releases and the service ------------------------------------------------------------

# Publishes client folder $1 as version $2 into $3, to be served at /releases/$2/ of the
# service's host (or of $drive_release_host when set).
publish_release() {
  local client=$1 version=$2 out=$3; shift 3
  "$publisher" --client "$client" --version "$version" --out "$out" --force \
    --base-url "http://${drive_release_host:-$service_host:$service_port}/releases/$version/" "$@" >"$work/publish-$version.log" 2>&1 ||
    { cat "$work/publish-$version.log" >&2; return 1; }
}

# The key the signed runs sign with; the signed installers of tests/e2e trust its public half.
drive_test_key=$(cd "$(dirname "${BASH_SOURCE[0]}")/keys" && pwd)/release-test-key.pem

# publish_release, signed with the test key.
publish_signed_release() { publish_release "$@" --sign-key "$drive_test_key"; }

# The published file of release folder $1 whose name starts with $2- and ends in $3 (.dll.gz).
published_file() { ls "$1/$2"-*"$3" 2>/dev/null | head -n 1; }

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# A port of 127.0.0.1 that nothing listens on (taken and given back at once).
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# Starts the service on a free port behind tests/e2e/cutting_proxy.py, which listens on the
# port the installer talks to and cuts (or slows) the downloads of files whose name holds $2
# as MODE $3 says; its lines go to $work/proxy.log. $1 is the release folder.
cutting_stand_in_start() {
  if port_in_use "$service_port"; then
    echo "127.0.0.1:$service_port is taken by another program; this build's installer talks to it" >&2
    return 1
  fi
  drive_listen_port=0 service_start "$1" || return 1
  python3 -I "$drive_support/../e2e/cutting_proxy.py" "$service_port" "$service_listen_port" "$2" "$3" \
    </dev/null >"$work/proxy.log" 2>&1 &
  drive_proxy_pid=$!
  wait_for 10 grep -q listening "$work/proxy.log" || { cat "$work/proxy.log" >&2; return 1; }
}

# Starts tavora-service with the given release folders on the port the installer talks to
# (or on $drive_listen_port when set, for a stand-in in front of it).
service_start() {
  local port=${drive_listen_port:-$service_port} args=() release
  if [ "$port" != 0 ] && port_in_use "$port"; then
    echo "installer_drive: 127.0.0.1:$port is already taken by another program; this build's installer" >&2
    echo "installer_drive: talks to that port, so it must be free (ss -ltnp shows who holds it)" >&2
    return 1
  fi
  for release in "$@"; do args+=(--release "$release"); done
  : > "$service_log"
  "$service_exe" "${args[@]}" --listen "127.0.0.1:$port" --reports "$reports" </dev/null >"$service_log" 2>&1 &
  drive_service_pid=$!
  if ! wait_for 10 grep -q 'listening on' "$service_log"; then
    echo "installer_drive: the service did not start:" >&2
    cat "$service_log" >&2
    return 1
  fi
  service_listen_port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$service_log")
}

# Starts tests/e2e/attacking_proxy.py (an attacker on the network path) with the given mode
# and arguments on the port the installer talks to, in front of a service started on a free
# port (drive_listen_port=0 service_start); what it did goes to $work/attacker.log.
attacker_start() {
  # Emptied here, not by the redirection below: that happens in the background, and the
  # wait would otherwise find the line of an earlier proxy.
  : > "$work/attacker.log"
  python3 -I "$(dirname "${BASH_SOURCE[0]}")/../e2e/attacking_proxy.py" "$service_port" "$service_listen_port" "$@" \
    </dev/null >"$work/attacker.log" 2>&1 &
  drive_proxy_pid=$!
  wait_for 10 grep -q 'attacking proxy listening' "$work/attacker.log" || { cat "$work/attacker.log" >&2; return 1; }
}

attacker_stop() {
  [ -n "$drive_proxy_pid" ] || return 0
  kill "$drive_proxy_pid" 2>/dev/null
  wait "$drive_proxy_pid" 2>/dev/null
  drive_proxy_pid=
}

service_stop() {
  [ -n "$drive_service_pid" ] || return 0
  kill -TERM "$drive_service_pid" 2>/dev/null
  wait_for 5 eval '! kill -0 "$drive_service_pid" 2>/dev/null' || kill -KILL "$drive_service_pid" 2>/dev/null
  wait "$drive_service_pid" 2>/dev/null
  drive_service_pid=
}

# The paths the installer asked the service for, one per line, in order.
requested_paths() { awk '$2 == "GET" { print $3 }' "$service_log" 2>/dev/null; }

# Base names of the release files fetched under /releases/.
fetched_files() { requested_paths | sed -n 's|^/releases/[^/]*/||p'; }

# --- the user profile in the prefix ------------------------------------------------------

# Removes everything an install, a run or a test leaves in the profile.
reset_profile() {
  rm -rf "$install_dir" "$config_dir" "$start_menu_dir" "$profile/AppData/Roaming"/TavoraInstaller[0-9]*
  rm -f "$desktop_link" "$temp_dir/TavoraStudentInstaller2.exe"
  rmdir "$programs_dir/Quillnet" "$maker_dir" 2>/dev/null
  wine_tool reg delete "$drive_uninstall_key" /f </dev/null >/dev/null 2>&1
  true
}

# The uninstall entry's values as "Name=Data" lines, sorted.
uninstall_values() {
  wine_tool reg query "$drive_uninstall_key" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\([A-Za-z]*\) *REG_SZ *\(.*\)$/\1=\2/p' | sort
}

# reg answers 1 for a missing key (anything else is no answer).
uninstall_entry_absent() {
  wine_tool reg query "$drive_uninstall_key" </dev/null >/dev/null 2>&1
  [ $? -eq 1 ]
}

# The text of shortcut $1: target, arguments and working folder are UTF-16 strings in it.
shortcut_text() { strings -el "$1" 2>/dev/null; }

# Windows path of a file in the prefix's C: drive.
windows_path() { local rest=${1#"$prefix/drive_c/"}; echo "C:\\${rest//\//\\}"; }

# True when every file of folder $1 is in folder $2 with the same bytes.
same_files() {
  local file
  for file in "$1"/*; do
    [ -f "$file" ] || continue
    cmp -s "$file" "$2/${file##*/}" || { echo "     differs: ${file##*/}"; return 1; }
  done
}

# Puts a client release folder in place as an earlier install would have left it.
stage_installed_client() {
  mkdir -p "$install_dir"
  cp "$1"/* "$install_dir/"
  [ -n "${2:-}" ] && cp "$2" "$install_dir/TavoraStudentInstaller.exe"
  true
}

# --- the browser -------------------------------------------------------------------------

# The installer opens web pages with "IEXPLORE", which the shell finds through its "App
# Paths" entry: pointed at a recorder in folder $1 for the run (and put back by
# drive_cleanup), it writes each address it is given to $1/launched.txt instead of opening
# a browser.
drive_app_paths='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\iexplore.exe'
fake_browser() {
  drive_browser_before=$(wine_tool reg query "$drive_app_paths" /ve </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *(.*) *REG_SZ *\(.*\)$/\1/p')
  [ -n "$drive_browser_before" ] || drive_browser_before='C:\Program Files\Internet Explorer\iexplore.exe'
  cp "$recorder" "$1/IEXPLORE.exe"
  local target="Z:${1//\//\\}\\IEXPLORE.exe"
  wine_tool reg add "$drive_app_paths" /ve /d "$target" /f </dev/null >/dev/null 2>&1
}

restore_browser() {
  [ -n "${drive_browser_before:-}" ] || return 0
  wine_tool reg add "$drive_app_paths" /ve /d "$drive_browser_before" /f </dev/null >/dev/null 2>&1
  drive_browser_before=
}

# --- deadline and clean-up ---------------------------------------------------------------

# Ends the calling script (through its EXIT trap) after $1 seconds.
drive_deadline() {
  local script=$$
  (
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep "$1" & nap=$!
    wait "$nap"
    echo "installer_drive: no end after $1 s; stopping" >&2
    kill -TERM "$script"
  ) </dev/null >/dev/null 2>&1 &
  drive_watchdog_pid=$!
}

# For a test script: a work folder, the clean-up trap, the deadline and a clean profile.
# Arguments: WINDOWS_TREE HOST_TREE [NEXT_INSTALLER [SIGNED_INSTALLER SIGNED_NEXT_INSTALLER]]
# (the signed ones are builds that carry the test release key).
drive_test_begin() {
  next_installer=${3:-}
  signed_installer=${4:-}
  signed_next_installer=${5:-}
  drive_work=$(mktemp -d "${TMPDIR:-/tmp}/tavora-e2e.XXXXXX")
  trap drive_test_end EXIT
  trap 'exit 1' INT TERM
  drive_init "$1" "$2" "$drive_work"
  drive_deadline "${TAVORA_E2E_LIMIT:-150}"
  reset_profile
  run_dir=$work/run
  mkdir -p "$run_dir"
  sample=$tree/sample-client
  started_at=$SECONDS
}

drive_test_end() {
  local status=$?
  if [ -n "${prefix:-}" ]; then
    if [ "$status" -ne 0 ] && ls "$work"/*.png >/dev/null 2>&1; then
      # What the windows looked like, for whoever reads the failure.
      local keep=$tree/Testing/e2e-screenshots/$(basename "$0" .sh)
      rm -rf "$keep" && mkdir -p "$keep" && cp "$work"/*.png "$keep/" && echo "--- screenshots kept in $keep"
    fi
    echo "--- Wine processes of the prefix at the end:"
    for p in $(wine_pids .exe); do echo "     $p $(tr '\0' ' ' < "/proc/$p/cmdline" 2>/dev/null | sed 's/ *$//')"; done
    drive_cleanup
    reset_profile
    if [ -s "${service_log:-}" ]; then echo "--- service output"; cat "$service_log"; fi
    if [ -s "${reports:-}" ]; then echo "--- reports"; cat "$reports"; fi
    echo "--- run took $((SECONDS - started_at)) s"
  fi
  rm -rf "${drive_work:-}"
  exit "$status"
}

# Stops everything the run started: the installers, the programs they started in this
# prefix (clients, temporary copies, the recording browser), the service and its stand-ins.
drive_cleanup() {
  local p hook
  [ -n "${drive_watchdog_pid:-}" ] && kill "$drive_watchdog_pid" 2>/dev/null
  for hook in "${drive_stop_hooks[@]}"; do "$hook"; done
  for p in "${drive_started_pids[@]}"; do kill -KILL "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
  stop_wine_program TavoraStudent
  stop_wine_program IEXPLORE.exe
  restore_browser
  service_stop
  if [ -n "$drive_proxy_pid" ]; then kill "$drive_proxy_pid" 2>/dev/null; wait "$drive_proxy_pid" 2>/dev/null; fi
  true
}
