#!/usr/bin/env bash
# The reopen command where no browser object can be created, as on Windows with Internet Explorer
# disabled: web pages go to the program registered for http and https (a recorder here), a
# folder opens as a folder window, and programs, scripts, other schemes and file: addresses that
# name no Unicode path are listed as not opened.
# Runs in a copy of the shared prefix without the InternetExplorer class.
set -uo pipefail
E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/tray_input.sh
source "$E2E_DIR/tray_input.sh"

IE_CLSID='{0002DF01-0000-0000-C000-000000000046}'
RECORDER_LOG="$E2E_BUILD/recorder.log"

# A copy of the shared prefix in which CoCreateInstance of the InternetExplorer class fails and
# the recorder is the program for web addresses.
fallback_prefix_setup() {
  pm_kill_wine
  local prefix="$E2E_BUILD/prefix-fallback"
  rm -rf "$prefix"
  # This setup failed once in a whole test run and never alone: each step now says why it
  # failed, and the copy, which a process still ending in the prefix could disturb, is tried
  # twice.
  local attempt
  for attempt in 1 2; do
    cp -a "$WINEPREFIX" "$prefix" 2>&1 | tail -n 3 >&2 && break
    pm_log "copying the prefix failed (attempt $attempt)"
    ((attempt == 1)) || return 1
    rm -rf "$prefix"
    wineserver -w
    sleep 1
  done
  pm_wine_env "$prefix"
  local key
  for key in 'HKLM\Software\Classes\InternetExplorer.Application' \
    'HKLM\Software\Classes\InternetExplorer.Application.1' \
    "HKLM\\Software\\Classes\\CLSID\\$IE_CLSID" \
    "HKLM\\Software\\Classes\\Wow6432Node\\CLSID\\$IE_CLSID"; do
    pm_wine reg delete "$key" /f >/dev/null 2>&1
  done
  local command
  command="\"$(pm_winpath "$E2E_BUILD/recorder.exe")\" \"%1\""
  # Wine 8 reads the class root from HKLM\Software\Classes alone: a handler registered for the
  # user under HKCU\Software\Classes is never asked (measured), so the recorder replaces
  # winebrowser there.
  for key in http https; do
    pm_wine reg add "HKLM\\Software\\Classes\\$key\\shell\\open\\command" /ve /d "$command" /f \
      >/dev/null 2>&1 || {
      pm_log "registering the recorder for $key failed"
      return 1
    }
  done
  wineserver -w
}

# Slot K of the case's folder holds ADDRESS in code page 932.
plant_slot() { mkdir -p "$E2E_FOLDER/Log" && e2e_write_cp932 "$(slot_file "$1")" "$2"; }

# The file: address of a local path (Z:\a\b -> file:///Z:/a/b).
file_address() {
  local win
  win="$(pm_winpath "$1")"
  win="${win//\\//}"
  printf 'file:///%s' "$win"
}

notepad_running() { pm_processes | cut -f 2 | grep -qi 'notepad'; }

# Wine's ShellExecute opens a folder in its file manager: a window of class ExplorerWClass
# captioned with the folder's name.
folder_window_shown() {
  e2e_pmctl windows | grep -qE "^pid=[0-9]+ visible=1 class=ExplorerWClass title=$1\$"
}

recorded_lines() { [[ -f "$RECORDER_LOG" ]] && (($(wc -l <"$RECORDER_LOG") >= $1)); }

# Starts the program with the recorder as the program for web addresses, runs the reopen command
# with a double-click on the tray icon and sets REOPEN_MESSAGE to the text of the message box
# listing the pages not opened.
REOPEN_MESSAGE=""
reopen_with_tray_double_click() {
  rm -f "$RECORDER_LOG"
  export PM_RECORDER_LOG
  PM_RECORDER_LOG="$(pm_winpath "$RECORDER_LOG")"
  start_and_wait_for_icon || return 1
  tray_click 1 2 || return 1
  REOPEN_MESSAGE="$(e2e_pmctl message-box-text 20000)" ||
    e2e_fail "no message box listing refused pages (pagemind.exe running: $(e2e_program_count))"
}

