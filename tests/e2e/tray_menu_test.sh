#!/usr/bin/env bash
# The tray icon, its menu and the access-log window driven with real input: xdotool clicks on the
# icon in Wine's tray window and keys typed into the menu, the windows and the Save dialog.
# pmctl only looks (windows, their texts, list lines, the focus). The browsers, the shell's
# collection that lists them and the crash are those of tests/e2e/standin.
set -uo pipefail
# Only without a virtual desktop does the tray icon get an X window that xdotool can click.
E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"
# shellcheck source=tests/e2e/tray_input.sh
source "$E2E_DIR/tray_input.sh"

MAIN=$E2E_MAIN_TITLE
# The file-type combo box of the Save dialog.
SAVE_FILTER_COMBO=0x470

main_hidden_and_alone() {
  is_hidden "$MAIN" &&
    (($(e2e_window_count "$E2E_SETTINGS_TITLE") + $(e2e_window_count "$E2E_ABOUT_TITLE") +
      $(e2e_window_count "$E2E_SAVE_TITLE") == 0))
}

focus_is() { [[ "$(focused_control "$MAIN")" == "$1" ]]; }
focus_moved_from() { ! focus_is "$1"; }

tip_shown() { (($(e2e_visible_window_count "$E2E_TIP_TEXT") > 0)); }

# The icon, its tip, the single click that does nothing, the menu with its access keys and
# arrows, and the access-log window shown, hidden and kept open; then the end.
case_icon_and_menu() {
  start_and_wait_for_icon || return 1
  local point
  point="$(tray_icon_point)" || return 1
  # shellcheck disable=SC2086  # "X Y"
  xdotool mousemove $point || return 1
  e2e_wait_until 10 "the tip '$E2E_TIP_TEXT' over the icon" tip_shown || return 1

  # The single click is handled before the right-click that follows it.
  tray_click 1 || return 1
  open_tray_menu || return 1
  main_hidden_and_alone || e2e_fail "a window came after a single left click" || return 1
  e2e_screenshot tray-menu
  xdotool key Escape
  e2e_pmctl wait-no-menu 5000 || e2e_fail "Escape left the menu open" || return 1
  main_hidden_and_alone || e2e_fail "Escape on the menu opened a window" || return 1

  choose_menu_item l || return 1
  wait_visible "$MAIN" || return 1
  e2e_screenshot access-log
  assert_client_twips "$MAIN" 4875 3855 || return 1
  e2e_assert_eq "0 0 0" "$(geometry_field "$MAIN" caption) $(geometry_field "$MAIN" border) \
$(geometry_field "$MAIN" taskbar)" "caption, border and taskbar entry of the access log" ||
    return 1
  local list ok save
  list="$(e2e_pmctl controls "$MAIN" | awk -F '\t' '$1 == "ListBox" { print $3 }')"
  ok="$(control_rect "$MAIN" OK)"
  save="$(control_rect "$MAIN" "ログを保存...")"
  local ly lh ox oy ow sx sy
  IFS=, read -r _ ly _ lh <<<"$list"
  IFS=, read -r ox oy ow _ <<<"$ok"
  IFS=, read -r sx sy _ _ <<<"$save"
  ((ly + lh <= oy && oy == sy && ox + ow < sx)) ||
    e2e_fail "access-log layout: list $list, OK $ok, save $save" || return 1

  choose_menu_item l || return 1
  wait_hidden "$MAIN" || return 1
  # Down three times, Return: the third command of the menu, after the separator.
  choose_menu_item Down Down Down Return || return 1
  wait_visible "$MAIN" || return 1

  # Alt+F4 must not close it. The Tab after it is handled after it, so once the focus has
  # moved, the window has seen the Alt+F4.
  local before
  before="$(focused_control "$MAIN")"
  press_keys "$MAIN" alt+F4 Tab || return 1
  e2e_wait_until 5 "Tab to move the focus" focus_moved_from "$before" || return 1
  is_visible "$MAIN" || e2e_fail "Alt+F4 closed the access log" || return 1
  e2e_assert_eq 1 "$(e2e_window_count "$MAIN")" "access-log windows after Alt+F4" || return 1
  if [[ "$(focused_control "$MAIN")" != OK ]]; then
    press_keys "$MAIN" shift+Tab || return 1
    e2e_wait_until 5 "the focus on OK" focus_is OK || return 1
  fi
  press_keys "$MAIN" Return || return 1
  wait_hidden "$MAIN" || e2e_fail "Return did not hide the access log" || return 1

  choose_menu_item l || return 1
  wait_visible "$MAIN" || return 1
  click_control "$MAIN" OK || return 1
  wait_hidden "$MAIN" || e2e_fail "clicking OK did not hide the access log" || return 1

  end_with_menu
}

