# shellcheck shell=bash
# Real input for the end-to-end tests: the mouse on the tray icon and the keyboard, both through
# xdotool on the X display, as a user would give them. pmctl only looks; it never posts.
#
# The tray icon has an X window of its own ("Wine System Tray") only when the program runs
# without a virtual desktop, so the scripts that source this file run in E2E_MODE=plain. Source
# tests/e2e/lib.sh first.
# shellcheck disable=SC2034  # the variables are for the test scripts that source this file

TRAY_X_TITLE="Wine System Tray"
E2E_SETTINGS_TITLE="Pagemind - 設定画面"
E2E_ABOUT_TITLE="Pagemind - バージョン情報"
E2E_SAVE_TITLE="ファイルの保存"
E2E_TIP_TEXT="Pagemind 1.0.0"
SELECTION="Pagemind - ページの選択"

# The X window of a shown top-level window titled exactly TITLE (Wine gives X windows their
# Win32 caption as name). xdotool reads the name as a regular expression.
# With several (a message box over the dialog it came from), the newest: X hands out window
# ids in increasing order.
x_window_of() {
  local pattern
  # shellcheck disable=SC2016  # the sed expression is meant literally
  pattern="$(printf '%s' "$1" | sed 's/[][\.*^$(){}?+|]/\\&/g')"
  xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | sort -n | tail -n 1
}

tray_icon_shown() { [[ -n "$(x_window_of "$TRAY_X_TITLE")" ]]; }
tray_icon_gone() { ! tray_icon_shown; }

# The middle of the first icon on screen, "X Y": the icons sit in a row in the tray window's
# client area (Wine may draw a caption above it), each in a square as high as that area.
tray_geometry_known() {
  [[ -n "$(geometry_field "$TRAY_X_TITLE" client)" &&
    -n "$(geometry_field "$TRAY_X_TITLE" client_at)" ]]
}
tray_icon_point() {
  local client origin
  # Under load the tray window may be mapped before its geometry can be read.
  e2e_wait_until 10 "the tray window's geometry" tray_geometry_known || return 1
  client="$(geometry_field "$TRAY_X_TITLE" client)"
  origin="$(geometry_field "$TRAY_X_TITLE" client_at)"
  [[ -n "$client" && -n "$origin" ]] || e2e_fail "no tray window to point at" || return 1
  echo "$((${origin%,*} + ${client#*,} / 2)) $((${origin#*,} + ${client#*,} / 2))"
}

# The system's double-click time (500 ms) with a margin: a click on the icon that follows the
# one before within that time makes a double-click of the two, which the menu ignores.
TRAY_CLICK_GAP_MS=600
TRAY_LAST_CLICK_MS=0

# tray_click BUTTON [COUNT]: clicks the first icon with BUTTON 1 (left) or 3 (right), COUNT
# times in quick succession.
tray_click() {
  local point wait_ms
  point="$(tray_icon_point)" || return 1
  wait_ms=$((TRAY_LAST_CLICK_MS + TRAY_CLICK_GAP_MS - $(e2e_now_ms)))
  ((wait_ms <= 0)) || e2e_sleep_ms "$wait_ms"
  # Browser windows open at the top left too; with no window manager, nothing else would bring
  # the tray back above them.
  xdotool windowraise "$(x_window_of "$TRAY_X_TITLE")" 2>/dev/null
  # shellcheck disable=SC2086  # "X Y"
  xdotool mousemove $point || e2e_fail "could not move the pointer onto the icon" ||
    return 1
  # A double-click is two clicks within the system's double-click time (500 ms).
  xdotool click --repeat "${2:-1}" --delay 80 "$1" || e2e_fail "xdotool could not click" || return 1
  TRAY_LAST_CLICK_MS=$(e2e_now_ms)
}

# Right-clicks the icon and waits for the popup menu.
open_tray_menu() {
  tray_click 3 || return 1
  e2e_pmctl menu 5000 >/dev/null || e2e_fail "no popup menu after a right-click on the icon"
}

# choose_menu_item KEY...: opens the menu and types KEY... (access keys or arrows and Return);
# returns once the menu has closed. The menu opens under the pointer, which is where the X server
# sends the keys while no window holds the focus.
choose_menu_item() {
  open_tray_menu || return 1
  xdotool key --delay 50 "$@" || e2e_fail "xdotool could not type $*" || return 1
  e2e_pmctl wait-no-menu 5000 || e2e_fail "the menu stayed open after $*"
}

# press_keys TITLE KEY...: gives the window titled TITLE the keyboard focus and types KEY...
press_keys() {
  local title=$1 window
  shift
  window="$(x_window_of "$title")"
  [[ -n "$window" ]] || e2e_fail "no shown window '$title' to type into" || return 1
  if ! xdotool windowfocus --sync "$window" || ! xdotool key --delay 50 "$@"; then
    e2e_fail "could not type $* into '$title'"
  fi
}

# type_text TITLE TEXT: types TEXT (ASCII) into the focused control of the window TITLE.
type_text() {
  local window
  window="$(x_window_of "$1")"
  [[ -n "$window" ]] || e2e_fail "no shown window '$1' to type into" || return 1
  if ! xdotool windowfocus --sync "$window" || ! xdotool type --delay 30 "$2"; then
    e2e_fail "could not type '$2' into '$1'"
  fi
}

