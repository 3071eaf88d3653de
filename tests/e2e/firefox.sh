# shellcheck shell=bash
# Debian's real Firefox ESR as the Firefox of the test prefix: its profile folders are named in
# the prefix's `%APPDATA%\Mozilla\Firefox\profiles.ini` (relative ones through links under
# `Profiles\`); tools/holdfile.exe holds `parent.lock` open with no sharing, as Firefox on
# Windows does while it runs (Linux Firefox locks `.parentlock` instead); the reopen starts
# recorder.exe registered as firefox.exe (tests/e2e/real_browser.sh); and the recorded arguments
# can be handed back to the real browser.
#
# Pages are file: pages of FIREFOX_PAGES, a folder on the Linux side that Wine reaches as Z:.
# Firefox writes them as file:///work/.../one.html, which under Wine names the current drive's
# root, Z:\ for a program started in a folder of Z:. The reopen hands such a page on as the
# local path it checked (\work\...\one.html); firefox_replay maps it back.
#
# Source tests/e2e/lib.sh and tests/e2e/real_browser.sh first. Nothing here sleeps for a fixed
# time; every process started is ended by pid when the script exits.
# shellcheck disable=SC2034  # the variables are for the test scripts that source this file

FIREFOX_BIN=/usr/lib/firefox-esr/firefox-esr
FIREFOX_WORK="$E2E_BUILD/firefox"
FIREFOX_PAGES="$FIREFOX_WORK/pages"
FIREFOX_HOLDFILE_EXE="$E2E_BUILD/holdfile.exe"
FIREFOX_RECORDER_LOG="$FIREFOX_WORK/recorder.log"
FIREFOX_PID=""        # the running browser's main process
FIREFOX_HOLDER_PID="" # the running holdfile.exe on its parent.lock
FIREFOX_HOLDER_DIR=""
FIREFOX_INI_DIR=""     # the prefix's %APPDATA%\Mozilla\Firefox, as a Unix path
FIREFOX_INI_DIR_WIN="" # and as Windows names it

# --- set-up -----------------------------------------------------------------------------------

# firefox_setup: the tools built, the pages' folder made, the prefix's %APPDATA% found; a script
# that cannot have them says so as a FAIL line and exits.
firefox_setup() {
  local problem="" appdata
  if [[ ! -x "$FIREFOX_BIN" ]]; then
    problem="no $FIREFOX_BIN (Debian's firefox-esr)"
  elif ! recorder_setup || ! e2e_build_tool holdfile; then
    problem="recorder.exe, chromium_win.exe or holdfile.exe did not build"
  elif ! e2e_build_session_tabs; then
    problem="session_tabs did not build"
  else
    appdata="$(pm_wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')"
    FIREFOX_INI_DIR_WIN="$appdata\\Mozilla\\Firefox"
    FIREFOX_INI_DIR="$(winepath -u "$appdata" 2>/dev/null)/Mozilla/Firefox"
    [[ -d "$(dirname "$(dirname "$FIREFOX_INI_DIR")")" ]] || problem="no %APPDATA% in $WINEPREFIX"
  fi
  if [[ -n "$problem" ]]; then
    echo "FAIL $E2E_TEST: $problem"
    exit 1
  fi
  rm -rf "$FIREFOX_WORK" "$FIREFOX_INI_DIR"
  mkdir -p "$FIREFOX_PAGES"
  pm_on_exit firefox_stop_all
  # The prefix is shared with the tests that run later: no Firefox profile is left in it.
  pm_on_exit firefox_remove_profiles_ini
}

firefox_remove_profiles_ini() { [[ -z "$FIREFOX_INI_DIR" ]] || rm -rf "$FIREFOX_INI_DIR"; }

# firefox_page NAME TITLE: makes FIREFOX_PAGES/NAME and prints its address as Firefox writes it.
firefox_page() {
  printf '<!doctype html><meta charset="utf-8"><title>%s</title><p>%s</p>\n' "$2" "$2" \
    >"$FIREFOX_PAGES/$1"
  python3 -c 'import sys, urllib.parse; print("file://" + urllib.parse.quote(sys.argv[1]))' \
    "$FIREFOX_PAGES/$1"
}

# --- profiles ---------------------------------------------------------------------------------

# firefox_profile DIR: a fresh profile folder whose user.js makes Firefox write its session every
# second, resume it, quit on Ctrl+Q without asking, and leave the network alone.
firefox_profile() {
  rm -rf "$1" && mkdir -p "$1" || return 1
  local pref
  for pref in '"browser.sessionstore.interval", 1000' '"browser.startup.page", 3' \
    '"browser.warnOnQuit", false' '"browser.warnOnQuitShortcut", false' \
    '"browser.tabs.warnOnClose", false' '"browser.shell.checkDefaultBrowser", false' \
    '"browser.aboutwelcome.enabled", false' \
    '"browser.startup.homepage_override.mstone", "ignore"' \
    '"datareporting.policy.dataSubmissionEnabled", false' '"toolkit.telemetry.enabled", false' \
    '"app.update.auto", false' '"app.normandy.enabled", false' \
    '"browser.safebrowsing.update.enabled", false' '"network.proxy.type", 1' \
    '"network.proxy.http", "127.0.0.1"' '"network.proxy.http_port", 9' \
    '"network.proxy.ssl", "127.0.0.1"' '"network.proxy.ssl_port", 9'; do
    printf 'user_pref(%s);\n' "$pref"
  done >"$1/user.js"
}

