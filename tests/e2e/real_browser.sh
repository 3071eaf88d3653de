# shellcheck shell=bash
# What the tests with the real browsers share (tests/e2e/chromium.sh, tests/e2e/firefox.sh): the
# crash, and the browsers a reopen starts, replaced by recorder.exe.
#
# The browser a reopen starts is recorder.exe: a copy named as the browser's
# executable (chrome.exe, msedge.exe, firefox.exe) registered under HKCU App Paths, which is
# where pagemind.exe looks for it, appends each command line it is started with to a log; and
# tools/chromium_win.exe splits such a line into its arguments as the browsers on Windows split
# their own (the C runtime's rules, which Chrome and Firefox both follow).
#
# Source tests/e2e/lib.sh first and call recorder_setup once.
# shellcheck disable=SC2034  # the variables are for the scripts that source this file

RECORDER_APP_PATHS='HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths'
RECORDER_EXES=(chrome.exe msedge.exe firefox.exe)
RECORDER_SPLITTER="$E2E_BUILD/chromium_win.exe"
RECORDER_LOG="" # the registered copy's log, as a Unix path

# recorder.exe and the splitter built; the registrations go when the script exits. False when
# a tool did not build.
recorder_setup() {
  e2e_build_tool recorder &&
    e2e_compile "$RECORDER_SPLITTER" "$E2E_DIR/tools/chromium_win.cpp" -- -lshell32 || return 1
  pm_on_exit recorder_unregister_all
}

# The prefix is shared with the tests that run later: no browser is registered after this one.
recorder_unregister_all() {
  local exe
  for exe in "${RECORDER_EXES[@]}"; do
    pm_wine reg delete "$RECORDER_APP_PATHS\\$exe" /f >/dev/null 2>&1
  done
  return 0
}

# recorder_register EXE FOLDER LOG: a copy of recorder.exe as FOLDER/EXE, registered under App
# Paths\EXE, every other browser's registration removed; its lines go to LOG (emptied), through
# PM_RECORDER_LOG, which the program started after this passes on.
recorder_register() {
  local copy="$2/$1" exe
  mkdir -p "$2" && cp "$E2E_BUILD/recorder.exe" "$copy" || return 1
  for exe in "${RECORDER_EXES[@]}"; do
    [[ "$exe" == "$1" ]] || pm_wine reg delete "$RECORDER_APP_PATHS\\$exe" /f >/dev/null 2>&1
  done
  pm_wine reg add "$RECORDER_APP_PATHS\\$1" /ve /d "$(pm_winpath "$copy")" /f >/dev/null 2>&1 ||
    e2e_fail "could not register $1 under App Paths" || return 1
  RECORDER_LOG=$3
  rm -f "$RECORDER_LOG"
  export PM_RECORDER_LOG
  PM_RECORDER_LOG="$(pm_winpath "$RECORDER_LOG")"
}

recorder_count() { [[ -f "$RECORDER_LOG" ]] && wc -l <"$RECORDER_LOG" || echo 0; }
recorder_at_least() { (($(recorder_count) >= $1)); }

# Waits for exactly COUNT recorded lines; the moment after the last is the program's chance to
# start one more, which it must not.
recorder_wait() { # COUNT
  e2e_wait_until 20 "$1 reopened windows" recorder_at_least "$1" || return 1
  e2e_sleep_ms 2000
  e2e_assert_eq "$1" "$(recorder_count)" "windows the reopen started"
}

# The arguments of recorded line N (1-based) as the browser on Windows splits them, one a line.
recorder_arguments() {
  sed -n "${1}p" "$RECORDER_LOG" | pm_wine "$RECORDER_SPLITTER" args 2>/dev/null | tr -d '\r'
}

# What a reopen hands the browser for a page whose address in the session file is ADDRESS: a
# file: page as the local path the program checked (percent-decoded, Windows separators; without
# a drive here, as the address has none), any other address as it is.
reopen_argument() {
  [[ "$1" == file://* ]] || {
    printf '%s' "$1"
    return
  }
  python3 -c 'import sys, urllib.parse
print(urllib.parse.unquote(sys.argv[1][len("file://"):]).replace("/", "\\"), end="")' "$1"
}

# --- the hold ---------------------------------------------------------------------------------

# holder_start DIR WHAT EXE ARG...: a Windows tool that holds a browser's files as the running
# browser does on Windows, started in the background, its log in DIR (emptied first); its ARGs
# name DIR/ready, which it makes once it holds, and DIR\release, on which it lets go. Returns
# once it holds, HOLDER_PID set (the Wine process itself) also when it does not; WHAT names the
# hold in a failure.
HOLDER_PID=""
holder_start() {
  local dir=$1 what=$2
  shift 2
  rm -rf "$dir" && mkdir -p "$dir" || return 1
  (exec env "${PM_WINE_LOCALE[@]}" wine "$@") </dev/null >"$dir/held.log" 2>&1 &
  HOLDER_PID=$!
  disown "$HOLDER_PID"
  e2e_wait_file "$dir/ready" 30 || e2e_fail "$what: $(tr '\n' '|' <"$dir/held.log")"
}

# holder_release DIR PID: the hold let go as the browser's own end lets it go; returns once the
# tool has ended.
holder_release() {
  : >"$1/release"
  e2e_wait_until 10 "the holder to end" eval "! kill -0 $2 2>/dev/null"
}

# --- the crash --------------------------------------------------------------------------------

# The pids of PID's descendants (renderers, content processes, a zygote), one a line.
browser_descendants() {
  local stat pid ppid rest
  for stat in /proc/[0-9]*/stat; do
    { read -r pid rest <"$stat"; } 2>/dev/null || continue
    rest=${rest##*) }
    read -r _ ppid _ <<<"$rest"
    if [[ "$ppid" == "$1" ]]; then
      echo "$pid"
      browser_descendants "$pid"
    fi
  done
}

# browser_crash NAME BROWSER_PID HOLDER_PID: the browser and the Wine process that holds its
# files killed in one signal, then the browser's helper processes, which would end by themselves,
# so that none outlives the case; returns once the two have ended. Either pid may be "".
browser_crash() {
  local helpers=() pids=() pid
  [[ -n "$2" ]] && mapfile -t helpers < <(browser_descendants "$2")
  for pid in "$2" "$3"; do [[ -n "$pid" ]] && pids+=("$pid"); done
  ((${#pids[@]} > 0)) || e2e_fail "no $1 to kill" || return 1
  pm_log "killing $1 and its holder: ${pids[*]}"
  kill -KILL "${pids[@]}" 2>/dev/null
  ((${#helpers[@]} == 0)) || kill -KILL "${helpers[@]}" 2>/dev/null
  for pid in "${pids[@]}"; do
    e2e_wait_until 20 "process $pid to end" eval "! kill -0 $pid 2>/dev/null" || return 1
  done
}
