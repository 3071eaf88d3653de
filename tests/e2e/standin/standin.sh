# shellcheck shell=bash
# The shell-window stand-in and the browser tool for the end-to-end tests and the Wine benchmark:
# building them, registering the stand-in in the test prefix, a local web server for the pages
# the browsers open, and the browser crash with the recovery Wine needs after it.
#
# Source tests/e2e/lib.sh first: this file uses its E2E_* settings and the pm_* helpers.
# shellcheck disable=SC2034  # the variables are for the scripts that source this file

STANDIN_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
STANDIN_EXE="$E2E_BUILD/shellwindows_standin.exe"
STANDIN_BROWSERS_EXE="$E2E_BUILD/browsers.exe"
STANDIN_CLSID='{FAFCB26C-C335-4D90-8F4F-784C3C5CE04B}'
STANDIN_SHELLWINDOWS_KEY='HKLM\Software\Classes\CLSID\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}'
STANDIN_KEY="HKLM\\Software\\Classes\\CLSID\\$STANDIN_CLSID"
# The desktop the browser tool works on: the program's virtual desktop unless a case says
# otherwise (an empty name is the default desktop).
if [[ "${E2E_MODE:-desktop}" == plain ]]; then STANDIN_DESKTOP=""; else STANDIN_DESKTOP=$E2E_DESKTOP; fi

STANDIN_HTTP_PORT=""
STANDIN_HTTP_LOG=""

# --- building ---------------------------------------------------------------------------------

# The stand-in, and the browser tool with its parts tools/browsers_*.cpp.
standin_build() {
  local parts=()
  mapfile -t parts < <(compgen -G "$STANDIN_DIR/../tools/browsers_*.cpp")
  e2e_compile "$STANDIN_EXE" "$STANDIN_DIR/main.cpp" "$STANDIN_DIR/objects.cpp" -- \
    -municode -mwindows -lole32 -loleaut32 -luuid &&
    e2e_compile "$STANDIN_BROWSERS_EXE" "$STANDIN_DIR/../tools/browsers.cpp" "${parts[@]}" -- \
      -lshell32 -lole32 -loleaut32 -luuid
}

# --- registration in the prefix ---------------------------------------------------------------

# Points CLSID_ShellWindows at the stand-in for every program of the prefix. Wine applies the
# TreatAs key before it asks for explorer's own registration of the class. Nothing else is
# needed: wineboot already registers IShellWindows and IWebBrowser2 for marshalling through the
# type library in ieframe.dll (ProxyStubClsid32 PSOAInterface, TypeLib EAB22AC0... 1.1).
standin_register() {
  local exe
  exe="$(pm_winpath "$STANDIN_EXE")" && [[ -n "$exe" ]] || return 1
  pm_wine reg add "$STANDIN_KEY" /ve /d "Pagemind test stand-in for ShellWindows" /f &&
    pm_wine reg add "$STANDIN_KEY\\LocalServer32" /ve /d "$exe" /f &&
    pm_wine reg add "$STANDIN_SHELLWINDOWS_KEY\\TreatAs" /ve /d "$STANDIN_CLSID" /f
} >/dev/null 2>&1

# Gives the prefix its own ShellWindows back, for the tests that run after this one.
standin_unregister() {
  pm_wine reg delete "$STANDIN_SHELLWINDOWS_KEY\\TreatAs" /f
  pm_wine reg delete "$STANDIN_KEY" /f
  return 0
} >/dev/null 2>&1

# --- the browser tool -------------------------------------------------------------------------

# Runs tests/e2e/tools/browsers.cpp with its arguments on STANDIN_DESKTOP; output to stdout.
standin_browsers() {
  BROWSERS_DESKTOP="$STANDIN_DESKTOP" pm_wine "$STANDIN_BROWSERS_EXE" "$@" </dev/null
}

# Unix pids of the running Wine processes of this prefix whose executable is NAME (one a line).
standin_pids_of() {
  local name=${1,,} pid argv0
  while IFS=$'\t' read -r pid argv0; do
    argv0=${argv0,,}
    [[ "$argv0" == "$name" || "$argv0" == *"\\$name" || "$argv0" == *"/$name" ]] || continue
    # Other prefixes (other test runs) may have browsers of their own.
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
      echo "$pid"
  done < <(pm_processes)
  return 0
}

standin_browser_count() { standin_pids_of iexplore.exe | wc -l; }
standin_no_browser() { (($(standin_browser_count) == 0)); }
standin_server_count() { standin_pids_of shellwindows_standin.exe | wc -l; }
standin_no_server() { (($(standin_server_count) == 0)); }