# firefox_profiles_ini NAME DIR [absolute]: profiles.ini names the one profile NAME in DIR: by
# default as Firefox makes it, `Profiles/<folder>` relative to the ini (a link to DIR there);
# with "absolute", by DIR's Windows path.
firefox_profiles_ini() {
  local name=$1 dir=$2 path relative=1
  rm -rf "$FIREFOX_INI_DIR" && mkdir -p "$FIREFOX_INI_DIR/Profiles" || return 1
  if [[ "${3:-}" == absolute ]]; then
    path="$(pm_winpath "$dir")"
    relative=0
  else
    path="Profiles/$(basename "$dir")"
    ln -sfn "$dir" "$FIREFOX_INI_DIR/$path" || return 1
  fi
  printf '%s\r\n' '[Profile0]' "Name=$name" "IsRelative=$relative" "Path=$path" Default=1 '' \
    '[General]' StartWithLastProfile=1 Version=2 >"$FIREFOX_INI_DIR/profiles.ini"
}

# --- the browser ------------------------------------------------------------------------------

# firefox_start DIR [ARGUMENT...]: starts Firefox on the profile DIR with the arguments (-url
# ADDRESS pairs, or what a reopen recorded) and returns at once; sets FIREFOX_PID.
firefox_start() {
  local dir=$1
  shift
  "$FIREFOX_BIN" --profile "$dir" --no-remote "$@" </dev/null \
    >>"$E2E_ARTIFACTS/$E2E_TEST-firefox.log" 2>&1 &
  FIREFOX_PID=$!
  # Its kill is the case's own doing: no job report of it in the log.
  disown "$FIREFOX_PID"
  pm_log "firefox $FIREFOX_PID on $dir: $*"
}

# "-url A -url B …" for the addresses given, one line each.
firefox_url_arguments() {
  local address
  for address; do printf -- '-url\n%s\n' "$address"; done
}

firefox_running() { [[ -n "$FIREFOX_PID" ]] && kill -0 "$FIREFOX_PID" 2>/dev/null; }

# The crash (tests/e2e/real_browser.sh).
firefox_crash() {
  browser_crash firefox "$FIREFOX_PID" "$FIREFOX_HOLDER_PID" || return 1
  FIREFOX_PID=""
  FIREFOX_HOLDER_PID=""
}

firefox_stop_all() {
  local pid
  for pid in "$FIREFOX_PID" "$FIREFOX_HOLDER_PID" "${FIREFOX_OTHER_PIDS[@]}"; do
    [[ -n "$pid" ]] && pm_stop_pid "$pid"
  done
  FIREFOX_PID=""
  FIREFOX_HOLDER_PID=""
  FIREFOX_OTHER_PIDS=()
}
FIREFOX_OTHER_PIDS=() # browsers of a replay, beside FIREFOX_PID

# The browser's visible top-level X windows.
firefox_windows() { xdotool search --onlyvisible --class '^firefox' 2>/dev/null; }
firefox_window_count() { firefox_windows | wc -l; }
firefox_has_windows() { (($(firefox_window_count) >= $1)); }

# firefox_keys WINDOW KEY...: real keys into WINDOW, given the focus first (Firefox ignores
# keys sent to a window that does not have it).
firefox_keys() {
  local window=$1
  shift
  if ! xdotool windowfocus --sync "$window" || ! xdotool key --clearmodifiers --delay 50 "$@"; then
    e2e_fail "could not type $* into firefox window $window"
  fi
}

# Takes the keyboard from the window firefox_keys gave it to: with the focus on the root window,
# keys go to the window under the pointer again, which is where the tray menu opens.
firefox_unfocus() {
  local root
  root="$(xwininfo -root | awk '/Window id:/ { print $4 }')"
  xdotool windowfocus "$root" || e2e_fail "could not give the keyboard back to the root window"
}

# firefox_open_in WINDOW KEY ADDRESS: KEY (ctrl+l: this tab, ctrl+t: a new tab), then ADDRESS
# typed into the address bar and Return.
firefox_open_in() {
  firefox_keys "$1" "$2" || return 1
  if ! xdotool type --delay 20 "$3" || ! xdotool key Return; then
    e2e_fail "could not open $3 in firefox window $1"
  fi
}

# firefox_new_window ADDRESS...: Ctrl+N in the first window, then in the new window each address
# in a tab of its own, typed as a user does (a second start would hand them to the running
# browser, which hangs on a machine without D-Bus).
firefox_new_window() {
  local before window count
  before="$(firefox_windows)"
  count=$(($(wc -l <<<"$before") + 1))
  firefox_keys "$(head -n 1 <<<"$before")" ctrl+n || return 1
  e2e_wait_until 20 "a new firefox window" firefox_has_windows "$count" || return 1
  window="$(firefox_windows | grep -vxF "$before" | head -n 1)"
  firefox_open_in "$window" ctrl+l "$1" || return 1
  shift
  local address
  for address; do firefox_open_in "$window" ctrl+t "$address" || return 1; done
}

