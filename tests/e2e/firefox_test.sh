#!/usr/bin/env bash
# Pages followed in the real Firefox's session files: Debian's firefox-esr runs on a profile that
# the prefix's profiles.ini names, tools/holdfile.exe holds its parent.lock as Firefox on Windows
# does, the browser is killed for a crash or quit with real keys, and a recorder under App Paths
# stands for firefox.exe. Firefox writes its session every second here (user.js), so a case
# waits seconds, not the 15 s of its default.
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
# shellcheck source=tests/e2e/firefox.sh
source "$E2E_DIR/firefox.sh"

FIREFOX="Mozilla Firefox"
balloon_is() { [[ "$(e2e_pmctl balloon)" == "$1" ]]; }
set_count() { compgen -G "$E2E_FOLDER/Log/set[0-9][0-9].pmh" | wc -l; }
has_sets() { (($(set_count) >= $1)); }
rows() { e2e_pmctl check-rows "$SELECTION"; }

crash_balloon() { # NAME COUNT
  printf '%s（%s）が異常終了しました。\nアイコンをダブルクリックすると %s ページを開き直します。' \
    "$FIREFOX" "$@"
}

wait_balloon() { # TEXT
  e2e_wait_until 20 "the balloon" balloon_is "$1" ||
    e2e_fail "balloons: $(e2e_pmctl balloon | tr '\n' '|')"
}

# The recovery copy lists every address given as one of its pages.
copy_lists() { # ADDRESS...
  local copy address
  copy="$(tr -d '\r' 2>/dev/null <"$(recovery_copy)")" || return 1
  for address; do grep -qxF "page $address" <<<"$copy" || return 1; done
}

# Waits until the recovery copy lists the addresses, and logs how long after Firefox's last
# write of its session file that was.
wait_copy_lists() { # DIR ADDRESS...
  local dir=$1
  shift
  e2e_wait_until 20 "the recovery copy to list Firefox's pages" copy_lists "$@" || return 1
  local written
  written=$(stat -c %.3Y "$dir/sessionstore-backups/recovery.jsonlz4" | tr -d .)
  pm_log "the recovery copy listed them $(($(e2e_now_ms) - written)) ms after Firefox's write"
}

# The recorded line that reopens one window of profile NAME with the pages ADDRESS...
reopen_line() { # NAME ADDRESS...
  local line="-P $1" address argument
  shift
  for address; do
    argument="$(reopen_argument "$address")"
    [[ "$argument" == *[[:blank:]]* ]] && argument="\"$argument\""
    line+=" -url $argument"
  done
  printf '%s' "$line"
}

# The selection window opened through the tray menu, its rows in SELECTION_ROWS.
open_selection_rows() {
  firefox_unfocus && open_selection || return 1
  SELECTION_ROWS="$(rows)"
  pm_log "selection rows: $(tr '\n' '|' <<<"$SELECTION_ROWS")"
}

# The access log names the set kept: "Mozilla Firefox（NAME）: 異常終了、5 ページを保存しました。"
log_names_set() { # NAME HOW COUNT
  e2e_assert_contains "$(standin_access_log)" "$FIREFOX（$1）: $2、$3 ページを保存しました。" \
    "the access log"
}

# Runs case_NAME and ends whatever browser it left running.
run_case() { # NAME
  "case_$1"
  local status=$?
  [[ -z "$E2E_REASON" ]] || pm_log "access log: $(standin_access_log | tr '\n' '|')"
  firefox_stop_all
  return "$status"
}

make_pages() {
  P1="$(firefox_page one.html One)"
  P2="$(firefox_page two.html Two)"
  P3="$(firefox_page 日本語.html 日本語のページ)"
  P4="$(firefox_page 'four five.html' 'Four five')"
  P5="$(firefox_page six.html Six)"
}

# --- the cases --------------------------------------------------------------------------------