# The crash: every browser process of the prefix killed in one signal, with no chance to clean up.
standin_crash_browsers() {
  local pids
  mapfile -t pids < <(standin_pids_of iexplore.exe)
  ((${#pids[@]} > 0)) || {
    e2e_fail "no browser process to kill"
    return 1
  }
  pm_log "killing browser processes ${pids[*]}"
  kill -KILL "${pids[@]}" 2>/dev/null
  STANDIN_CRASHED_MS=$(e2e_now_ms)
  e2e_wait_until 10 "the browser processes to end" standin_no_browser
}

# No browser frame is left on the desktop within 10 s (after a crash). Each look is a run of the
# tool of its own, so that one run that fails (it did once, at once, in some forty) is looked
# past rather than taken for frames left.
standin_wait_no_frames() {
  e2e_wait_until 10 "no browser frame to be left after the crash" standin_no_visible_frame ||
    e2e_fail_detail "frames: $(standin_browsers frames | tr '\n\t' '| ')"
}
standin_no_visible_frame() {
  local frames
  frames="$(standin_browsers frames)" || return 1
  ! awk -F '\t' '$3 == 1 { found = 1 } END { exit !found }' <<<"$frames"
}

# After its browsers were killed, Wine's rpcss still hands out their dead class registration and
# creating a browser fails with 0x800706BA; stopping the service clears its table. Stopping it
# also forgets the stand-in's registration, which the stand-in is then asked to renew.
# Restarted within about a second of the kill, rpcss later failed one browser of a reopen (the
# program's window never showed, 4 runs in 4); restarted 3 s after it, it has not since: the
# restart waits until the crash is that old.
STANDIN_RPCSS_AFTER_CRASH_MS=3000
STANDIN_CRASHED_MS=0
standin_restart_rpcss() {
  local wait_ms=$((STANDIN_CRASHED_MS + STANDIN_RPCSS_AFTER_CRASH_MS - $(e2e_now_ms)))
  ((wait_ms <= 0)) || e2e_sleep_ms "$wait_ms"
  pm_wine net stop rpcss >/dev/null 2>&1 || e2e_fail "net stop rpcss failed" || return 1
  pm_wine net start rpcss >/dev/null 2>&1 || e2e_fail "net start rpcss failed" || return 1
  if ! standin_no_server; then
    standin_browsers reregister || e2e_fail "the stand-in did not renew its registration" ||
      return 1
  fi
}

# --- the web server ---------------------------------------------------------------------------

# standin_start_http DIR LOG: serves DIR on a free port of 127.0.0.1 until the script ends; sets
# STANDIN_HTTP_PORT and STANDIN_HTTP_LOG (the server's request log).
standin_start_http() {
  local dir=$1 log=$2 attempt port pid i
  for ((attempt = 0; attempt < 5; attempt++)); do
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0));
print(s.getsockname()[1]); s.close()')" || return 1
    # The port may be taken again between the probe and the bind: then the server exits and the
    # next port is tried.
    (cd "$dir" && exec env PYTHONIOENCODING=utf-8 PYTHONUNBUFFERED=1 \
      python3 -m http.server --bind 127.0.0.1 "$port") </dev/null >"$log" 2>&1 &
    pid=$!
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        STANDIN_HTTP_PORT=$port
        STANDIN_HTTP_LOG=$log
        pm_on_exit "pm_stop_pid $pid"
        return 0
      fi
      sleep 0.05
    done
    pm_stop_pid "$pid"
  done
  pm_log "the web server did not start"
  return 1
}

# standin_http_requests PATH: how many GET requests the server has logged for PATH (the part of
# the address after host and port, as typed, UTF-8). Wine's browser sends a path's non-ASCII
# characters as raw bytes of the ANSI code page (932 under the Japanese locale), not
# percent-encoded; the server logs the request line read as Latin-1 with control characters and
# backslashes escaped.
standin_http_requests() {
  python3 - "$STANDIN_HTTP_LOG" "$1" <<'PY'
import re
import sys

log, path = sys.argv[1], sys.argv[2].encode("cp932")
unescape = re.compile(r"\\x([0-9a-f]{2})|\\\\")
count = 0
with open(log, encoding="utf-8", errors="replace") as lines:
    for line in lines:
        m = re.search(r'"GET (.*) HTTP/1\.[01]"', line)
        if not m:
            continue
        text = unescape.sub(lambda e: chr(int(e.group(1), 16)) if e.group(1) else "\\", m.group(1))
        if text.encode("latin-1", errors="replace") == path:
            count += 1
print(count)
PY
}