# --- the pages, the poller and the crash -------------------------------------------------------

# The access log after one visit of each page, top line first: the last page visited on top.
expected_log_lines() {
  local address title lines=()
  while IFS=$'\t' read -r address title; do
    lines=("Name:$title" " URL:$address" "${lines[@]}")
  done <<<"$PAGE_LIST"
  printf '%s\n' "${lines[@]}"
}

log_is() { [[ "$(e2e_pmctl list-items "$MAIN")" == "$1" ]]; }
log_is_not() { ! log_is "$1"; }

# Waits until the log holds the visits of every page, at the start of a poller cycle: the log is
# emptied when the cursor wraps and refilled one visit a tick, so seeing it change and then
# complete leaves the most time before the next wrap.
wait_for_fresh_complete_log() {
  local expected
  expected="$(expected_log_lines)"
  e2e_wait_until 10 "the access log to show every page" log_is "$expected" || return 1
  # A cycle is 3.1 s; each look at the list starts a Wine process of its own, which on a busy
  # machine takes a good part of a second.
  e2e_wait_until 15 "the poller to start a new cycle" log_is_not "$expected" || return 1
  e2e_wait_until 5 "the access log to show every page again" log_is "$expected"
}

# Saves the access log through the real Save dialog, typing NAME, and answers every
# confirmation box with Return.
save_dialog_open() {
  click_control "$MAIN" "ログを保存..." || return 1
  e2e_wait_window "$E2E_SAVE_TITLE" 10
}

# The Save dialog closed, or a confirmation box of it shows (then SAVE_BOX_UP is set).
dialog_gone_or_box() {
  if ! e2e_message_box_gone "$E2E_SAVE_TITLE"; then
    SAVE_BOX_UP=1
    return 0
  fi
  (($(e2e_window_count "$E2E_SAVE_TITLE") == 0))
}

# Return in the dialog, then every confirmation box answered with KEY until the dialog has
# closed, or until one box when KEY says "no" (the dialog then stays). SAVE_BOXES gets the boxes'
# texts, one a line. Windows asks before it creates a file; Wine's Save dialog never does.
confirm_save() { # KEY
  SAVE_BOXES=""
  press_keys "$E2E_SAVE_TITLE" Return || return 1
  local rounds
  for ((rounds = 0; rounds < 3; rounds++)); do
    SAVE_BOX_UP=""
    e2e_wait_until 10 "the Save dialog to close or ask" dialog_gone_or_box || return 1
    [[ -n "$SAVE_BOX_UP" ]] || return 0
    answer_message_box "$E2E_SAVE_TITLE" "$1" 5 || return 1
    SAVE_BOXES+="$(tr -d '\n' <<<"$BOX_TEXT")"$'\n'
    e2e_wait_until 10 "the confirmation box to go" e2e_message_box_gone "$E2E_SAVE_TITLE" || return 1
    [[ "$1" == Return ]] || return 0
  done
  e2e_fail "more than two confirmation boxes"
}

# SAVE_BOXES held exactly one box, asking whether to replace the existing file.
asked_to_replace_once() {
  e2e_assert_eq 1 "$(grep -c . <<<"$SAVE_BOXES")" "confirmation boxes: $SAVE_BOXES" &&
    e2e_assert_contains "$SAVE_BOXES" "既に存在します" "the confirmation box"
}

