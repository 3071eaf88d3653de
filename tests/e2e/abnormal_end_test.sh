#!/usr/bin/env bash
# Pagemind's own ends that it does not choose: killed, Windows ending the session, and another
# program asking it to end (taskkill without /F). The pages it remembered come back at the next
# start from the recovery copy beside the slot files.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"

# The recovery copy holds exactly the addresses of PAGE_LIST, in that order.
recovery_holds_pages() {
  local expected
  expected="Pagemind recovery 1"$'\r\n'
  while IFS=$'\t' read -r address _; do expected+="$address"$'\r\n'; done <<<"$PAGE_LIST"
  expected+="end"$'\r\n'
  [[ -f "$(recovery_copy)" && "$(cat "$(recovery_copy)"; echo x)" == "${expected}x" ]]
}

# Starts the program again on the same folder, ends it through the menu, and checks that the
# slot files hold the pages of PAGE_LIST in order and that the recovery copy is gone.
restart_and_end() {
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  e2e_end_and_wait || return 1
  standin_assert_slots_hold_pages || return 1
  e2e_assert_missing "$(recovery_copy)" "the recovery copy after the end command"
}

pages_open_and_kept() {
  PAGE_LIST="$(standin_page_list 2)"
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  standin_open_pages || return 1
  # One cycle of the poller (3.1 s) and the copy's second: 3.5 s here, with room for a slower
  # machine.
  e2e_wait_until 15 "the recovery copy to hold the open pages" recovery_holds_pages ||
    e2e_fail "recovery copy: $(tr '\r\n' '|' <"$(recovery_copy)" 2>&1)" || return 1
}

case_killed() {
  local PAGE_LIST pid
  pages_open_and_kept || return 1
  for pid in $(e2e_program_pids); do kill -9 "$pid"; done
  e2e_wait_process_end 10 || return 1
  e2e_assert_missing "$(slot_file 0)" "a slot file after the kill" || return 1
  restart_and_end
}

case_session_end() {
  local PAGE_LIST
  pages_open_and_kept || return 1
  e2e_pmctl end-session "$E2E_MAIN_TITLE" || e2e_fail "could not end the session" || return 1
  e2e_wait_process_end 20 || return 1
  e2e_assert_missing "$(slot_file 0)" "a slot file after the session's end" || return 1
  recovery_holds_pages || e2e_fail "the recovery copy lost the pages at the session's end" ||
    return 1
  restart_and_end
}

# Another program's close, as taskkill without /F sends it: WM_CLOSE to every top-level window of
# the program. It runs in the program's desktop, where alone it sees the program's windows.
e2e_taskkill() {
  local desktop=""
  [[ "$E2E_MODE" == plain ]] || desktop="/desktop=$E2E_DESKTOP,1280x800"
  if [[ -n "$desktop" ]]; then
    pm_wine explorer "$desktop" taskkill /IM pagemind.exe </dev/null
  else
    pm_wine taskkill /IM pagemind.exe </dev/null
  fi
}

log_shown() { (($(e2e_visible_window_count "$E2E_MAIN_TITLE") == 1)); }

case_taskkill_in_splash() {
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_window "$E2E_SPLASH_TITLE" 20 || return 1
  e2e_taskkill >>"$E2E_ARTIFACTS/$E2E_TEST-taskkill.log" 2>&1
  e2e_wait_process_end 10 || e2e_fail "taskkill did not end the program during the splash" ||
    return 1
  e2e_assert_missing "$(slot_file 0)" "a slot file after taskkill in the splash" || return 1
  e2e_assert_missing "$(recovery_copy)" "a recovery copy with nothing remembered yet"
}

case_taskkill_resident() {
  local PAGE_LIST
  pages_open_and_kept || return 1
  # The user's close (Alt+F4, as SC_CLOSE) on the shown access log still does not end it.
  e2e_pmctl post-command "$E2E_MAIN_TITLE" "$E2E_CMD_SHOW_LOG" || return 1
  e2e_wait_until 10 "the access log to show" log_shown || return 1
  e2e_pmctl close "$E2E_MAIN_TITLE" || e2e_fail "could not send the user's close" || return 1
  sleep 1
  e2e_assert_eq 1 "$(e2e_program_count)" "programs after the user's close" || return 1
  e2e_taskkill >>"$E2E_ARTIFACTS/$E2E_TEST-taskkill.log" 2>&1
  e2e_wait_process_end 10 || e2e_fail "taskkill did not end the resident program" || return 1
  e2e_assert_missing "$(slot_file 0)" "a slot file after taskkill" || return 1
  recovery_holds_pages ||
    e2e_fail "the recovery copy after taskkill: $(tr '\r\n' '|' <"$(recovery_copy)" 2>&1)" ||
    return 1
  restart_and_end
}

e2e_setup abnormal_end
standin_setup
e2e_case killed case_killed
e2e_case session_end case_session_end
e2e_case taskkill_in_splash case_taskkill_in_splash
e2e_case taskkill_resident case_taskkill_resident
e2e_finish
