#!/usr/bin/env bash
# The earlier sets of pages and the window that opens the pages the user checks, driven with real
# input: a run that ends through the menu with pages A, a next run whose browser crashes with
# pages B, then the window "Pagemind - ページの選択" with the current pages and both sets, two pages
# of the older set checked by keyboard and opened with Enter, and the sets still there after a
# restart. Wine's rpcss survives one browser crash per run, so the two sets come from two runs.
set -uo pipefail
# Only without a virtual desktop does the tray icon get an X window that xdotool can click.
E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"
# shellcheck source=tests/e2e/tray_input.sh
source "$E2E_DIR/tray_input.sh"

set_files() { compgen -G "$E2E_FOLDER/Log/set[0-9][0-9].pmh" | wc -l; }
has_sets() { (($(set_files) >= $1)); }

rows() { e2e_pmctl check-rows "$SELECTION"; }

# The rows the window must show: the current pages (those of both runs), the crash's set B, then
# the end's set A, each page by its title.
expected_rows_matching() {
  local rows
  rows="$(rows)" || return 1
  pm_log "rows: $(tr '\n' '|' <<<"$rows")"
  # Headings have no box; their time is the local time of the test prefix.
  local heading='^    [0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}  \(2 ページ\)$'
  local -a lines
  mapfile -t lines <<<"$rows"
  ((${#lines[@]} == 11)) || e2e_fail "${#lines[@]} rows, not 11" || return 1
  e2e_assert_eq "    現在のページ  (4 ページ)" "${lines[0]}" "the first heading" || return 1
  [[ "${lines[5]}" =~ $heading && "${lines[8]}" =~ $heading ]] ||
    e2e_fail "set headings: '${lines[5]}', '${lines[8]}'" || return 1
  e2e_assert_eq "[ ] B one|[ ] B two" "${lines[6]}|${lines[7]}" "the newer set (the crash's)" ||
    return 1
  e2e_assert_eq "[ ] A one|[ ] A two" "${lines[9]}|${lines[10]}" "the older set (the end's)"
}

case_choose_from_sets() {
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT"
  local A B PAGE_LIST
  A="$base/plain.html?a1"$'\t'"A one"$'\n'"$base/a,b.html?a2"$'\t'"A two"
  B="$base/plain.html?b1"$'\t'"B one"$'\n'"$base/a,b.html?b2"$'\t'"B two"

  # Run 1: pages A, the end through the menu.
  start_and_wait_for_icon || return 1
  PAGE_LIST=$A
  standin_open_pages || return 1
  e2e_wait_until 10 "the access log to show pages A" standin_log_shows_pages --titles || return 1
  end_with_menu || return 1
  e2e_assert_eq 1 "$(set_files)" "history files after the first end" || return 1
  standin_crash_browsers || return 1
  standin_restart_rpcss || return 1

  # Run 2: pages B, and the browser crashes.
  start_and_wait_for_icon || return 1
  PAGE_LIST=$B
  standin_open_pages || return 1
  e2e_wait_until 10 "the access log to show pages B" standin_log_shows_pages --titles || return 1
  standin_crash_browsers || return 1
  e2e_wait_until 10 "the crash's set to be kept" has_sets 2 || return 1
  standin_restart_rpcss || return 1

  open_selection || return 1
  expected_rows_matching || return 1
  # Rows 9 and 10 are the older set's pages: End, space, Up, space, Enter.
  press_keys "$SELECTION" End space Up space || return 1
  e2e_wait_until 5 "two rows checked" two_rows_checked || return 1
  e2e_screenshot page_sets-selection
  press_keys "$SELECTION" Return || return 1
  # The window goes once it has handed its pages on.
  e2e_pmctl wait-no-window "$SELECTION" 10000 || e2e_fail "Enter left the window open" ||
    return 1
  PAGE_LIST=$A
  e2e_wait_until 20 "the two pages of set A in new browsers, and nothing else" \
    frames_show_addresses || e2e_fail "frames: $(standin_browsers frames | tr '\n' '|')" ||
    return 1
  sleep 2
  frames_show_addresses || e2e_fail "more browsers after: $(standin_browsers frames | tr '\n' '|')" ||
    return 1

  # Run 3: the history survived the end.
  end_with_menu || return 1
  start_and_wait_for_icon || return 1
  open_selection || return 1
  local rows
  rows="$(rows)" || return 1
  e2e_assert_contains "$rows" "[ ] B one" "the crash's set after a restart" || return 1
  e2e_assert_contains "$rows" "[ ] A two" "the end's set after a restart" || return 1
  press_keys "$SELECTION" Escape || return 1
  e2e_pmctl wait-no-window "$SELECTION" 5000 || e2e_fail "Escape left the window open" ||
    return 1
  end_with_menu
}

two_rows_checked() {
  [[ "$(rows | sed -n '10p;11p' | cut -c1-3 | tr '\n' ' ')" == "[x] [x] " ]] &&
    (($(rows | grep -c '^\[x\]') == 2))
}

e2e_setup page_sets
standin_setup
e2e_case choose_from_sets case_choose_from_sets
e2e_finish