# The access log of two known pages saved through the real Save dialog: the filters, a new file
# without extension, the last name offered again, an overwrite refused and then confirmed. A
# file of the user's beside it, named as a temporary of the save would be, stays as it was.
case_save_log() {
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT"
  local PAGE_LIST
  PAGE_LIST="$base/plain.html?saved"$'\t'"Plain page"
  PAGE_LIST+=$'\n'"$base/日本語/ページ.html?saved"$'\t'"日本語のページ"
  start_and_wait_for_icon || return 1
  standin_open_pages || return 1
  wait_for_fresh_complete_log || return 1
  # With every browser gone the poller finds no window and the log stays as it is.
  standin_crash_browsers || return 1
  local expected="$E2E_FOLDER.expected"
  expected_log_lines | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$expected" ||
    e2e_fail "the expected lines do not convert to code page 932" || return 1
  log_is "$(expected_log_lines)" ||
    e2e_fail "the access log changed with the crash: $(e2e_pmctl list-items "$MAIN" | tr '\n' '|')" ||
    return 1

  choose_menu_item l || return 1
  wait_visible "$MAIN" || return 1
  e2e_screenshot access-log-lines
  save_dialog_open || return 1
  e2e_assert_eq "*テキスト形式(*.txt)"$'\n'" 全てのファイルを表示(*.*)" \
    "$(e2e_pmctl combo-items "$E2E_SAVE_TITLE" "$SAVE_FILTER_COMBO")" "the Save dialog's filters" ||
    return 1
  # The whole path: the dialog opens in the folder this program last saved to in the prefix.
  local target theirs="$E2E_FOLDER/access.tmp"
  target="$(pm_winpath "$E2E_FOLDER/access")"
  printf 'the user\x27s own\r\n\x00\x83\x79' >"$theirs"
  cp "$theirs" "$E2E_FOLDER.theirs"
  press_keys "$E2E_SAVE_TITLE" ctrl+a && type_text "$E2E_SAVE_TITLE" "$target" || return 1
  confirm_save Return || return 1
  [[ "$SAVE_BOXES" != *既に存在* ]] || e2e_fail "asked to replace a new file: $SAVE_BOXES" ||
    return 1
  # Answered once the save's handler has returned to the message loop.
  e2e_pmctl list-items "$MAIN" >/dev/null || return 1
  e2e_assert_same_bytes "$expected" "$E2E_FOLDER/access" "the saved access log" || return 1
  e2e_assert_missing "$E2E_FOLDER/access.txt" || return 1

  printf 'older' >"$E2E_FOLDER/access"
  save_dialog_open || return 1
  local offered
  offered="$(e2e_pmctl controls "$E2E_SAVE_TITLE" | awk -F '\t' '$2 == 1148 { print $7; exit }')"
  # Offered as the name in the folder of the last save, where Return saves it again.
  e2e_assert_eq access "$offered" "the name the dialog offers" || return 1
  confirm_save n && asked_to_replace_once || return 1
  press_keys "$E2E_SAVE_TITLE" Escape || return 1
  e2e_wait_no_window "$E2E_SAVE_TITLE" 10 || return 1
  e2e_pmctl list-items "$MAIN" >/dev/null || return 1
  e2e_assert_eq older "$(cat "$E2E_FOLDER/access")" "the file after refusing to replace it" ||
    return 1

  save_dialog_open || return 1
  confirm_save Return && asked_to_replace_once || return 1
  e2e_pmctl list-items "$MAIN" >/dev/null || return 1
  e2e_assert_same_bytes "$expected" "$E2E_FOLDER/access" "the replaced access log" || return 1
  e2e_assert_same_bytes "$E2E_FOLDER.theirs" "$theirs" "the user's access.tmp beside the log"
}

# The whole story: pages open in browsers, the poller remembers them, every browser dies at
# once, a single click on the icon does nothing and a double-click brings every page back; the
# end writes them to the slot files.
case_crash_and_double_click() {
  local PAGE_LIST
  PAGE_LIST="$(standin_page_list 3)"
  start_and_wait_for_icon || return 1
  standin_open_pages || return 1
  e2e_wait_until 10 "the access log to show every page" log_is "$(expected_log_lines)" ||
    return 1
  standin_pages_requested 1 || e2e_fail "the pages were not requested once each" || return 1

  standin_crash_browsers || return 1
  standin_wait_no_frames || return 1
  standin_restart_rpcss || return 1

  # The menu opened after the single click shows that click has been handled.
  tray_click 1 || return 1
  open_tray_menu || return 1
  xdotool key Escape
  e2e_pmctl wait-no-menu 5000 || return 1
  e2e_assert_eq 0 "$(standin_browser_count)" "browsers after a single click" || return 1

  tray_click 1 2 || return 1
  e2e_wait_until 20 "a browser on each remembered page" frames_show_addresses ||
    e2e_fail "frames: $(standin_browsers frames | tr '\n' '|')" || return 1
  e2e_wait_until 10 "each page to be requested again" standin_pages_requested 2 || return 1
  e2e_screenshot tray_menu-reopened
  e2e_assert_no_message_box || return 1

  end_with_menu || return 1
  standin_assert_slots_hold_pages --rest-empty
}

e2e_setup tray_menu
standin_setup
e2e_case icon_and_menu case_icon_and_menu
e2e_case save_log case_save_log
e2e_case crash_and_double_click case_crash_and_double_click
e2e_finish
