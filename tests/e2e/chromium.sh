# shellcheck shell=bash
# Debian's real Chromium as the Chrome or Edge of the test prefix: its --user-data-dir is the
# prefix's `%LOCALAPPDATA%\Google\Chrome\User Data` (or `…\Microsoft\Edge\User Data`), a link
# to a fresh folder per run of the browser; tools/chromium_win.exe does under Wine what Chrome on
# Windows does (the lock file, the session file held with no sharing); a copy of recorder.exe
# registered under App Paths as chrome.exe / msedge.exe records what a reopen starts; and the
# recorded arguments can be handed back to the real browser.
#
# Pages are file: pages of CHROMIUM_PAGES, a folder on the Linux side that Wine reaches as Z:.
# Chromium writes their addresses as file:///work/.../one.html (percent-encoded UTF-8, no
# drive); under Wine such a path names the current drive's root, Z:\ for a program started in
# a folder of Z:, so the same address names the same file for both. The reopen hands such a page
# on as the local path it checked (\work\...\one.html); chromium_replay maps it back.
#
# Source tests/e2e/lib.sh and tests/e2e/real_browser.sh first. Nothing here sleeps for a fixed
# time; every process started is ended by pid when the script exits.
# shellcheck disable=SC2034  # the variables are for the test scripts that source this file

CHROMIUM_BIN=/usr/lib/chromium/chromium # the /usr/bin wrapper drops a `--` argument
CHROMIUM_WORK="$E2E_BUILD/chromium"
CHROMIUM_PAGES="$CHROMIUM_WORK/pages"
CHROMIUM_WIN_EXE=$RECORDER_SPLITTER # recorder_setup builds it
CHROMIUM_RECORDER_LOG="$CHROMIUM_WORK/recorder.log"
# What keeps the browser quiet and quick on a machine without network.
CHROMIUM_FLAGS=(--no-sandbox --no-first-run --password-store=basic --disable-gpu
  --disable-background-networking --disable-component-update --disable-sync
  --no-default-browser-check --disable-default-apps --noerrdialogs)
CHROMIUM_PID=""       # the running browser's main process
CHROMIUM_HOLDER_PID="" # the running chromium_win.exe hold
CHROMIUM_HOLDER_DIR=""
CHROMIUM_LOCAL_APPDATA=""     # the prefix's %LOCALAPPDATA%, as a Unix path
CHROMIUM_LOCAL_APPDATA_WIN="" # and as Windows names it

# --- set-up -----------------------------------------------------------------------------------

# chromium_setup: the tools built, the pages' folder made, the prefix's %LOCALAPPDATA% found; a script
# that cannot have them says so as a FAIL line and exits.
chromium_setup() {
  local problem=""
  if [[ ! -x "$CHROMIUM_BIN" ]]; then
    problem="no $CHROMIUM_BIN (Debian's chromium)"
  elif ! recorder_setup; then
    problem="chromium_win.exe or recorder.exe did not build"
  elif ! e2e_build_session_tabs; then
    problem="session_tabs did not build"
  else
    CHROMIUM_LOCAL_APPDATA_WIN="$(pm_wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')"
    CHROMIUM_LOCAL_APPDATA="$(winepath -u "$CHROMIUM_LOCAL_APPDATA_WIN" 2>/dev/null)"
    [[ -d "$CHROMIUM_LOCAL_APPDATA" ]] || problem="no %LOCALAPPDATA% in $WINEPREFIX"
  fi
  if [[ -n "$problem" ]]; then
    echo "FAIL $E2E_TEST: $problem"
    exit 1
  fi
  rm -rf "$CHROMIUM_WORK"
  mkdir -p "$CHROMIUM_PAGES"
  pm_on_exit chromium_stop_all
  pm_on_exit chromium_unlink_all
}

# chromium_page NAME TITLE: makes CHROMIUM_PAGES/NAME and prints its address as Chromium writes
# it into the session file.
chromium_page() {
  printf '<!doctype html><meta charset="utf-8"><title>%s</title><p>%s</p>\n' "$2" "$2" \
    >"$CHROMIUM_PAGES/$1"
  python3 -c 'import sys, urllib.parse; print("file://" + urllib.parse.quote(sys.argv[1]))' \
    "$CHROMIUM_PAGES/$1"
}

# --- the User Data folders --------------------------------------------------------------------

# The User Data folder of BROWSER (chrome or edge) in the prefix, as Windows and Unix name it.
chromium_user_data_win() {
  case "$1" in
    chrome) printf '%s\n' "$CHROMIUM_LOCAL_APPDATA_WIN"'\Google\Chrome\User Data' ;;
    edge) printf '%s\n' "$CHROMIUM_LOCAL_APPDATA_WIN"'\Microsoft\Edge\User Data' ;;
  esac
}
chromium_user_data_unix() {
  case "$1" in
    chrome) printf '%s\n' "$CHROMIUM_LOCAL_APPDATA/Google/Chrome/User Data" ;;
    edge) printf '%s\n' "$CHROMIUM_LOCAL_APPDATA/Microsoft/Edge/User Data" ;;
  esac
}

