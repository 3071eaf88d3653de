#!/usr/bin/env bash
# The poller and the reopen command against real browser windows. Wine's own browsers show pages
# of a local web server; the shell's collection of browser windows, which Wine does not keep, is
# played by tests/e2e/standin, registered in the test prefix for the length of this script.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"

# How long the scenario lets the poller and the crash run; both are part of what is tested.
POLL_PERIOD_S=3.5
AFTER_CRASH_S=5

# The stand-in and the browser tool on their own, as pagemind.exe will use them: the collection
# reached through CLSID_ShellWindows, registration order kept, the shell's S_FALSE past the end,
# revoking, titles from the frames, the same collection after an rpcss restart, and a crash
# emptying the list whether or not a window handle was registered (the window check and the
# call to the dead browser).
case_standin_collection() {
  # The browsers open on the default desktop: no program runs in this case.
  # shellcheck disable=SC2034  # read by standin_browsers
  local STANDIN_DESKTOP=""
  local list expected cookie
  list="$(standin_browsers list)" || e2e_fail "list failed: $list" || return 1
  e2e_assert_eq $'count=0\nend\tS_FALSE null' "$list" "an empty collection" || return 1

  local base="http://127.0.0.1:$STANDIN_HTTP_PORT"
  cookie="$(standin_browsers open "$base/plain.html?first" "最初のページ" | cut -f 1)" ||
    e2e_fail "could not open the first page" || return 1
  standin_browsers open "$base/a,b.html?x=3,4" "Second, with a comma" >/dev/null ||
    e2e_fail "could not open the second page" || return 1
  standin_browsers open --no-window "$base/plain.html?third" >/dev/null ||
    e2e_fail "could not open the third page" || return 1
  list="$(standin_browsers list)"
  # The third has no frame to take a title from, and Wine's browser has none to give.
  expected="count=3"$'\n'"0"$'\t'"$base/plain.html?first"$'\t'"最初のページ"
  expected+=$'\n'"1"$'\t'"$base/a,b.html?x=3,4"$'\t'"Second, with a comma"
  expected+=$'\n'"2"$'\t'"failed 0x80004001"$'\n'"end"$'\t'"S_FALSE null"
  e2e_assert_eq "$expected" "$list" "the collection with three browsers" || return 1

  standin_browsers revoke "$cookie" || e2e_fail "revoking cookie $cookie failed" || return 1
  if standin_browsers revoke "$cookie" 2>/dev/null; then
    e2e_fail "a revoked cookie was revoked a second time" || return 1
  fi
  expected="count=2"$'\n'"0"$'\t'"$base/a,b.html?x=3,4"$'\t'"Second, with a comma"
  list="$(standin_browsers list | head -n 2)"
  e2e_assert_eq "$expected" "$list" "the collection after revoking the first" || return 1

  # rpcss forgets every class registration when it restarts; the stand-in renews its own, so
  # the collection reached afterwards is still this one and not a new, empty one.
  standin_restart_rpcss || return 1
  list="$(standin_browsers list | head -n 2)"
  e2e_assert_eq "$expected" "$list" "the collection after restarting rpcss" || return 1

  standin_crash_browsers || return 1
  list="$(standin_browsers list)"
  e2e_assert_eq $'count=0\nend\tS_FALSE null' "$list" "the collection after the crash" || return 1
  # With no window left and no client, the server leaves by itself.
  e2e_wait_until 10 "the stand-in to end" standin_no_server
}

# The poller remembers three open pages; after all browsers crash the slots keep them, and the
# reopen command opens them again in new browsers; the end command writes them to the slot files.
case_crash_and_reopen() {
  local PAGE_LIST
  PAGE_LIST="$(standin_page_list 3)"

  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  standin_open_pages || return 1
  sleep "$POLL_PERIOD_S"
  # The log is emptied each time the cursor wraps, so all three pairs are together only between
  # the visit of the last window and the next wrap: wait for that moment, at most one more round.
  e2e_wait_until 4 "the access log to show the three pages" standin_log_shows_pages ||
    e2e_fail "access log: $(standin_access_log | tr '\n' '|')" || return 1
  standin_pages_requested 1 || e2e_fail "the pages were not requested once each" || return 1

  standin_crash_browsers || return 1
  standin_wait_no_frames || return 1
  local before after
  before="$(standin_access_log)"
  sleep "$AFTER_CRASH_S"
  after="$(standin_access_log)"
  e2e_assert_eq "$before" "$after" "the access log while no browser is open" || return 1
  e2e_assert_eq $'count=0\nend\tS_FALSE null' "$(standin_browsers list)" \
    "the collection after the crash" || return 1

  standin_restart_rpcss || return 1
  e2e_pmctl post-command "$E2E_MAIN_TITLE" "$E2E_CMD_REOPEN" ||
    e2e_fail "could not post the reopen command" || return 1
  e2e_wait_until 20 "three browsers on the remembered addresses" frames_show_addresses ||
    e2e_fail "frames: $(standin_browsers frames | tr '\n' '|')" || return 1
  e2e_wait_until 10 "each page to be requested again" standin_pages_requested 2 || return 1
  e2e_screenshot poller_reopen-reopened
  e2e_assert_no_message_box || return 1

  e2e_end_and_wait || return 1
  standin_assert_slots_hold_pages --rest-empty
}

