#!/usr/bin/env bash
# The balloon after a crash: three pages open in browsers, the poller remembers them, every
# browser dies at once, and the tray icon's balloon says how many pages the reopen would open.
# pmctl reads the balloon's text, which Wine's tray shows in a tooltip window of its own process. The
# browsers, the shell's collection that lists them and the crash are those of tests/e2e/standin.
#
# Wine 8's tray sends no NIN_BALLOONUSERCLICK: a real click on its balloon reaches no program
# (measured: no browser opened, the balloon stayed). The click is left to the unit tests
# (tests/tray/crash_balloon_test.cpp, and tests/platform/win32_notify_icon_test.cpp for the
# callback).
set -uo pipefail
# Without a virtual desktop the tray is a window of its own, and its balloons show beside it.
E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"
# shellcheck source=tests/e2e/tray_input.sh
source "$E2E_DIR/tray_input.sh"

balloon_is() { [[ "$(e2e_pmctl balloon)" == "$1" ]]; }

case_crash_balloon() {
  local PAGE_LIST
  PAGE_LIST="$(standin_page_list 3)"
  start_and_wait_for_icon || return 1
  standin_open_pages || return 1
  e2e_wait_until 10 "the access log to show every page" standin_log_shows_pages || return 1
  e2e_assert_eq "" "$(e2e_pmctl balloon)" "the balloons before the crash" || return 1

  standin_crash_browsers || return 1
  standin_wait_no_frames || return 1
  # Its title, which Wine's tooltips cannot tell another process, is left to the unit tests.
  local expected=$'ブラウザのウィンドウがまとめて閉じられました。'
  expected+=$'\nアイコンをダブルクリックすると 3 ページを開き直します。'
  # Wine's tray shows a balloon 2 s after it was asked for.
  e2e_wait_until 15 "the balloon" balloon_is "$expected" ||
    e2e_fail "balloons: $(e2e_pmctl balloon | tr '\n' '|')" || return 1
  e2e_screenshot crash_balloon-shown
  e2e_assert_eq 0 "$(standin_browser_count)" "browsers while the balloon shows" || return 1

  # The balloon covers the lower part of the tray window for up to 30 s, and with it the place
  # where the menu would open: the end is posted, and it writes the three pages.
  e2e_end_and_wait || return 1
  standin_assert_slots_hold_pages
}

e2e_setup crash_balloon
standin_setup
e2e_case crash_balloon case_crash_balloon
e2e_finish
