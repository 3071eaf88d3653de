#!/usr/bin/env bash
# The settings and about windows opened from the tray menu and driven with the keyboard: the
# option buttons, OK and Cancel and what they leave in Pagemind.ini, the next start without the
# splash window, and the version shown. pmctl only looks.
set -uo pipefail
# Only without a virtual desktop does the tray icon get an X window that xdotool can click.
E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/tray_input.sh
source "$E2E_DIR/tray_input.sh"

SETTINGS=$E2E_SETTINGS_TITLE
ABOUT=$E2E_ABOUT_TITLE
SHOW_LOGO="ロゴを表示する"
HIDE_LOGO="ロゴを表示しない"
USE_LOG="ログを参照する"
IGNORE_LOG="ログを参照しない"

# The four option buttons' states, in the order above.
options() {
  local text states=""
  for text in "$SHOW_LOGO" "$HIDE_LOGO" "$USE_LOG" "$IGNORE_LOG"; do
    states+="$(option_state "$SETTINGS" "$text") "
  done
  echo "${states% }"
}

no_window() { (($(e2e_window_count "$1") == 0)); }

options_are() { [[ "$(options)" == "$1" ]]; }

wait_options() { # STATES WHAT
  e2e_wait_until 5 "$2" options_are "$1" || e2e_fail "options: $(options)"
}

ini_bytes() { # LOGO LOG: the file as OK writes it into a folder that had none
  printf '[Settings]\r\nLogo=%s\r\nLog=%s\r\n' "$1" "$2"
}

# The settings window's layout: the two frames side by side, "？" on the row of its option and
# right of where the option starts, the buttons below both frames.
check_settings_layout() {
  local f1 f2 use hint ok cancel
  f1="$(control_rect "$SETTINGS" "起動時の設定")"
  f2="$(control_rect "$SETTINGS" "外部ログの参照")"
  use="$(control_rect "$SETTINGS" "$USE_LOG")"
  hint="$(control_rect "$SETTINGS" "？")"
  ok="$(control_rect "$SETTINGS" OK)"
  cancel="$(control_rect "$SETTINGS" キャンセル)"
  local f1x f1y f1w f1h f2x f2y f2w ux uy hx hy hw ox oy ow cx cy
  IFS=, read -r f1x f1y f1w f1h <<<"$f1"
  IFS=, read -r f2x f2y f2w _ <<<"$f2"
  IFS=, read -r ux uy _ _ <<<"$use"
  IFS=, read -r hx hy hw _ <<<"$hint"
  IFS=, read -r ox oy ow _ <<<"$ok"
  IFS=, read -r cx cy _ _ <<<"$cancel"
  ((f1y == f2y && f1x + f1w < f2x && hy == uy && hx > ux && hx + hw <= f2x + f2w &&
    oy >= f1y + f1h && oy == cy && ox + ow < cx)) ||
    e2e_fail "settings layout: frames $f1 $f2, option $use, ？ $hint, OK $ok, キャンセル $cancel"
}

# OK writes both choices made with the keyboard; Cancel writes nothing; the menu item chosen
# while the window shows unloads it; the next start honours Logo=0.
case_settings_keyboard() {
  local ini="$E2E_FOLDER/Pagemind.ini"
  start_and_wait_for_icon || return 1
  choose_menu_item s || return 1
  wait_visible "$SETTINGS" || return 1
  e2e_screenshot settings
  assert_client_twips "$SETTINGS" 5550 2430 || return 1
  check_settings_layout || return 1
  # No settings file: both keys read as 1.
  wait_options "checked unchecked checked unchecked" "the options read from no file" || return 1
  e2e_assert_missing "$ini" "Pagemind.ini before OK" || return 1

  # Arrows move within a frame, Space selects, Tab goes on to the next frame.
  press_keys "$SETTINGS" Down space || return 1
  wait_options "unchecked checked checked unchecked" "Down and Space to select '$HIDE_LOGO'" ||
    return 1
  press_keys "$SETTINGS" Tab Down space || return 1
  wait_options "unchecked checked unchecked checked" "Tab, Down and Space to select '$IGNORE_LOG'" ||
    return 1
  press_keys "$SETTINGS" Return || return 1
  wait_hidden "$SETTINGS" || return 1
  local expected="$E2E_FOLDER.ini"
  ini_bytes 0 0 >"$expected"
  e2e_assert_same_bytes "$expected" "$ini" "Pagemind.ini after OK" || return 1

  choose_menu_item s || return 1
  wait_visible "$SETTINGS" || return 1
  wait_options "unchecked checked unchecked checked" "the options shown again" || return 1
  press_keys "$SETTINGS" Up space || return 1
  wait_options "unchecked checked checked unchecked" "Up and Space to select '$USE_LOG'" ||
    return 1
  press_keys "$SETTINGS" Escape || return 1
  wait_hidden "$SETTINGS" || e2e_fail "Escape did not press キャンセル" || return 1
  e2e_assert_same_bytes "$expected" "$ini" "Pagemind.ini after Cancel" || return 1

  choose_menu_item s || return 1
  wait_visible "$SETTINGS" || return 1
  # The tray menu still works while the modal window shows; its item now unloads the window.
  choose_menu_item s || return 1
  e2e_wait_until 10 "the settings window to unload" no_window "$SETTINGS" || return 1
  e2e_assert_same_bytes "$expected" "$ini" "Pagemind.ini after the unload" || return 1
  end_with_menu || return 1

  # Logo=0: the watcher sees no splash window from before the start until past the icon's time.
  e2e_pmctl lifetime "$E2E_SPLASH_TITLE" 8000 >/dev/null &
  local watcher=$!
  start_and_wait_for_icon || return 1
  if wait "$watcher"; then
    e2e_fail "a splash window was shown with Logo=0" || return 1
  fi
  end_with_menu
}

# The about window: its size, the version, Return on OK, and the menu item that unloads it
# while it shows.
case_about() {
  start_and_wait_for_icon || return 1
  choose_menu_item v || return 1
  wait_visible "$ABOUT" || return 1
  e2e_screenshot about
  assert_client_twips "$ABOUT" 5325 3195 || return 1
  local texts
  texts="$(e2e_pmctl text "$ABOUT")"
  e2e_assert_contains "$texts" $'\n'"Ver:1.00"$'\n' "the about window's texts" || return 1
  e2e_assert_contains "$texts" $'\n'"Pagemind"$'\n' "the about window's texts" || return 1
  local icon ok
  icon="$(e2e_pmctl controls "$ABOUT" | awk -F '\t' '$1 == "Static" && $7 == "" { print $3; exit }')"
  ok="$(control_rect "$ABOUT" OK)"
  [[ "${icon%%,*}" -lt 30 && "$(cut -d, -f2 <<<"$icon")" -lt 30 &&
    "$(cut -d, -f2 <<<"$ok")" -gt 150 ]] ||
    e2e_fail "about layout: icon $icon, OK $ok" || return 1
  press_keys "$ABOUT" Return || return 1
  wait_hidden "$ABOUT" || e2e_fail "Return did not press OK" || return 1

  choose_menu_item v || return 1
  wait_visible "$ABOUT" || return 1
  choose_menu_item v || return 1
  e2e_wait_until 10 "the about window to unload" no_window "$ABOUT" || return 1
  end_with_menu
}

e2e_setup settings_about
e2e_case settings_keyboard case_settings_keyboard
e2e_case about case_about
e2e_finish
