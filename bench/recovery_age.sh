#!/usr/bin/env bash
# How old the newest page can be in the recovery copy (Log\recovery.pmr) when pagemind.exe is
# killed: pages open one after another in browsers registered with the shell-window stand-in; for
# each, the time from its registration (when the poller can first see it) to the moment the copy
# on disk holds it. A kill -9 at any moment leaves exactly what is on disk, so the worst of these
# delays is the worst age of the newest page at a kill. The run ends with a kill -9 and checks that
# the copy still holds the last page. Prints each delay and the worst, in milliseconds.
#
#   bench/recovery_age.sh [PAGES]     default: 8 pages
#
# Its own Wine prefix and Xvfb under build/bench-recovery, beside tools/test.sh. Not part of the
# test run: the figure depends on the machine's load.
set -uo pipefail
PAGES=${1:-8}
export E2E_BUILD="${E2E_BUILD:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/bench-recovery}"
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"

copy_holds() { [[ -f "$(recovery_copy)" ]] && grep -qF -- "$1" "$(recovery_copy)"; }

measure() {
  local base="http://127.0.0.1:$STANDIN_HTTP_PORT" i address opened arrived deadline
  local worst=0 ages=()
  e2e_start_pagemind "$E2E_FOLDER"
  e2e_wait_started || return 1
  for ((i = 0; i < PAGES; i++)); do
    address="$base/plain.html?age=$i"
    standin_browsers open "$address" "Age $i" >/dev/null || e2e_fail "could not open $address" ||
      return 1
    opened=$(e2e_now_ms)
    deadline=$((opened + 15000))
    until copy_holds "$address"; do
      (($(e2e_now_ms) < deadline)) || e2e_fail "$address not in the recovery copy after 15 s" ||
        return 1
      sleep 0.02
    done
    arrived=$(e2e_now_ms)
    ages+=($((arrived - opened)))
    ((arrived - opened > worst)) && worst=$((arrived - opened))
    # The next page opens at another point of the poller's cycle.
    sleep "0.$((RANDOM % 10))"
  done
  local pid
  for pid in $(e2e_program_pids); do kill -9 "$pid"; done
  e2e_wait_process_end 10 || return 1
  copy_holds "$address" || e2e_fail "the recovery copy lost $address at the kill" || return 1
  echo "recovery_age: $PAGES pages, ms from registration to the recovery copy: ${ages[*]}"
  echo "recovery_age: worst ${worst} ms (the poller's cycle is 3.1 s with 31 slots)"
}

e2e_setup recovery_age
standin_setup
e2e_case measure measure
e2e_finish