# The clean end a user makes: Ctrl+Q in a window; Firefox asks nothing (user.js) and ends.
firefox_quit() {
  local window
  window="$(firefox_windows | head -n 1)"
  [[ -n "$window" ]] || e2e_fail "no firefox window to quit from" || return 1
  firefox_keys "$window" ctrl+q || return 1
  e2e_wait_until 30 "firefox to end" eval '! firefox_running' || return 1
  FIREFOX_PID=""
}

# --- what Firefox on Windows does under Wine ----------------------------------------------------

# firefox_hold DIR: DIR's parent.lock made and held open with no sharing by a Wine process,
# in place once this returns; sets FIREFOX_HOLDER_PID (the Wine process itself).
firefox_hold() {
  FIREFOX_HOLDER_DIR="$FIREFOX_WORK/holder-$(basename "$1")"
  : >"$1/parent.lock" || return 1
  local status=0
  holder_start "$FIREFOX_HOLDER_DIR" "parent.lock is not held" "$FIREFOX_HOLDFILE_EXE" \
    "$(pm_winpath "$1/parent.lock")" "$(pm_winpath "$FIREFOX_HOLDER_DIR/ready")" \
    "$(pm_winpath "$FIREFOX_HOLDER_DIR")\\release" 600000 || status=$?
  FIREFOX_HOLDER_PID=$HOLDER_PID
  return "$status"
}

# The lock let go as Firefox's own end lets it go.
firefox_release() {
  holder_release "$FIREFOX_HOLDER_DIR" "$FIREFOX_HOLDER_PID" || return 1
  FIREFOX_HOLDER_PID=""
}

# firefox_probe FILE: what a Windows reader gets opening FILE (a Unix path): "readable N",
# "held", "missing" or "error N".
firefox_probe() {
  pm_wine "$RECORDER_SPLITTER" probe "$(pm_winpath "$1")" </dev/null 2>/dev/null | tr -d '\r'
}

# --- the browser's files ----------------------------------------------------------------------

# "WINDOW<TAB>ADDRESS" for every tab of DIR's running session (recovery.jsonlz4), through
# Pagemind's own reader.
firefox_session_tabs() {
  "$E2E_SESSION_TABS" "$1/sessionstore-backups/recovery.jsonlz4" 2>/dev/null
}
firefox_tabs_are() { [[ "$(firefox_session_tabs "$1")" == "$2" ]]; } # DIR EXPECTED

# firefox_wait_tabs DIR EXPECTED: DIR's recovery.jsonlz4 lists exactly the windows and tabs
# EXPECTED ("WINDOW<TAB>ADDRESS" lines).
firefox_wait_tabs() {
  e2e_wait_until 30 "the session file to list the pages" firefox_tabs_are "$1" "$2" ||
    e2e_fail "the session file lists: $(firefox_session_tabs "$1" | tr '\t\n' ' |')"
}

# Whether DIR's sessionCheckpoints.json says the last run ended cleanly.
firefox_ended_cleanly() {
  grep -q '"sessionstore-final-state-write-complete":true' "$1/sessionCheckpoints.json" 2>/dev/null
}

# --- the reopen -------------------------------------------------------------------------------

firefox_register_recorder() {
  recorder_register firefox.exe "$FIREFOX_WORK/apps" "$FIREFOX_RECORDER_LOG"
}

# firefox_replay DIR_PREFIX: hands each recorded line, as its arguments, to the real browser on
# a fresh profile DIR_PREFIX-N of its own (a running Linux Firefox would take a second start
# over D-Bus, which this machine lacks): `-P NAME` becomes `--profile` of that folder, and a
# Windows path becomes the Linux path Wine maps it to. Sets FIREFOX_OTHER_PIDS.
firefox_replay() {
  local n count arguments=() i dir
  count=$(recorder_count)
  for ((n = 1; n <= count; n++)); do
    mapfile -t arguments < <(recorder_arguments "$n")
    [[ "${arguments[0]:-}" == -P && ${#arguments[@]} -ge 4 ]] ||
      e2e_fail "recorded line $n is not -P NAME -url …: ${arguments[*]}" || return 1
    for i in "${!arguments[@]}"; do
      [[ "${arguments[i]}" =~ ^([A-Za-z]:)?\\ ]] || continue
      arguments[i]="$(winepath -u "${arguments[i]}" 2>/dev/null)" ||
        e2e_fail "no Linux path for the recorded ${arguments[i]}" || return 1
    done
    dir="$1-$n"
    firefox_profile "$dir" || return 1
    firefox_start "$dir" "${arguments[@]:2}"
    FIREFOX_OTHER_PIDS+=("$FIREFOX_PID")
    FIREFOX_PID=""
  done
}