# Two windows, five tabs, followed while Firefox runs (the selection window's current pages and
# the recovery copy), then a crash: the balloon, one start of firefox.exe a window with -P on the
# double-click, none on the second, and the real browser given each recorded line opens that
# window again. The crashed profile stays for case_away_crash.
CRASH_DIR="$FIREFOX_WORK/profiles/crash"
case_crash_reopen() {
  local dir=$CRASH_DIR tabs
  tabs="1	$P1"$'\n'"1	$P2"$'\n'"1	$P3"$'\n'"2	$P4"$'\n'"2	$P5"
  firefox_register_recorder && firefox_profile "$dir" && firefox_profiles_ini Work "$dir" &&
    firefox_hold "$dir" || return 1
  # The program first: a browser window that shows while it starts takes the first tray menu's
  # access key away under Wine (measured with Chromium).
  start_and_wait_for_icon || return 1
  local started
  started=$(e2e_now_ms)
  mapfile -t urls < <(firefox_url_arguments "$P1" "$P2" "$P3")
  firefox_start "$dir" "${urls[@]}"
  e2e_wait_until 30 "the first firefox window" firefox_has_windows 1 || return 1
  pm_log "firefox showed its window $(($(e2e_now_ms) - started)) ms after its start"
  e2e_wait_file "$dir/sessionstore-backups/recovery.jsonlz4" 30 || return 1
  pm_log "firefox wrote recovery.jsonlz4 $(($(e2e_now_ms) - started)) ms after its start"
  firefox_new_window "$P4" "$P5" && firefox_wait_tabs "$dir" "$tabs" || return 1
  e2e_assert_eq held "$(firefox_probe "$dir/parent.lock")" "parent.lock while Firefox runs" ||
    return 1
  wait_copy_lists "$dir" "$P1" "$P2" "$P3" "$P4" "$P5" || return 1
  open_selection_rows || return 1
  e2e_assert_contains "$SELECTION_ROWS" "現在のページ  $FIREFOX（Work）  (5 ページ)" \
    "the selection window's rows" &&
    e2e_assert_contains "$SELECTION_ROWS" "[ ] 日本語のページ" "the selection window's rows" ||
    return 1
  e2e_screenshot firefox-running-selection
  press_keys "$SELECTION" Escape && e2e_wait_no_window "$SELECTION" 10 || return 1

  firefox_crash || return 1
  firefox_ended_cleanly "$dir" && e2e_fail "sessionCheckpoints.json says a clean end" && return 1
  : >"$dir/.killed"
  wait_balloon "$(crash_balloon Work 5)" && log_names_set Work 異常終了 5 || return 1
  e2e_screenshot firefox-crash-balloon
  tray_click 1 2 || return 1
  recorder_wait 2 || return 1
  e2e_assert_eq "$(printf '%s\n' "$(reopen_line Work "$P1" "$P2" "$P3")" \
    "$(reopen_line Work "$P4" "$P5")" | sort)" "$(sort "$FIREFOX_RECORDER_LOG")" \
    "the recorded command lines" && e2e_assert_no_message_box || return 1
  tray_click 1 2 && recorder_wait 2 || return 1

  # Each recorded window, given to the real browser, is that window again.
  local replay="$FIREFOX_WORK/profiles/replay" n expected line
  firefox_replay "$replay" || return 1
  for n in 1 2; do
    line="$(sed -n "${n}p" "$FIREFOX_RECORDER_LOG")"
    if [[ "$line" == *one.html* ]]; then
      expected="1	$P1"$'\n'"1	$P2"$'\n'"1	$P3"
    else
      expected="1	$P4"$'\n'"1	$P5"
    fi
    firefox_wait_tabs "$replay-$n" "$expected" || return 1
  done
}

# Firefox ended while the program was not running (case_crash_reopen's kill): found at the
# program's first check and offered; profiles.ini names the profile by its absolute path.
case_away_crash() {
  [[ -f "$CRASH_DIR/.killed" ]] ||
    e2e_fail "no crashed profile: case crash_reopen did not run" || return 1
  firefox_register_recorder && firefox_profiles_ini Away "$CRASH_DIR" absolute || return 1
  start_and_wait_for_icon || return 1
  wait_balloon "$(crash_balloon Away 5)" || return 1
  tray_click 1 2 && recorder_wait 2 || return 1
  e2e_assert_contains "$(cat "$FIREFOX_RECORDER_LOG")" "$(reopen_line Away "$P4" "$P5")" \
    "the recorded command lines"
}

# A clean end (Ctrl+Q, then the lock let go): kept and listed in the selection window, but
# neither announced nor reopened.
case_clean_end() {
  local dir="$FIREFOX_WORK/profiles/clean"
  firefox_register_recorder && firefox_profile "$dir" && firefox_profiles_ini Clean "$dir" &&
    firefox_hold "$dir" || return 1
  start_and_wait_for_icon || return 1
  mapfile -t urls < <(firefox_url_arguments "$P1" "$P2")
  firefox_start "$dir" "${urls[@]}"
  firefox_wait_tabs "$dir" "1	$P1"$'\n'"1	$P2" && wait_copy_lists "$dir" "$P1" "$P2" || return 1
  local quit
  quit=$(e2e_now_ms)
  firefox_quit || return 1
  pm_log "firefox ended $(($(e2e_now_ms) - quit)) ms after Ctrl+Q"
  firefox_ended_cleanly "$dir" || e2e_fail "sessionCheckpoints.json: no clean end" || return 1
  firefox_release || return 1
  e2e_wait_until 20 "the set to be kept" has_sets 1 && log_names_set Clean 終了 2 || return 1
  tray_click 1 2 && recorder_wait 0 || return 1
  e2e_assert_eq "" "$(e2e_pmctl balloon)" "the balloons after a clean end" || return 1
  if BOX_TEXT="$(e2e_pmctl message-box-text 0 2>/dev/null)"; then
    pm_log "the double-click showed: $(tr '\n' ' ' <<<"$BOX_TEXT")"
    press_keys Pagemind Return || return 1
  fi
  open_selection_rows || return 1
  e2e_assert_contains "$SELECTION_ROWS" "$FIREFOX（Clean） 終了  (2 ページ)" \
    "the selection window's rows" || return 1
  [[ "$SELECTION_ROWS" != *"現在のページ  $FIREFOX"* ]] ||
    e2e_fail "Firefox's pages are still current after its end: $SELECTION_ROWS"
}