# --- pages -----------------------------------------------------------------------------------

# The first COUNT (default 3) of the pages standin_setup serves, as "ADDRESS<TAB>TITLE" lines
# for PAGE_LIST: a plain one, one with commas and a query, one with a Japanese path (Wine's
# browser reports that address as typed, with the Japanese unencoded).
standin_page_list() { # [COUNT]
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT"
  printf '%s\t%s\n' "$base/plain.html" "Plain page" "$base/a,b.html?x=1,2" "カンマ, のページ" \
    "$base/日本語/ページ.html" "日本語のページ" | head -n "${1:-3}"
}

# Opens every page of PAGE_LIST ("ADDRESS<TAB>TITLE" lines) in its own browser and registers it
# with the stand-in.
standin_open_pages() {
  local address title out
  while IFS=$'\t' read -r address title; do
    out="$(standin_browsers open "$address" "$title")" ||
      e2e_fail "could not open and register $address" || return 1
    pm_log "opened $address as $out"
  done <<<"$PAGE_LIST"
}

# The lines of pagemind.exe's access log, top first.
standin_access_log() { standin_browsers log-lines "$E2E_MAIN_TITLE"; }

# The access log shows every page of PAGE_LIST: its "Name:" line directly above its " URL:"
# line, or with --titles its "Name:" line alone.
standin_log_shows_pages() { # [--titles]
  local log address title
  log="$(standin_access_log)" || return 1
  while IFS=$'\t' read -r address title; do
    if [[ "${1:-}" == --titles ]]; then
      [[ $'\n'"$log"$'\n' == *$'\n'"Name:$title"$'\n'* ]] || return 1
    else
      [[ $'\n'"$log"$'\n' == *$'\n'"Name:$title"$'\n'" URL:$address"$'\n'* ]] || return 1
    fi
  done <<<"$PAGE_LIST"
}

# The web server has logged exactly TIMES requests for the path of every page of PAGE_LIST.
standin_pages_requested() { # TIMES
  local address
  while IFS=$'\t' read -r address _; do
    (($(standin_http_requests "/${address#http://*/}") == $1)) || return 1
  done <<<"$PAGE_LIST"
}

# Every address of PAGE_LIST shown by exactly one visible browser frame, and no other frame.
frames_show_addresses() {
  local shown expected
  shown="$(standin_browsers frames | awk -F '\t' '$3 == 1 { print $4 }' | sort)" || return 1
  expected="$(cut -f 1 <<<"$PAGE_LIST" | sort)"
  [[ "$shown" == "$expected" ]]
}

# The slot files of the case's folder hold the addresses of PAGE_LIST in order, as pagemind.exe
# writes them (code page 932, no line break); with --rest-empty every later slot file is there
# and empty.
# shellcheck disable=SC2120  # --rest-empty is optional
standin_assert_slots_hold_pages() { # [--rest-empty]
  local expected="$E2E_FOLDER.expected" i=0 address
  mkdir -p "$expected"
  while IFS=$'\t' read -r address _; do
    e2e_write_cp932 "$expected/$i" "$address"
    e2e_assert_same_bytes "$expected/$i" "$(slot_file "$i")" "slot $i" || return 1
    i=$((i + 1))
  done <<<"$PAGE_LIST"
  [[ "${1:-}" == --rest-empty ]] || return 0
  for (( ; i < SLOT_COUNT; i++)); do
    [[ -f "$(slot_file "$i")" && ! -s "$(slot_file "$i")" ]] ||
      e2e_fail "slot $i is missing or not empty" || return 1
  done
}

# --- one call for a test script ---------------------------------------------------------------

# standin_setup: the stand-in built and registered, the three test pages served from a folder of
# the test's own; a script that cannot have them says so as a FAIL line and exits.
standin_setup() {
  local problem="" www="$E2E_BUILD/run/$E2E_TEST/www"
  rm -rf "$www" && mkdir -p "$www/日本語"
  local page
  for page in plain.html a,b.html 日本語/ページ.html; do
    printf '<html><head><title>%s</title></head><body>%s</body></html>\n' "$page" "$page" \
      >"$www/$page"
  done
  if ! standin_build; then
    problem="the stand-in or the browser tool did not build"
  elif ! standin_register; then
    problem="the stand-in could not be registered in $WINEPREFIX"
  elif ! standin_start_http "$www" "$E2E_ARTIFACTS/$E2E_TEST-http.log"; then
    problem="the web server did not start"
  fi
  pm_on_exit standin_unregister
  if [[ -n "$problem" ]]; then
    echo "FAIL $E2E_TEST: $problem"
    exit 1
  fi
}
