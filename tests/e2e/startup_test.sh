#!/usr/bin/env bash
# Start-up of pagemind.exe: the splash window, the Log folder, the slot files read at start and
# written back at the end, the single-instance guard and the settings that change the start.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

programs_running() { (($(e2e_program_count) == $1)); }

# Everything in the program folder but the program itself: names, sizes and contents.
folder_state() {
  (cd "$E2E_FOLDER" && find . -path ./pagemind.exe -prune -o -type f -print0 | sort -z |
    xargs -0 -r md5sum && find . -type d | sort)
}

# The splash shows for about 3 s, the Log folder is made, and the main window stays hidden.
case_splash() {
  local lifetime_file="$E2E_FOLDER.lifetime"
  # Watching starts before the program does, so the splash's whole life is measured.
  e2e_pmctl lifetime "$E2E_SPLASH_TITLE" 20000 >"$lifetime_file" &
  local watcher=$!
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_window "$E2E_SPLASH_TITLE" 20 || return 1
  e2e_screenshot splash
  e2e_wait_file "$E2E_FOLDER/Log" 10 || return 1
  [[ -d "$E2E_FOLDER/Log" ]] || e2e_fail "Log is not a folder" || return 1
  wait "$watcher" || e2e_fail "the splash window did not go within 60 s" || return 1
  e2e_assert_between "$(<"$lifetime_file")" 2500 6000 "ms the splash window was shown" || return 1
  e2e_wait_window "$E2E_MAIN_TITLE" 5 || return 1
  e2e_assert_eq 1 "$(e2e_window_count "$E2E_MAIN_TITLE")" "main windows" || return 1
  e2e_assert_eq 0 "$(e2e_pmctl visible "$E2E_MAIN_TITLE")" "main window visible" || return 1
  e2e_assert_eq 1 "$(e2e_program_count)" "pagemind.exe processes" || return 1
  e2e_end_and_wait
}

# Slot files of an earlier run are read and deleted at start and written back unchanged at the
# end: commas, a query string, Japanese in code page 932 and empty slots all survive.
case_slot_files_round_trip() {
  local expected="$E2E_FOLDER.expected" i
  mkdir -p "$E2E_FOLDER/Log" "$expected"
  for ((i = 0; i < SLOT_COUNT; i++)); do
    : >"$(slot_file "$i")"
  done
  printf '%s' "http://127.0.0.1/a,b?q=1,2" >"$(slot_file 0)"
  e2e_write_cp932 "$(slot_file 3)" "http://127.0.0.1/日本語のページ"
  printf '%s' "http://127.0.0.1:8080/last slot/?x=%E3%81%82" >"$(slot_file 30)"
  cp "$E2E_FOLDER"/Log/*.pms "$expected/"

  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  e2e_wait_until 10 "the slot files to be read and deleted" slot_files_gone || return 1
  e2e_end_and_wait || return 1
  for ((i = 0; i < SLOT_COUNT; i++)); do
    e2e_assert_same_bytes "$expected/$(slot_name "$i")" "$(slot_file "$i")" \
      "slot $i after the end" || return 1
  done
  e2e_assert_eq "" "$(slot_extra_files "$E2E_FOLDER" --no-recovery)" "other files in Log" ||
    return 1
}

# A second start while one instance runs only says so in a message box, then leaves.
case_second_instance() {
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  local before
  before="$(folder_state)"
  e2e_start_pagemind "$E2E_FOLDER"
  local text
  text="$(e2e_pmctl message-box-text 20000)" || e2e_fail "no message box from the second start" ||
    return 1
  e2e_assert_eq "二重起動はできません！" "$text" "message box text" || return 1
  e2e_assert_eq 2 "$(e2e_program_count)" "pagemind.exe processes while the box shows" || return 1
  e2e_assert_eq 0 "$(e2e_visible_window_count "$E2E_SPLASH_TITLE")" "splash windows shown" ||
    return 1
  e2e_assert_eq 1 "$(e2e_window_count "$E2E_MAIN_TITLE")" "main windows" || return 1
  e2e_pmctl click-ok || e2e_fail "could not press OK" || return 1
  e2e_wait_until 10 "the second instance to exit" programs_running 1 || return 1
  e2e_assert_eq "$before" "$(folder_state)" "program folder after the second start" || return 1
  e2e_end_and_wait
}

# Logo=0: no splash, yet the main window comes after the same wait.
case_no_logo() {
  printf '[Settings]\r\nLogo=0\r\n' >"$E2E_FOLDER/Pagemind.ini"
  e2e_pmctl lifetime "$E2E_SPLASH_TITLE" 8000 >/dev/null &
  local watcher=$!
  local started
  started=$(e2e_now_ms)
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_window "$E2E_MAIN_TITLE" 20 || return 1
  # Start-up of the Wine process itself adds about 1 s, and several seconds on a loaded machine:
  # the upper bound only catches a wait that never ends.
  e2e_assert_between $(($(e2e_now_ms) - started)) 2500 10000 "ms until the main window" ||
    return 1
  if wait "$watcher"; then
    e2e_fail "a splash window was shown with Logo=0" || return 1
  fi
  e2e_end_and_wait
}

# DebugMode=1: the splash says so; without it the label stays hidden.
case_debug_mode() {
  local texts
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_window "$E2E_SPLASH_TITLE" 20 || return 1
  texts="$(e2e_visible_texts "$E2E_SPLASH_TITLE")"
  e2e_assert_contains "$texts" "起動しています..." "splash texts without DebugMode" || return 1
  [[ "$texts" != *"デバッグモード ON"* ]] ||
    e2e_fail "the debug label shows without DebugMode=1" || return 1
  e2e_wait_started || return 1
  e2e_end_and_wait || return 1

  printf '[Debug]\r\nDebugMode=1\r\n' >"$E2E_FOLDER/Pagemind.ini"
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_window "$E2E_SPLASH_TITLE" 20 || return 1
  texts="$(e2e_visible_texts "$E2E_SPLASH_TITLE")"
  e2e_screenshot splash-debug
  e2e_assert_contains "$texts" "デバッグモード ON" "splash texts" || return 1
  e2e_wait_started || return 1
  e2e_end_and_wait
}

e2e_setup startup
e2e_build_tool visible_texts || { echo "FAIL startup: visible_texts did not build"; exit 1; }
e2e_case splash case_splash
e2e_case slot_files_round_trip case_slot_files_round_trip
e2e_case second_instance case_second_instance
e2e_case no_logo case_no_logo
e2e_case debug_mode case_debug_mode
e2e_finish
