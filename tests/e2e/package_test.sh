#!/usr/bin/env bash
# The release as a user takes it: the program unpacked from tools/package.sh's x64 zip starts
# under Wine, makes its Log folder beside itself and ends in order. tools/test.sh builds the zip
# first (step package/zips); alone, run tools/package.sh before this script.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tools/package-checks.sh
source "$PM_ROOT/tools/package-checks.sh"

PACKAGE_ZIP="${PACKAGE_ZIP:-$PM_ROOT/build/package/pagemind-$(pm_project_version)-x64.zip}"

case_unpacked_program_starts() {
  [[ -f "$PACKAGE_ZIP" ]] || e2e_fail "no $PACKAGE_ZIP: run tools/package.sh first" || return 1
  local unpacked="$E2E_FOLDER/unpacked" folder
  mkdir -p "$unpacked"
  (cd "$unpacked" && LC_ALL=C unzip -q "$PACKAGE_ZIP") || e2e_fail "unzip failed" || return 1
  folder="$unpacked/$(basename "$PACKAGE_ZIP" .zip)"
  e2e_assert_exists "$folder/pagemind.exe" || return 1
  e2e_start_pagemind "$folder"
  e2e_wait_started || return 1
  e2e_assert_eq 1 "$(e2e_program_count "$folder")" "pagemind.exe processes from the zip" ||
    return 1
  [[ -d "$folder/Log" ]] || e2e_fail "no Log folder beside the unpacked program" || return 1
  e2e_screenshot package-started
  e2e_end_and_wait 20 "$folder" || return 1
  e2e_assert_exists "$(slot_file 0 "$folder")" "the first slot file written at the end"
}

e2e_setup package
e2e_case unpacked_program_starts case_unpacked_program_starts
e2e_finish