# Folder windows share the shell's collection with the browsers but are no pages: with one first
# and one last in the collection, the poller remembers only the three pages; a crash of every
# browser leaves the folders open and the pages remembered, also after the user opened a new
# page before asking for the reopen; and no folder address ever reaches a slot.
case_folders_beside_browsers() {
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT"
  local first_folder="file:///C:/users/Public/" last_folder="file:///C:/windows/"
  local PAGE_LIST crashed list
  PAGE_LIST="$base/plain.html?folders"$'\t'"Plain page"
  PAGE_LIST+=$'\n'"$base/a,b.html?folders"$'\t'"カンマ, のページ"
  PAGE_LIST+=$'\n'"$base/日本語/ページ.html?folders"$'\t'"日本語のページ"
  crashed=$PAGE_LIST

  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  standin_browsers open-folder "$first_folder" >/dev/null ||
    e2e_fail "the stand-in did not open the first folder window" || return 1
  standin_open_pages || return 1
  standin_browsers open-folder "$last_folder" >/dev/null ||
    e2e_fail "the stand-in did not open the last folder window" || return 1
  list="$(standin_browsers list)"
  e2e_assert_contains "$list" $'count=5\n0\t'"$first_folder"$'\tPublic\n' \
    "the collection's first window" || return 1
  e2e_assert_contains "$list" $'\n4\t'"$last_folder"$'\twindows\nend' \
    "the collection's last window" || return 1
  e2e_wait_until 15 "the access log to show the three pages" standin_log_shows_pages ||
    e2e_fail "access log: $(standin_access_log | tr '\n' '|')" || return 1

  standin_crash_browsers || return 1
  standin_wait_no_frames || return 1
  list="$(standin_browsers list)"
  e2e_assert_eq $'count=2\n0\t'"$first_folder"$'\tPublic\n1\t'"$last_folder"$'\twindows\nend\tS_FALSE null' \
    "$list" "the collection after the crash" || return 1

  standin_restart_rpcss || return 1
  local new_page="$base/plain.html?new"$'\t'"New page"
  PAGE_LIST=$new_page
  standin_open_pages || return 1
  # The restarted service answers the first calls of the poller and of the tools slowly, the
  # more so on a loaded machine (8 s were once not enough on a 2-core runner).
  e2e_wait_until 20 "the access log to show the new page" standin_log_shows_pages ||
    e2e_fail_detail "$(poller_picture)" || return 1

  e2e_pmctl post-command "$E2E_MAIN_TITLE" "$E2E_CMD_REOPEN" ||
    e2e_fail "could not post the reopen command" || return 1
  PAGE_LIST=$crashed
  e2e_wait_until 20 "each crashed page to be requested again" standin_pages_requested 2 ||
    e2e_fail "frames: $(standin_browsers frames | tr '\n' '|')" || return 1
  # The new page is remembered too, so the reopen opens it a second time.
  PAGE_LIST=$crashed$'\n'$new_page$'\n'$new_page
  e2e_wait_until 10 "five browsers on the pages" frames_show_addresses ||
    e2e_fail "frames: $(standin_browsers frames | tr '\n' '|')" || return 1
  list="$(standin_browsers list)"
  e2e_assert_contains "$list" $'\t'"$first_folder"$'\tPublic\n' "the first folder window" ||
    return 1
  e2e_assert_contains "$list" $'\t'"$last_folder"$'\twindows\n' "the last folder window" ||
    return 1

  e2e_end_and_wait 60 || return 1
  slots_hold_new_page_and_crashed
}