# The place and size "X,Y,W,H" in the client area of window TITLE of its child control showing
# TEXT (the first, if several do).
control_rect() { # TITLE TEXT
  e2e_pmctl controls "$1" | awk -F '\t' -v t="$2" '$7 == t { print $3; exit }'
}

# click_control TITLE TEXT: left-clicks the middle of the child control showing TEXT.
click_control() {
  local rect origin x y w h cx cy
  rect="$(control_rect "$1" "$2")"
  [[ -n "$rect" ]] || e2e_fail "no control '$2' in '$1'" || return 1
  origin="$(geometry_field "$1" client_at)"
  IFS=, read -r x y w h <<<"$rect"
  IFS=, read -r cx cy <<<"$origin"
  xdotool mousemove $((cx + x + w / 2)) $((cy + y + h / 2)) click 1 ||
    e2e_fail "could not click '$2' in '$1'"
}

# is_visible TITLE: the window exists and is shown.
is_visible() { [[ "$(e2e_pmctl visible "$1" 2>/dev/null)" == 1 ]]; }
is_hidden() { [[ "$(e2e_pmctl visible "$1" 2>/dev/null)" == 0 ]]; }

wait_visible() { e2e_wait_until "${2:-10}" "'$1' to show" is_visible "$1"; }
wait_hidden() { e2e_wait_until "${2:-10}" "'$1' to hide" is_hidden "$1"; }

# The state of the option button showing TEXT in window TITLE: checked or unchecked.
option_state() {
  e2e_pmctl controls "$1" | awk -F '\t' -v t="$2" '$7 == t { print $5; exit }'
}

# The text of the control that has the keyboard focus in window TITLE.
focused_control() {
  e2e_pmctl controls "$1" | awk -F '\t' '$6 == "focus" { print $7; exit }'
}

# assert_client_twips TITLE WIDTH HEIGHT: the client area is WIDTH x HEIGHT twips at the
# display's 96 dpi (15 twips a pixel) and the window is centred on the work area.
assert_client_twips() {
  local geometry window client area
  geometry="$(e2e_pmctl geometry "$1")" || e2e_fail "no geometry for '$1'" || return 1
  window="$(sed -n 's/.*window=\([^ ]*\).*/\1/p' <<<"$geometry")"
  client="$(sed -n 's/.*client=\([^ ]*\).*/\1/p' <<<"$geometry")"
  area="$(sed -n 's/.*workarea=\([^ ]*\).*/\1/p' <<<"$geometry")"
  e2e_assert_eq "$(($2 / 15)),$(($3 / 15))" "$client" "client size of '$1' in pixels" || return 1
  local x y w h ax ay aw ah
  IFS=, read -r x y w h <<<"$window"
  IFS=, read -r ax ay aw ah <<<"$area"
  e2e_assert_between $((2 * (x - ax) - (aw - w))) -2 2 "twice the horizontal off-centre of '$1'" &&
    e2e_assert_between $((2 * (y - ay) - (ah - h))) -2 2 "twice the vertical off-centre of '$1'"
}

geometry_field() { # TITLE FIELD
  e2e_pmctl geometry "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"
}

# Waits for a message box with CAPTION and answers it with KEY (Return presses the default
# button); BOX_TEXT gets its text.
answer_message_box() { # CAPTION KEY TIMEOUT_S
  BOX_TEXT="$(e2e_pmctl message-box-text "$(($3 * 1000))" "$1")" ||
    e2e_fail "no message box '$1' within $3 s" || return 1
  pm_log "answering '$2' to the box: $(tr '\n' ' ' <<<"$BOX_TEXT")"
  press_keys "$1" "$2"
}

# Starts the program and waits for its icon; checks the icon comes with the end of the splash
# time (the Wine process itself takes about 1 s to start, several on a loaded machine).
start_and_wait_for_icon() {
  local started
  started=$(e2e_now_ms)
  e2e_start_pagemind
  e2e_wait_until 20 "the tray icon" tray_icon_shown || return 1
  local took=$(($(e2e_now_ms) - started))
  pm_log "the tray icon showed $took ms after the start"
  e2e_assert_between "$took" 2500 10000 "ms until the tray icon showed"
}

# The menu item "終了(&E)": the icon goes, the slot files are written, the process ends.
end_with_menu() {
  local chosen
  chosen=$(e2e_now_ms)
  choose_menu_item e || return 1
  e2e_wait_until 10 "the tray icon to go" tray_icon_gone || return 1
  pm_log "the tray icon went $(($(e2e_now_ms) - chosen)) ms after the menu opened for 終了"
  e2e_wait_process_end 20 || return 1
  local i
  for ((i = 0; i < SLOT_COUNT; i++)); do
    e2e_assert_exists "$(slot_file "$i")" "slot file $i" || return 1
  done
  e2e_assert_eq "" "$(slot_extra_files "$E2E_FOLDER" --no-recovery)" "other files in Log"
}

# The selection window through its menu item, by its access key; the time from the key to the
# window shown is logged (an upper bound: it includes the polls of pmctl, each a Wine process
# start).
open_selection() {
  open_tray_menu || return 1
  local chosen
  chosen=$(e2e_now_ms)
  xdotool key p || e2e_fail "xdotool could not type p" || return 1
  e2e_pmctl wait-window "$SELECTION" 10000 >/dev/null || e2e_fail "no window '$SELECTION'" ||
    return 1
  pm_log "the selection window showed $(($(e2e_now_ms) - chosen)) ms after its menu item was chosen"
  wait_visible "$SELECTION" || return 1
}
