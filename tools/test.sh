#!/usr/bin/env bash
# Installs what the tests need (Debian 12, as root; only what is missing) and runs every test:
#   native    unit tests on the headless platform, AddressSanitizer + UBSan
#   mingw64   pagemind.exe and the win32 unit tests, run under Wine through ctest
#   mingw32   compile check of the i686 build
#   imports   both builds import nothing Windows 7 lacks (tools/check-imports.sh)
#   package   the user guide against the tray menu, and tools/package.sh's zips
#   fuzz      each libFuzzer target for a few seconds (tools/fuzz.sh)
#   e2e       tests/e2e/*_test.sh: pagemind.exe under Wine on Xvfb
# Ends with "N passed, M failed" and a non-zero status when anything failed.
set -uo pipefail
# shellcheck source=tools/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tools/package-checks.sh
source "$PM_ROOT/tools/package-checks.sh"
pm_install_traps

PASSED=0
FAILED=0
LOGS="$PM_ROOT/build/test-logs"
started=$SECONDS

pass() {
  echo "PASS $1"
  PASSED=$((PASSED + 1))
}

fail() {
  echo "FAIL $1: $2"
  FAILED=$((FAILED + 1))
}

summary() {
  pm_log "tools/test.sh took $((SECONDS - started)) s"
  echo "$PASSED passed, $FAILED failed"
  ((FAILED == 0))
}

# step NAME COMMAND...: runs COMMAND with its output in build/test-logs/NAME.log; on failure the
# end of the log is shown, so a CI log says what broke without the noise of passing steps.
step() {
  local name=$1 log="$LOGS/${1//\//-}.log" t0=$SECONDS
  shift
  pm_log "$name"
  local rc=0
  "$@" >"$log" 2>&1 </dev/null || rc=$?
  pm_log "$name took $((SECONDS - t0)) s"
  if ((rc == 0)); then
    pass "$name"
    return 0
  fi
  tail -n 60 "$log" | sed 's/^/  | /'
  fail "$name" "exit status $rc, log in ${log#"$PM_ROOT"/}"
  return 1
}

configure_and_build() { cmake --preset "$1" && cmake --build --preset "$1" "${@:2}"; }

# A leftover wineserver would hold ctest's output pipe open: one server kept alive for the
# whole run, warmed up once, and stopped afterwards.
win32_unit_tests() {
  wineserver -p 30 || return 1
  pm_wine cmd /c exit || return 1
  local rc=0
  (cd build/mingw64 && env "${PM_WINE_LOCALE[@]}" ctest --output-on-failure) || rc=$?
  pm_kill_wine
  return "$rc"
}

# Runs one e2e script and takes over its PASS/FAIL lines.
e2e_script() {
  local script=$1 name log out rc=0
  name="e2e/$(basename "$script" .sh)"
  log="$LOGS/${name//\//-}.log"
  pm_log "$name"
  out="$("$script" 2>"$log" </dev/null)" || rc=$?
  printf '%s\n' "$out" | grep -E '^(PASS|FAIL|SKIP) ' || true
  local passes fails
  passes=$(printf '%s\n' "$out" | grep -c '^PASS ')
  fails=$(printf '%s\n' "$out" | grep -c '^FAIL ')
  PASSED=$((PASSED + passes))
  FAILED=$((FAILED + fails))
  if ((rc != 0 && fails == 0)); then
    tail -n 30 "$log" | sed 's/^/  | /'
    fail "$name" "exit status $rc without a FAIL line"
  fi
}

mkdir -p "$LOGS"
if ! step setup/packages pm_install_packages "${PM_RUN_PACKAGES[@]}" "${PM_TEST_PACKAGES[@]}" \
  "${PM_E2E_PACKAGES[@]}" ||
  ! step setup/lz4-source pm_fetch_lz4_source ||
  ! step setup/locale pm_ensure_japanese_locale; then
  summary
  exit 1
fi
cd "$PM_ROOT" || exit 1

step native/build configure_and_build native && step native/unit-tests ctest --preset native

# pagemind.exe first and on its own, so a unit test that does not compile yet still leaves the
# end-to-end tests something to run.
mingw64_built=0
step mingw64/build configure_and_build mingw64 --target pagemind && mingw64_built=1
# Windows 7 must be able to load it: no import newer than that system.
step tools/check-imports-test tools/check-imports-test.sh
((mingw64_built)) && step mingw64/imports tools/check-imports.sh build/mingw64/pagemind.exe

# One Wine prefix per run, shared by the win32 unit tests and every e2e test.
export E2E_BUILD="$PM_ROOT/build/e2e"
rm -rf "$E2E_BUILD/prefix"
wine_ready=0
if step wine/xvfb pm_start_xvfb; then
  pm_wine_env "$E2E_BUILD/prefix"
  pm_on_exit pm_kill_wine
  step wine/prefix pm_ensure_wine_prefix && wine_ready=1
fi

if ((mingw64_built)) && step mingw64/build-unit-tests cmake --build --preset mingw64; then
  if ((wine_ready)); then
    step mingw64/unit-tests win32_unit_tests
  else
    fail mingw64/unit-tests "not run: no Wine"
  fi
fi

step mingw32/build configure_and_build mingw32 &&
  step mingw32/imports tools/check-imports.sh build/mingw32/pagemind.exe

# The zips hold the builds above; tests/e2e/package_test.sh starts the program from one of them.
step package/guide guide_captions_test
((mingw64_built)) && step package/zips package_zip_test
((mingw64_built)) && step package/imports package_imports_test

# Each libFuzzer target for a few seconds (PAGEMIND_FUZZ_SECONDS, default 5); tools/fuzz.sh
# runs them longer on demand.
step fuzz "$PM_ROOT/tools/fuzz.sh"

# tests/e2e/cycles_test.sh's start/end runs take about 4.5 s each: the test run does 10 of its 50.
export PAGEMIND_E2E_CYCLES="${PAGEMIND_E2E_CYCLES:-10}"
if ((mingw64_built && wine_ready)); then
  for script in "$PM_ROOT"/tests/e2e/*_test.sh; do
    e2e_script "$script"
  done
else
  fail e2e "not run: no pagemind.exe or no Wine"
fi

summary