# Wine's browser does not register its windows with the shell's collection, so the windows of
# the reopen are never recorded: the crashed pages stay remembered for two cycles after it and
# are then forgotten. Which of them a slot still holds at the end depends on the time the end
# took; what never depends on it: the new page once, crashed pages at most once, no folder.
slots_hold_new_page_and_crashed() {
  local actual line new_seen=0
  actual="$(slot_addresses)"
  [[ -z "$(sort <<<"$actual" | uniq -d)" ]] ||
    e2e_fail "an address in two slots: $(tr '\n' '|' <<<"$actual")" || return 1
  while IFS= read -r line; do
    [[ -n "$line" ]] || continue
    if [[ "$line" == "${new_page%%$'\t'*}" ]]; then
      new_seen=1
    elif ! cut -f 1 <<<"$crashed" | grep -qxF -- "$line"; then
      e2e_fail "slot holds $line, neither the new page nor a crashed one" || return 1
    fi
  done <<<"$actual"
  ((new_seen)) || e2e_fail "no slot holds the new page: $(tr '\n' '|' <<<"$actual")"
}

# The end command right after the crash, before any reopen: the poller may still hold a
# reference to a browser whose process is gone, which must not hold up the end.
case_end_after_crash() {
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT"
  local PAGE_LIST
  PAGE_LIST="$base/plain.html?end"$'\t'"Plain page"
  PAGE_LIST+=$'\n'"$base/a,b.html?end"$'\t'"カンマ, のページ"
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  standin_open_pages || return 1
  e2e_wait_until 15 "the access log to show the pages" standin_log_shows_pages ||
    e2e_fail "access log: $(standin_access_log | tr '\n' '|')" || return 1
  standin_crash_browsers || return 1
  e2e_end_and_wait 10 || return 1
  standin_restart_rpcss || return 1
  standin_assert_slots_hold_pages
}

# A window whose calls keep failing (here one whose title the browser never gives, as Wine's
# does without a frame to read it from) stands between two browser windows: the poller steps
# over it after its third failure, so both others are recorded within two cycles, the access
# log says which position it passed over, and the end command writes both pages.
case_failing_window_beside_browsers() {
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT"
  local first="$base/plain.html?beside"$'\t'"Plain page"
  local last="$base/a,b.html?beside"$'\t'"カンマ, のページ"
  local PAGE_LIST=$first

  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  standin_open_pages || return 1
  standin_browsers open --no-window "$base/plain.html?failing" >/dev/null ||
    e2e_fail "could not open the failing window" || return 1
  PAGE_LIST=$last
  standin_open_pages || return 1
  PAGE_LIST=$first$'\n'$last
  # Two cycles of 31 ticks every 100 ms, each tick a call into another process or two.
  e2e_wait_until 12 "the access log to show both pages and the window passed over" \
    log_shows_pages_and_skip 1 ||
    e2e_fail "access log: $(standin_access_log | tr '\n' '|')" || return 1

  e2e_end_and_wait || return 1
  local actual
  actual="$(slot_addresses)"
  e2e_assert_eq "$(cut -f 1 <<<"$PAGE_LIST" | sort)" "$(sort <<<"$actual")" \
    "the pages in the slot files"
}

# What the poller and the browsers show, on one line: the access log, its counter a second
# apart (whether the poller still ticks), the collection and the browser frames.
poller_picture() {
  local counter_before counter_after
  counter_before="$(e2e_pmctl text "$E2E_MAIN_TITLE" | grep '^Count:')"
  sleep 1
  counter_after="$(e2e_pmctl text "$E2E_MAIN_TITLE" | grep '^Count:')"
  printf 'access log: %s; counter %s then %s; stand-ins: %s; collection: %s; frames: %s' \
    "$(standin_access_log | tr '\n' '|')" "$counter_before" "$counter_after" \
    "$(standin_server_count)" \
    "$(standin_browsers list | tr '\n\t' '| ')" "$(standin_browsers frames | tr '\n\t' '| ')"
}

log_shows_pages_and_skip() { # POSITION
  standin_log_shows_pages && standin_access_log | grep -qxF "Skip:$1"
}

e2e_setup poller_reopen
standin_setup
e2e_case standin_collection case_standin_collection
e2e_case crash_and_reopen case_crash_and_reopen
e2e_case folders_beside_browsers case_folders_beside_browsers
e2e_case end_after_crash case_end_after_crash
e2e_case failing_window_beside_browsers case_failing_window_beside_browsers
e2e_finish