# The program killed while Firefox runs, which opens a tab before the program starts again: the
# next start keeps what the recovery copy held as a set (its end unknown then), and once it has
# read the session file again Firefox's current pages are those of now; a crash of Firefox after
# that is announced as any other.
# Firefox started again without restoring its cleanly ended run (its start page now a blank
# page): those pages are only in the new run's lastSessionState. The program, started then, keeps
# them as that run's end: listed, neither announced nor opened.
case_not_restored() {
  local dir="$FIREFOX_WORK/profiles/clean"
  [[ -f "$dir/sessionstore.jsonlz4" ]] ||
    e2e_fail "no cleanly ended profile: case clean_end did not run" || return 1
  sed -i 's/"browser.startup.page", 3/"browser.startup.page", 0/' "$dir/user.js" &&
    firefox_register_recorder && firefox_profiles_ini Clean "$dir" && firefox_hold "$dir" ||
    return 1
  firefox_start "$dir"
  e2e_wait_until 30 "the new run's file to keep the run before aside" keeps_aside "$dir" ||
    e2e_fail "the session file lists: $(firefox_session_tabs "$dir" | tr '\t\n' ' |')" ||
    return 1
  start_and_wait_for_icon || return 1
  e2e_wait_until 20 "the set to be kept" has_sets 1 && log_names_set Clean 終了 2 || return 1
  e2e_assert_eq "" "$(e2e_pmctl balloon)" "the balloons" || return 1
  tray_click 1 2 && recorder_wait 0 || return 1
  if BOX_TEXT="$(e2e_pmctl message-box-text 0 2>/dev/null)"; then
    press_keys Pagemind Return || return 1
  fi
  open_selection_rows || return 1
  e2e_assert_contains "$SELECTION_ROWS" "$FIREFOX（Clean） 終了  (2 ページ)" \
    "the selection window's rows" || return 1
  # The same session as clean_end kept at that end, so a program that kept it then does not
  # keep it again.
  e2e_assert_eq "$(grep '^session ' "$E2E_FOLDER/../clean_end/Log/set00.pmh")" \
    "$(grep '^session ' "$E2E_FOLDER/Log/set00.pmh")" "the kept session's key"
}

keeps_aside() { # DIR
  local tabs
  tabs="$(firefox_session_tabs "$1")"
  [[ "$tabs" == *"previous:1	$P1"$'\n'"previous:1	$P2"* ]]
}

case_program_killed() {
  local dir="$FIREFOX_WORK/profiles/killed"
  firefox_profile "$dir" && firefox_profiles_ini Killed "$dir" && firefox_hold "$dir" || return 1
  start_and_wait_for_icon || return 1
  mapfile -t urls < <(firefox_url_arguments "$P1" "$P2" "$P3")
  firefox_start "$dir" "${urls[@]}"
  firefox_wait_tabs "$dir" "1	$P1"$'\n'"1	$P2"$'\n'"1	$P3" &&
    wait_copy_lists "$dir" "$P1" "$P2" "$P3" || return 1
  local pids
  pids="$(e2e_program_pids)"
  # shellcheck disable=SC2086  # one pid a word
  kill -KILL $pids && e2e_wait_until 20 "pagemind.exe to die" e2e_no_program_running &&
    e2e_wait_until 10 "the tray icon to go" tray_icon_gone || return 1
  firefox_open_in "$(firefox_windows | head -n 1)" ctrl+t "$P4" &&
    firefox_wait_tabs "$dir" "1	$P1"$'\n'"1	$P2"$'\n'"1	$P3"$'\n'"1	$P4" || return 1
  start_and_wait_for_icon || return 1
  local shown
  shown=$(e2e_now_ms)
  e2e_wait_until 20 "the recovery copy to list the new tab" copy_lists "$P4" || return 1
  pm_log "the new copy listed the new tab $(($(e2e_now_ms) - shown)) ms after the icon showed"
  open_selection_rows || return 1
  e2e_assert_contains "$SELECTION_ROWS" "現在のページ  $FIREFOX（Killed）  (4 ページ)" \
    "the selection window's rows" || return 1
  grep -qE "^ *[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}  $FIREFOX（Killed） .*\(3 ページ\)$" \
    <<<"$SELECTION_ROWS" || e2e_fail "no kept set of Firefox's pages: $SELECTION_ROWS" || return 1
  press_keys "$SELECTION" Escape && e2e_wait_no_window "$SELECTION" 10 && firefox_crash &&
    wait_balloon "$(crash_balloon Killed 4)" && log_names_set Killed 異常終了 4
}

e2e_setup firefox
firefox_setup
standin_build || {
  echo "FAIL firefox: the access-log tool did not build"
  exit 1
}
make_pages
for name in crash_reopen away_crash clean_end not_restored program_killed; do
  eval "run_$name() { run_case $name; }"
  e2e_case "$name" "run_$name"
done
e2e_finish