# chromium_link BROWSER DIR: the prefix's User Data folder of BROWSER becomes a link to DIR (made
# when missing); the other browser's goes, so a case sees one browser only.
chromium_link() {
  local link other
  link="$(chromium_user_data_unix "$1")"
  [[ "$1" == chrome ]] && other=edge || other=chrome
  rm -f "$(chromium_user_data_unix "$other")"
  mkdir -p "$2" "$(dirname "$link")" && ln -sfn "$2" "$link"
}

chromium_unlink_all() { rm -f "$(chromium_user_data_unix chrome)" "$(chromium_user_data_unix edge)"; }

# --- the browser ------------------------------------------------------------------------------

# chromium_start DIR [ARGUMENT...]: starts the browser on DIR with the arguments (addresses, or
# what a reopen recorded) and returns at once; sets CHROMIUM_PID.
chromium_start() {
  local dir=$1
  shift
  "$CHROMIUM_BIN" "${CHROMIUM_FLAGS[@]}" --user-data-dir="$dir" "$@" </dev/null \
    >>"$E2E_ARTIFACTS/$E2E_TEST-chromium.log" 2>&1 &
  CHROMIUM_PID=$!
  # Its kill is the case's own doing: no job report of it in the log.
  disown "$CHROMIUM_PID"
  pm_log "chromium $CHROMIUM_PID on $dir: $*"
}

# chromium_hand_over DIR ARGUMENT...: hands the arguments to the browser running on DIR, as a
# second start does (it opens a window with --new-window); returns once that start has ended.
chromium_hand_over() {
  local dir=$1
  shift
  timeout 20 "$CHROMIUM_BIN" "${CHROMIUM_FLAGS[@]}" --user-data-dir="$dir" "$@" </dev/null \
    >>"$E2E_ARTIFACTS/$E2E_TEST-chromium.log" 2>&1 || e2e_fail "handing $* to chromium failed"
}

chromium_running() { [[ -n "$CHROMIUM_PID" ]] && kill -0 "$CHROMIUM_PID" 2>/dev/null; }

# The crash (tests/e2e/real_browser.sh).
chromium_crash() {
  browser_crash chromium "$CHROMIUM_PID" "$CHROMIUM_HOLDER_PID" || return 1
  CHROMIUM_PID=""
  CHROMIUM_HOLDER_PID=""
}

chromium_stop_all() {
  local pid
  for pid in "$CHROMIUM_PID" "$CHROMIUM_HOLDER_PID"; do
    [[ -n "$pid" ]] && pm_stop_pid "$pid"
  done
  CHROMIUM_PID=""
  CHROMIUM_HOLDER_PID=""
}

# The browser's visible top-level X windows (its windows of this display).
chromium_windows() { xdotool search --onlyvisible --class '^chromium' 2>/dev/null; }
chromium_window_shown() { chromium_windows | grep -qx "$1"; }
chromium_window_gone() { ! chromium_window_shown "$1"; }

