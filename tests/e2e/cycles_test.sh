#!/usr/bin/env bash
# pagemind.exe started and ended many times in a row with pages remembered: after each run the
# slot files hold exactly the pages of the run before. Between runs one slot is changed on disk
# (as an earlier end with another page there would have left it), so every run must really read
# the files and not just leave them alone.
#
#   PAGEMIND_E2E_CYCLES   how many start/end runs (default 50; tools/test.sh runs fewer)
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/slot_sets.sh
source "$E2E_DIR/slot_sets.sh"

CYCLES=${PAGEMIND_E2E_CYCLES:-50}

case_cycles() {
  local expected="$E2E_FOLDER.scratch/expected"
  rm -rf "$E2E_FOLDER.scratch"
  slot_set_make "$expected" cycles
  slot_set_plant "$expected"
  local run changed started=$SECONDS
  for ((run = 1; run <= CYCLES; run++)); do
    changed="$expected/$(slot_name $((run % SLOT_COUNT)))"
    if ((run % 4 == 0)); then
      : >"$changed"
    else
      e2e_write_cp932 "$changed" "http://127.0.0.1/cycles/run-$run/ページ"
    fi
    cp "$changed" "$E2E_FOLDER/Log/"
    e2e_start_pagemind "$E2E_FOLDER"
    e2e_wait_started || return 1
    e2e_wait_until 10 "run $run to read the slot files" slot_files_gone || return 1
    e2e_end_and_wait || return 1
    slot_set_assert "$expected" "after run $run" || return 1
    e2e_assert_eq "" "$(slot_extra_files "$E2E_FOLDER")" "other files in Log after run $run" ||
      return 1
  done
  local took=$((SECONDS - started))
  pm_log "$CYCLES runs took $took s ($((took * 1000 / CYCLES)) ms a run)"
  echo "$CYCLES start/end runs in $took s" >"$E2E_ARTIFACTS/cycles-summary.txt"
}

e2e_setup cycles
e2e_case "runs" case_cycles
e2e_finish
