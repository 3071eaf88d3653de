#!/usr/bin/env bash
# Pages kept from the real Chromium's session files: Debian's chromium runs as the prefix's
# Chrome (or Edge) with its User Data folder there, tools/chromium_win.exe holds what Chrome on
# Windows holds, the browser is killed for a crash or closed with real keys, and a recorder under
# App Paths stands for chrome.exe / msedge.exe. Each chromium run costs seconds (a crash about
# 10 s, until Preferences says "Crashed"): the self-check's killed browser serves the case of the
# crash while the program was away.
set -uo pipefail
# The tray icon needs its own X window for real clicks (tests/e2e/tray_input.sh).
E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/tray_input.sh
source "$E2E_DIR/tray_input.sh"
# For its tool that reads the access log (standin_access_log); the stand-in is not registered.
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"
# shellcheck source=tests/e2e/real_browser.sh
source "$E2E_DIR/real_browser.sh"
# shellcheck source=tests/e2e/chromium.sh
source "$E2E_DIR/chromium.sh"

balloon_is() { [[ "$(e2e_pmctl balloon)" == "$1" ]]; }
balloon_has() { [[ "$(e2e_pmctl balloon)" == *"$1"* ]]; }
set_count() { compgen -G "$E2E_FOLDER/Log/set[0-9][0-9].pmh" | wc -l; }
has_sets() { (($(set_count) >= $1)); }

# The balloon after a crash of BROWSER's profile NAME with COUNT pages to reopen.
crash_balloon() { # BROWSER NAME COUNT
  printf '%s（%s）が異常終了しました。\nアイコンをダブルクリックすると %s ページを開き直します。' "$@"
}

wait_balloon() { # TEXT
  e2e_wait_until 20 "the balloon" balloon_is "$1" ||
    e2e_fail "balloons: $(e2e_pmctl balloon | tr '\n' '|')"
}

# The recorded line that reopens one window of profile Default with the pages ADDRESS...; an
# argument with a blank in quotes, as a Windows command line carries it.
reopen_line() {
  local address argument line='--profile-directory=Default --new-window --'
  for address; do
    argument="$(reopen_argument "$address")"
    [[ "$argument" == *[[:blank:]]* ]] && argument="\"$argument\""
    line+=" $argument"
  done
  printf '%s' "$line"
}