# The clean end a user makes: Ctrl+Shift+W on each window, each given the focus first (keys
# sent to an unfocused window are ignored); the browser ends with its last window.
chromium_close_windows() {
  local window windows
  mapfile -t windows < <(chromium_windows)
  ((${#windows[@]} > 0)) || e2e_fail "no chromium window to close" || return 1
  for window in "${windows[@]}"; do
    xdotool windowfocus --sync "$window" && xdotool key --clearmodifiers ctrl+shift+w ||
      e2e_fail "could not type Ctrl+Shift+W into chromium window $window" || return 1
    e2e_wait_until 10 "chromium window $window to close" chromium_window_gone "$window" ||
      return 1
  done
  e2e_wait_until 30 "chromium to end" eval '! chromium_running' || return 1
  CHROMIUM_PID=""
}

# --- what Chrome on Windows does under Wine -----------------------------------------------------

# chromium_hold BROWSER: the lock file and the held session files in BROWSER's User Data folder,
# in place once this returns; sets CHROMIUM_HOLDER_PID (the Wine process itself).
chromium_hold() {
  CHROMIUM_HOLDER_DIR="$CHROMIUM_WORK/holder-$1"
  local status=0
  holder_start "$CHROMIUM_HOLDER_DIR" "the holder is not in place" "$CHROMIUM_WIN_EXE" hold \
    "$(chromium_user_data_win "$1")" "$(pm_winpath "$CHROMIUM_HOLDER_DIR/ready")" \
    "$(pm_winpath "$CHROMIUM_HOLDER_DIR")\\release" || status=$?
  CHROMIUM_HOLDER_PID=$HOLDER_PID
  return "$status"
}

# The clean end of the holder, as the browser's own end closes its files: the lock file goes.
chromium_release() {
  holder_release "$CHROMIUM_HOLDER_DIR" "$CHROMIUM_HOLDER_PID" || return 1
  CHROMIUM_HOLDER_PID=""
}

# chromium_probe BROWSER RELATIVE: what a Windows reader gets opening BROWSER's User Data
# RELATIVE (Windows separators): "readable N", "held", "missing" or "error N".
chromium_probe() {
  pm_wine "$CHROMIUM_WIN_EXE" probe "$(chromium_user_data_win "$1")\\$2" </dev/null 2>/dev/null |
    tr -d '\r'
}

# --- the browser's files ----------------------------------------------------------------------

# The newest Session_<T> of DIR's PROFILE (default Default), by T; "" when there is none.
chromium_session_name() { # DIR [PROFILE]
  find "$1/${2:-Default}/Sessions" -maxdepth 1 -name 'Session_*' -printf '%f\n' 2>/dev/null |
    sort -t_ -k2 -n | tail -n 1
}

# "WINDOW<TAB>ADDRESS" for every tab of the newest session file of DIR's PROFILE.
chromium_session_tabs() { # DIR [PROFILE]
  local name
  name="$(chromium_session_name "$@")"
  [[ -n "$name" ]] && "$E2E_SESSION_TABS" "$1/${2:-Default}/Sessions/$name" 2>/dev/null
}

chromium_tabs_are() { [[ "$(chromium_session_tabs "$1")" == "$2" ]]; } # DIR EXPECTED

# chromium_wait_tabs DIR EXPECTED: the newest session file of DIR's Default lists exactly the
# windows and tabs EXPECTED ("WINDOW<TAB>ADDRESS" lines). The browser writes a change about a
# second after it.
chromium_wait_tabs() {
  e2e_wait_until 30 "the session file to list the pages" chromium_tabs_are "$1" "$2" ||
    e2e_fail "the session file lists: $(chromium_session_tabs "$1" | tr '\t\n' ' |')"
}

# profile.exit_type in DIR's Default/Preferences ("" when the file holds none yet).
chromium_exit_type() {
  python3 -c 'import json, sys
try:
    print(json.load(open(sys.argv[1], encoding="utf-8"))["profile"]["exit_type"])
except (OSError, ValueError, KeyError, TypeError):
    print("")' "$1/Default/Preferences"
}

chromium_exit_type_is() { [[ "$(chromium_exit_type "$1")" == "$2" ]]; }

# The browser writes Preferences at most every 10 s: "Crashed" of this run is on disk about
# 10 s after its start (measured), and only then is a kill a crash that the files show.
chromium_wait_exit_type() { # DIR VALUE
  e2e_wait_until 30 "exit_type $2 in Preferences" chromium_exit_type_is "$1" "$2" ||
    e2e_fail "Preferences' exit_type is '$(chromium_exit_type "$1")', not '$2'"
}

# The display name Local State gives DIR's PROFILE (default Default).
chromium_profile_name() {
  python3 -c 'import json, sys
try:
    print(json.load(open(sys.argv[1], encoding="utf-8"))["profile"]["info_cache"][sys.argv[2]]["name"])
except (OSError, ValueError, KeyError, TypeError):
    print("")' "$1/Local State" "${2:-Default}"
}

# --- the reopen -------------------------------------------------------------------------------

# chromium_register_recorder EXE: recorder.exe as EXE (chrome.exe, msedge.exe) under App Paths
# (tests/e2e/real_browser.sh), its lines in CHROMIUM_RECORDER_LOG.
chromium_register_recorder() {
  recorder_register "$1" "$CHROMIUM_WORK/apps" "$CHROMIUM_RECORDER_LOG"
}

# chromium_replay DIR: hands every recorded line, as its arguments, to the real browser on DIR
# (a fresh folder): the first starts it, the others reach it as a second start would. An
# argument that is a Windows path (Chrome on Windows opens a local file given so) becomes the
# Linux path Wine maps it to, as the Linux browser sees that file.
chromium_replay() {
  local dir=$1 n count arguments=() i
  count=$(recorder_count)
  for ((n = 1; n <= count; n++)); do
    mapfile -t arguments < <(recorder_arguments "$n")
    ((${#arguments[@]} > 0)) || e2e_fail "recorded line $n has no arguments" || return 1
    for i in "${!arguments[@]}"; do
      [[ "${arguments[i]}" =~ ^([A-Za-z]:)?\\ ]] || continue
      arguments[i]="$(winepath -u "${arguments[i]}" 2>/dev/null)" ||
        e2e_fail "no Linux path for the recorded ${arguments[i]}" || return 1
    done
    if ((n == 1)); then
      chromium_start "$dir" "${arguments[@]}"
      e2e_wait_until 30 "chromium on $dir to start" test -e "$dir/SingletonSocket" || return 1
    else
      chromium_hand_over "$dir" "${arguments[@]}" || return 1
    fi
  done
}