case_refuses_all_but_pages_and_folders() {
  local web="http://127.0.0.1:9/検索/ページ.html?q=a,b&x=%E6%97%A5%20本"
  local secure="https://127.0.0.1:9/a,b/%41%2C?日本語=値,2#frag"
  local folder_name="開くフォルダ"
  mkdir -p "$E2E_FOLDER/$folder_name"
  printf 'echo made > "%s"\r\n' "$(pm_winpath "$E2E_FOLDER/marker.txt")" >"$E2E_FOLDER/make.bat"
  local notepad='file:///C:/windows/system32/notepad.exe'
  local bat folder
  bat="$(file_address "$E2E_FOLDER/make.bat")"
  folder="$(file_address "$E2E_FOLDER/$folder_name")"
  plant_slot 0 "$notepad"
  plant_slot 1 "$bat"
  plant_slot 2 "javascript:alert(1)"
  plant_slot 3 "mailto:someone@127.0.0.1"
  plant_slot 4 "$web"
  plant_slot 5 "$secure"
  plant_slot 6 "$folder"
  reopen_with_tray_double_click || return 1
  local text=$REOPEN_MESSAGE
  pm_log "message box: $(tr '\n' '|' <<<"$text")"
  e2e_wait_until 10 "the recorder to get two addresses" recorded_lines 2 || return 1
  local address
  for address in "$notepad" "$bat" "javascript:alert(1)" "mailto:someone@127.0.0.1"; do
    e2e_assert_contains "$text" "$address" "the refused pages' message" || return 1
  done
  for address in "$web" "$secure" "$folder"; do
    [[ "$text" != *"$address"* ]] || e2e_fail "the message lists $address" || return 1
  done
  # Each address starts a recorder of its own, and two of them may append in either order:
  # the lines are compared byte for byte, sorted.
  printf '"%s"\n"%s"\n' "$web" "$secure" | LC_ALL=C sort >"$E2E_FOLDER/expected.log"
  LC_ALL=C sort "$RECORDER_LOG" >"$E2E_FOLDER/recorded.log"
  e2e_assert_same_bytes "$E2E_FOLDER/expected.log" "$E2E_FOLDER/recorded.log" \
    "the recorder's log" || return 1
  e2e_wait_until 10 "a folder window for $folder_name" folder_window_shown "$folder_name" ||
    e2e_fail "windows: $(e2e_pmctl windows | grep -v 'visible=0' | tr '\n' '|')" || return 1
  e2e_screenshot shell_fallback-after
  ! notepad_running || e2e_fail "notepad runs" || return 1
  e2e_assert_missing "$E2E_FOLDER/marker.txt" "the .bat's marker" || return 1
  e2e_pmctl click-ok 1000 || e2e_fail "could not close the message box" || return 1
  # The checks above could fail: the same addresses handed to the shell directly do run.
  pm_wine start "$bat" </dev/null >/dev/null 2>&1
  e2e_wait_file "$E2E_FOLDER/marker.txt" 15 || return 1
  pm_wine start "$notepad" </dev/null >/dev/null 2>&1
  e2e_wait_until 15 "notepad to start when asked directly" notepad_running
}

# A file: address escaped in code page 932 (日 is 93 FA) names no path on a system whose paths
# are Unicode: once it ended the program at every reopen. It is refused like any other
# address, and the program stays resident and goes on with the next page.
case_code_page_address_is_refused() {
  local escaped='file:///C:/%93%FA.html' web="http://127.0.0.1:9/after-the-escaped"
  plant_slot 0 "$escaped"
  plant_slot 1 "$web"
  reopen_with_tray_double_click || return 1
  local text=$REOPEN_MESSAGE
  e2e_assert_contains "$text" "$escaped" "the refused pages' message" || return 1
  [[ "$text" != *"$web"* ]] || e2e_fail "the message lists $web" || return 1
  e2e_wait_until 10 "the recorder to get the web page" recorded_lines 1 || return 1
  e2e_assert_eq "\"$web\"" "$(cat "$RECORDER_LOG")" "the recorder's log" || return 1
  e2e_pmctl click-ok 1000 || e2e_fail "could not close the message box" || return 1
  e2e_assert_eq 1 "$(e2e_program_count)" "pagemind.exe processes after the reopen" || return 1
  e2e_end_program || return 1
  e2e_wait_process_end 20 || return 1
  e2e_write_cp932 "$E2E_FOLDER/expected" "$escaped"
  e2e_assert_same_bytes "$E2E_FOLDER/expected" "$(slot_file 0)" "slot 0 after the end"
}

e2e_setup shell_fallback
e2e_build_tool recorder || {
  echo "FAIL shell_fallback: recorder.exe did not build"
  exit 1
}
fallback_prefix_setup || {
  echo "FAIL shell_fallback: the prefix without Internet Explorer could not be made"
  exit 1
}
e2e_case refuses_all_but_pages_and_folders case_refuses_all_but_pages_and_folders
e2e_case code_page_address_is_refused case_code_page_address_is_refused
e2e_finish