# Windows one a line, each its addresses space-separated, sorted: the reopen starts one program
# a window, and those may record, and hand over, in any order.
windows_of_tabs() { awk -F '\t' '$1 != w { if (NR > 1) print line; line = ""; w = $1 }
  { line = line (line == "" ? "" : " ") $2 } END { if (NR) print line }' | sort; }
replay_lists() { # DIR EXPECTED_WINDOWS
  [[ "$(chromium_session_tabs "$1" | windows_of_tabs)" == "$2" ]]
}

# The browser on DIR as BROWSER (chrome, edge) of the prefix, started with ADDRESS...: its User
# Data folder linked, its lock file and session file held.
start_browser() { # BROWSER DIR ADDRESS...
  local browser=$1 dir=$2
  shift 2
  chromium_link "$browser" "$dir" || return 1
  chromium_start "$dir" "$@"
  chromium_hold "$browser"
}

# Runs case_NAME and ends whatever browser it left running.
run_case() { # NAME
  "case_$1"
  local status=$?
  chromium_stop_all
  return "$status"
}

# --- the pages --------------------------------------------------------------------------------

# The file: pages, made once chromium_setup has made their folder: plain ones, a Japanese name
# and a blank (percent-encoded in the addresses).
make_pages() {
  P1="$(chromium_page one.html One)"
  P2="$(chromium_page two.html Two)"
  P3="$(chromium_page 日本語.html 日本語のページ)"
  P4="$(chromium_page 'four five.html' 'Four five')"
  P5="$(chromium_page six.html Six)"
}
CHROME="Google Chrome"
EDGE="Microsoft Edge"

# --- the cases --------------------------------------------------------------------------------

# No program: what the harness itself makes of the real browser. The session file lists the
# pages and cannot be read while the browser runs; after kill -9 the lock file is gone, the file
# reads again and Preferences says "Crashed". The killed browser stays for case_away_crash.
AWAY_DIR="$CHROMIUM_WORK/away"
case_browser_files() {
  local tabs="1	$P1"$'\n'"1	$P2"$'\n'"1	$P3"
  rm -rf "$AWAY_DIR"
  start_browser chrome "$AWAY_DIR" "$P1" "$P2" "$P3" || return 1
  chromium_wait_tabs "$AWAY_DIR" "$tabs" && chromium_wait_exit_type "$AWAY_DIR" Crashed || return 1
  local session
  session="Default\\Sessions\\$(chromium_session_name "$AWAY_DIR")"
  e2e_assert_eq held "$(chromium_probe chrome "$session")" "the session file while it runs" &&
    e2e_assert_eq "readable 0" "$(chromium_probe chrome lockfile)" "the lock file while it runs" ||
    return 1
  chromium_crash || return 1
  e2e_assert_missing "$AWAY_DIR/lockfile" "the lock file after the kill" || return 1
  [[ "$(chromium_probe chrome "$session")" == "readable "[1-9]* ]] ||
    e2e_fail "the session file after the kill: $(chromium_probe chrome "$session")" || return 1
  chromium_tabs_are "$AWAY_DIR" "$tabs" ||
    e2e_fail "the session file after the kill lists $(chromium_session_tabs "$AWAY_DIR")" ||
    return 1
  e2e_assert_eq Crashed "$(chromium_exit_type "$AWAY_DIR")" "exit_type after the kill" &&
    : >"$AWAY_DIR/.killed"
}

# Two windows, five tabs, a crash while the program runs: the balloon, one start of chrome.exe a
# window on the double-click, none on the second, and the real browser given those arguments
# opens those windows again.
case_crash_reopen() {
  local dir="$CHROMIUM_WORK/crash" tabs
  tabs="1	$P1"$'\n'"1	$P2"$'\n'"1	$P3"$'\n'"2	$P4"$'\n'"2	$P5"
  chromium_register_recorder chrome.exe || return 1
  start_browser chrome "$dir" "$P1" "$P2" "$P3" || return 1
  # The program starts while the browser runs its first seconds.
  start_and_wait_for_icon || return 1
  e2e_wait_until 30 "chromium to take a second start" test -e "$dir/SingletonSocket" &&
    chromium_hand_over "$dir" --new-window "$P4" "$P5" || return 1
  chromium_wait_tabs "$dir" "$tabs" && chromium_wait_exit_type "$dir" Crashed || return 1
  local name
  name="$(chromium_profile_name "$dir")"
  chromium_crash || return 1
  wait_balloon "$(crash_balloon "$CHROME" "$name" 5)" || return 1
  e2e_screenshot chromium-crash-balloon
  tray_click 1 2 || return 1
  recorder_wait 2 || return 1
  e2e_assert_eq "$(printf '%s\n' "$(reopen_line "$P1" "$P2" "$P3")" "$(reopen_line "$P4" "$P5")" |
    sort)" "$(sort "$CHROMIUM_RECORDER_LOG")" "the recorded command lines" || return 1
  e2e_assert_no_message_box || return 1
  tray_click 1 2 || return 1
  recorder_wait 2 || return 1

  local replay="$CHROMIUM_WORK/replay" expected
  expected="$(windows_of_tabs <<<"$tabs")"
  chromium_replay "$replay" || return 1
  e2e_wait_until 30 "the real browser to open the recorded windows" replay_lists "$replay" \
    "$expected" || e2e_fail "its session file lists $(chromium_session_tabs "$replay" |
      tr '\t\n' ' |')" || return 1
  chromium_crash
}

# A clean end (Ctrl+Shift+W, the browser's one window closed): kept, listed in the selection
# window, but neither announced nor reopened. One window: closing windows one by one leaves only
# the last one in the session file, as the browser would restore it (measured).
case_clean_end() {
  local dir="$CHROMIUM_WORK/clean"
  chromium_register_recorder chrome.exe || return 1
  # The program first: with a browser window that first showed while the program started, its
  # first tray menu took no access key under Wine (measured, every time; a second menu did).
  start_and_wait_for_icon || return 1
  start_browser chrome "$dir" "$P1" "$P2" || return 1
  chromium_wait_tabs "$dir" "1	$P1"$'\n'"1	$P2" || return 1
  chromium_close_windows && chromium_wait_exit_type "$dir" Normal || return 1
  # The browser's end closes its files: the lock file goes with the holder's.
  chromium_release || return 1
  e2e_wait_until 20 "the set to be kept" has_sets 1 || return 1
  tray_click 1 2 || return 1
  recorder_wait 0 || return 1
  e2e_assert_eq "" "$(e2e_pmctl balloon)" "the balloons after a clean end" || return 1
  if BOX_TEXT="$(e2e_pmctl message-box-text 0 2>/dev/null)"; then
    pm_log "the double-click showed: $(tr '\n' ' ' <<<"$BOX_TEXT")"
    press_keys Pagemind Return || return 1
  fi
  open_selection || return 1
  # Local State is written late in a run: read once the browser has ended.
  e2e_assert_contains "$(e2e_pmctl check-rows "$SELECTION")" \
    "$CHROME（$(chromium_profile_name "$dir")）" "the selection window's rows" || return 1
  e2e_screenshot chromium-clean-selection
}

