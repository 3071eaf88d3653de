#!/usr/bin/env bash
# Start at log-on driven with real input: the tray menu's item ログオン時に起動(&W) switches the
# per-user Run key of the test prefix on and off, read back with `wine reg query`, and its check
# mark follows the key, also when something else changed it.
#
# Wine keeps a menu's items in the process that made it, so no other process can ask for an
# item's state: the check mark is read off the screen instead.
set -uo pipefail
# The tray icon has an X window to click, and the menu is drawn on the X screen.
E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/tray_input.sh
source "$E2E_DIR/tray_input.sh"

RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

# The data of the Run key's value "Pagemind", or nothing (and status 1) when there is none.
run_value() {
  local out
  out="$(pm_wine reg query "$RUN_KEY" /v Pagemind 2>/dev/null | tr -d '\r')" || return 1
  sed -n 's/^ *Pagemind *REG_SZ *//p' <<<"$out" | grep .
}

run_value_is() { [[ "$(run_value)" == "$1" ]]; }
no_run_value() { ! run_value >/dev/null; }

# Whether the open menu shows a check mark beside ログオン時に起動, the item above 終了, the
# last item: "checked" or "unchecked", or "unpainted" before the menu has drawn its items. The
# menu is thresholded to its dark pixels; each text item is a band of rows with dark pixels, and
# every item's text starts at the same column. A mark in front of that column is the check.
MENU_SHOT_STATE=""
read_logon_check() {
  local menu x y w h shot="$E2E_FOLDER.menu.png"
  menu="$(e2e_pmctl menu 5000)" || e2e_fail "no open menu to look at" || return 1
  IFS=, read -r x y w h <<<"${menu#*rect=}"
  import -display "$DISPLAY" -window root "$shot" 2>/dev/null || return 1
  # Inside the menu's border.
  MENU_SHOT_STATE="$(convert "$shot" -crop "$((w - 6))x$((h - 6))+$((x + 3))+$((y + 3))" +repage \
    -colorspace gray -threshold 40% txt:- | awk -F '[,: ]+' '
      /#000000/ { dark[$2] = dark[$2] " " $1; if (!($2 in seen)) { seen[$2] = 1; rows[n++] = $2 } }
      END {
        # Rows in order, then the bands they form.
        for (i = 0; i < n; i++) for (j = i + 1; j < n; j++) if (rows[j] < rows[i]) {
          t = rows[i]; rows[i] = rows[j]; rows[j] = t }
        bands = 0
        for (i = 0; i < n; i++) {
          if (i == 0 || rows[i] > rows[i - 1] + 1) bands++
          band[rows[i]] = bands
        }
        if (bands < 2) { print "unpainted"; exit }
        start = 1e9
        for (i = 0; i < n; i++) if (band[rows[i]] == bands) {
          split(dark[rows[i]], xs, " "); for (k in xs) if (xs[k] + 0 < start) start = xs[k] + 0 }
        mark = 0
        for (i = 0; i < n; i++) if (band[rows[i]] == bands - 1) {
          split(dark[rows[i]], xs, " "); for (k in xs) if (xs[k] + 0 < start - 1) mark++ }
        print (mark > 0 ? "checked" : "unchecked")
      }')"
  [[ "$MENU_SHOT_STATE" != unpainted ]]
}

# menu_shows STATE: opens the menu, checks the log-on item's mark and closes the menu again.
menu_shows() {
  open_tray_menu || return 1
  e2e_wait_until 5 "the menu to draw its items" read_logon_check || return 1
  e2e_screenshot "logon-menu-$1"
  xdotool key Escape
  e2e_pmctl wait-no-menu 5000 || e2e_fail "Escape left the menu open" || return 1
  e2e_assert_eq "$1" "$MENU_SHOT_STATE" "the check mark of ログオン時に起動"
}

# Off, on, moved by something else (unchecked, and choosing writes this program's path again),
# off again; the program ends as ever.
case_switch() {
  pm_wine reg delete "$RUN_KEY" /v Pagemind /f >/dev/null 2>&1
  local own="\"$E2E_EXE_WINPATH\""
  start_and_wait_for_icon || return 1
  menu_shows unchecked || return 1

  choose_menu_item w || return 1
  e2e_wait_until 10 "the Run value $own" run_value_is "$own" ||
    e2e_fail "the Run value is '$(run_value)'" || return 1
  menu_shows checked || return 1

  pm_wine reg add "$RUN_KEY" /v Pagemind /d '"C:\Old place\pagemind.exe"' /f >/dev/null 2>&1 ||
    e2e_fail "reg add failed" || return 1
  menu_shows unchecked || return 1
  choose_menu_item w || return 1
  e2e_wait_until 10 "the Run value $own again" run_value_is "$own" || return 1
  menu_shows checked || return 1

  choose_menu_item w || return 1
  e2e_wait_until 10 "the Run value to go" no_run_value || return 1
  menu_shows unchecked || return 1
  e2e_assert_no_message_box || return 1
  end_with_menu
}

e2e_setup logon
e2e_case switch case_switch
pm_wine reg delete "$RUN_KEY" /v Pagemind /f >/dev/null 2>&1
e2e_finish