# The browser crashed while the program was not running (case_browser_files' kill): found at
# the program's start and reopened.
case_away_crash() {
  [[ -e "$AWAY_DIR/.killed" ]] || case_browser_files || return 1
  chromium_register_recorder chrome.exe && chromium_link chrome "$AWAY_DIR" || return 1
  start_and_wait_for_icon || return 1
  wait_balloon "$(crash_balloon "$CHROME" "$(chromium_profile_name "$AWAY_DIR")" 3)" || return 1
  tray_click 1 2 || return 1
  recorder_wait 1 || return 1
  e2e_assert_eq "$(reopen_line "$P1" "$P2" "$P3")" "$(cat "$CHROMIUM_RECORDER_LOG")" \
    "the recorded command line"
}

# A damaged session file: the program stays, and says so once in the access log, even when a
# later end of the browser makes it read the profiles again (seen by the other profile's crash).
case_damaged_session() {
  local dir="$CHROMIUM_WORK/damaged" bad=Session_13441200000000000
  local fixture="$E2E_DIR/../browsers/fixtures/chromium/crash/Default"
  rm -rf "$dir"
  mkdir -p "$dir/Default/Sessions" "$dir/Second/Sessions"
  printf '{"profile": {"info_cache": {"Default": {"name": "Damaged"}, "Second": {"name": "Second"}}}}' \
    >"$dir/Local State"
  cp "$fixture/Preferences" "$dir/Default/" && cp "$fixture/Preferences" "$dir/Second/" || return 1
  printf 'SNSX not a session file\n' >"$dir/Default/Sessions/$bad"
  chromium_register_recorder chrome.exe && chromium_link chrome "$dir" || return 1
  start_and_wait_for_icon || return 1
  e2e_wait_until 20 "the access log to name $bad" damaged_reports 1 || return 1
  chromium_hold chrome || return 1
  cp "$fixture"/Sessions/Session_* "$dir/Second/Sessions/" || return 1
  # The program looks for the lock file once a second: it must have seen the browser run.
  e2e_sleep_ms 2500
  chromium_release || return 1
  e2e_wait_until 20 "the balloon for the second profile" balloon_has "$CHROME（Second）" ||
    e2e_fail "balloons: $(e2e_pmctl balloon | tr '\n' '|')" || return 1
  e2e_assert_eq 1 "$(e2e_program_count)" "pagemind.exe processes" &&
    e2e_assert_eq 1 "$(damaged_report_count)" "access-log lines naming $bad"
}
damaged_report_count() { standin_access_log | grep -c 'Session_13441200000000000'; }
damaged_reports() { (($(damaged_report_count) >= $1)); }

# Edge in short: its folder, its balloon, msedge.exe started.
case_edge_crash() {
  local dir="$CHROMIUM_WORK/edge"
  chromium_register_recorder msedge.exe || return 1
  start_browser edge "$dir" "$P4" "$P5" && start_and_wait_for_icon || return 1
  chromium_wait_tabs "$dir" "1	$P4"$'\n'"1	$P5" && chromium_wait_exit_type "$dir" Crashed ||
    return 1
  local name
  name="$(chromium_profile_name "$dir")"
  chromium_crash || return 1
  wait_balloon "$(crash_balloon "$EDGE" "$name" 2)" || return 1
  tray_click 1 2 || return 1
  recorder_wait 1 || return 1
  e2e_assert_eq "$(reopen_line "$P4" "$P5")" "$(cat "$CHROMIUM_RECORDER_LOG")" \
    "the recorded command line"
}

e2e_setup chromium
chromium_setup
standin_build || {
  echo "FAIL chromium: the access-log tool did not build"
  exit 1
}
make_pages
for name in browser_files crash_reopen clean_end away_crash damaged_session edge_crash; do
  eval "run_$name() { run_case $name; }"
  e2e_case "$name" "run_$name"
done
e2e_finish
