# shellcheck shell=bash
# The end-to-end harness: pagemind.exe under Wine on Xvfb, driven through tests/e2e/tools/pmctl.
#
# A test script sources this file, calls e2e_setup once, runs its cases with e2e_case and ends
# with e2e_finish. Each case gets a fresh program folder holding a copy of pagemind.exe; the Wine
# prefix is shared by all cases and tests of a run (creating one takes about 13 s), and every Wine
# process is ended between cases. Nothing here sleeps for a fixed time: waits poll a condition
# until it holds or a timeout passes.
#
# Environment (all optional):
#   PAGEMIND_EXE   the program under test (default build/mingw64/pagemind.exe)
#   E2E_BUILD      scratch folder: prefix, pmctl.exe, program folders (default build/e2e)
#   E2E_ARTIFACTS  screenshots and Wine logs (default artifacts/)
#   E2E_MODE       "desktop" (default): the program runs in `explorer /desktop=e2e,1280x800`;
#                  "plain": plain `wine`, windows drawn with Wine's own frames (Decorated=N) and
#                  the tray in its own "Wine System Tray" X window.

# shellcheck disable=SC2034  # the variables are for the test scripts that source this file
E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tools/lib.sh
source "$E2E_DIR/../../tools/lib.sh"

E2E_BUILD="${E2E_BUILD:-$PM_ROOT/build/e2e}"
E2E_ARTIFACTS="${E2E_ARTIFACTS:-$PM_ROOT/artifacts}"
PAGEMIND_EXE="${PAGEMIND_EXE:-$PM_ROOT/build/mingw64/pagemind.exe}"
E2E_MODE="${E2E_MODE:-desktop}"
E2E_DESKTOP=e2e
E2E_PMCTL="$E2E_BUILD/pmctl.exe"
E2E_POLL=0.05

E2E_TEST=""     # name of the running test script
E2E_CASE=""     # name of the running case
E2E_REASON=""   # why the running case failed (first failure only)
E2E_FOLDER=""   # the running case's program folder
E2E_EXE_WINPATH="" # its pagemind.exe as Wine names it
E2E_FAILURES=0
E2E_PASSES=0

# Titles of pagemind.exe's windows and its command ids.
E2E_SPLASH_TITLE="Pagemind - 起動中..."
E2E_MAIN_TITLE="Pagemind - アクセスログ"
E2E_CMD_REOPEN=1001
E2E_CMD_SHOW_LOG=1002
E2E_CMD_SETTINGS=1003
E2E_CMD_ABOUT=1004
E2E_CMD_END=1005
E2E_CMD_START_AT_LOGON=1007

# --- set-up -----------------------------------------------------------------------------------

# e2e_compile OUTPUT SOURCES... -- FLAGS...: builds a Windows test program with the flags of the
# harness's own tools when OUTPUT is missing or older than a source or a header of tools/ or
# standin/.
e2e_compile() {
  local out=$1 sources=()
  shift
  while (($# > 0)) && [[ "$1" != -- ]]; do
    sources+=("$1")
    shift
  done
  shift
  if [[ -x "$out" ]]; then
    local source stale=0
    for source in "${sources[@]}" "$E2E_DIR"/tools/*.h "$E2E_DIR"/standin/*.h; do
      [[ "$source" -nt "$out" ]] && stale=1
    done
    ((stale)) || return 0
  fi
  mkdir -p "$(dirname "$out")"
  x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -DUNICODE -D_UNICODE -static \
    -o "$out.tmp" "${sources[@]}" "$@" && mv -f "$out.tmp" "$out"
}

# e2e_build_tool NAME: builds tests/e2e/tools/NAME.cpp, with its parts NAME_*.cpp, into
# E2E_BUILD/NAME.exe.
e2e_build_tool() {
  local parts=()
  mapfile -t parts < <(compgen -G "$E2E_DIR/tools/$1_*.cpp")
  e2e_compile "$E2E_BUILD/$1.exe" "$E2E_DIR/tools/$1.cpp" "${parts[@]}" -- -lshell32
}

e2e_build_pmctl() { e2e_build_tool pmctl; }

# Pagemind's own readers of the browsers' session files, built for Linux
# (tests/browsers/session_tabs.cpp): E2E_SESSION_TABS FILE prints a file's windows and tabs.
E2E_SESSION_TABS="$E2E_BUILD/session_tabs"
e2e_build_session_tabs() {
  local root="$E2E_DIR/../.." out=$E2E_SESSION_TABS source stale=0 name
  local sources=("$root/tests/browsers/session_tabs.cpp")
  for name in chromium_session snss_records browser_errors firefox_mozlz4 firefox_session \
    firefox_session_raw firefox_error; do
    sources+=("$root/src/browsers/$name.cpp")
  done
  for source in "${sources[@]}" "$root"/src/browsers/*.h; do
    [[ "$source" -nt "$out" ]] && stale=1
  done
  ((stale)) || return 0
  g++ -std=c++20 -O1 -Wall -Wextra -Werror -I"$root/src" -o "$out.tmp" "${sources[@]}" -llz4 &&
    mv -f "$out.tmp" "$out"
}

# Shared by all tests of a run; tools/test.sh makes a fresh one before the first test.
e2e_prepare_prefix() {
  pm_wine_env "$E2E_BUILD/prefix"
  pm_ensure_wine_prefix || return 1
  if [[ "$E2E_MODE" == plain ]]; then
    # With no window manager on Xvfb, Wine draws the title bars itself.
    pm_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  fi
  return 0
}

# e2e_setup TEST_NAME: traps, Xvfb, the prefix and pmctl. Exits at once when one is missing.
e2e_setup() {
  E2E_TEST=$1
  pm_install_traps
  pm_on_exit pm_kill_wine
  mkdir -p "$E2E_ARTIFACTS" "$E2E_BUILD"
  local problem=""
  if [[ ! -f "$PAGEMIND_EXE" ]]; then
    problem="no program at $PAGEMIND_EXE (build preset mingw64 first)"
  elif ! e2e_build_pmctl; then
    problem="pmctl.exe did not build"
  elif [[ -z "${DISPLAY:-}" || "${E2E_OWN_DISPLAY:-1}" == 1 ]] && ! pm_start_xvfb; then
    problem="Xvfb did not start"
  elif ! e2e_prepare_prefix; then
    problem="the Wine prefix could not be made"
  fi
  if [[ -n "$problem" ]]; then
    echo "FAIL $E2E_TEST: $problem"
    exit 1
  fi
  pm_log "$E2E_TEST: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX mode=$E2E_MODE"
}

# e2e_case NAME FUNCTION: runs one case in a fresh program folder and prints its PASS/FAIL line.
# The function returns non-zero at the first failed check (the checks record the reason).
# E2E_ONLY="CASE ..." runs only those cases of a script, to try one again while working on it.
e2e_case() {
  if [[ -n "${E2E_ONLY:-}" && " $E2E_ONLY " != *" $1 "* ]]; then
    echo "SKIP $E2E_TEST/$1: not in E2E_ONLY"
    return 0
  fi
  E2E_CASE=$1
  E2E_REASON=""
  E2E_FOLDER="$E2E_BUILD/run/$E2E_TEST/$E2E_CASE"
  rm -rf "$E2E_FOLDER"
  mkdir -p "$E2E_FOLDER"
  E2E_EXE_WINPATH="$(pm_winpath "$E2E_FOLDER/pagemind.exe")"
  cp "$PAGEMIND_EXE" "$E2E_FOLDER/pagemind.exe"
  local started=$SECONDS
  if "$2" && [[ -z "$E2E_REASON" ]]; then
    echo "PASS $E2E_TEST/$E2E_CASE"
    E2E_PASSES=$((E2E_PASSES + 1))
  else
    e2e_screenshot "$E2E_TEST-$E2E_CASE-failed" || true
    echo "FAIL $E2E_TEST/$E2E_CASE: ${E2E_REASON:-the case stopped without saying why}"
    E2E_FAILURES=$((E2E_FAILURES + 1))
  fi
  pm_log "$E2E_TEST/$E2E_CASE took $((SECONDS - started)) s"
  pm_kill_wine
}

e2e_finish() {
  pm_log "$E2E_TEST: $E2E_PASSES passed, $E2E_FAILURES failed"
  ((E2E_FAILURES == 0))
}

# --- checks -----------------------------------------------------------------------------------

# Records why the case fails (the first reason wins) and returns 1 so callers can `|| return 1`.
e2e_fail() {
  [[ -n "$E2E_REASON" ]] || E2E_REASON="$*"
  pm_log "$E2E_TEST/$E2E_CASE: $*"
  return 1
}

# e2e_fail_detail TEXT: adds TEXT to the reason the case already gave, so that what was seen
# when it failed reaches the run's summary, not only the script's log.
e2e_fail_detail() {
  E2E_REASON+="; $*"
  pm_log "$E2E_TEST/$E2E_CASE: $*"
  return 1
}

e2e_assert_eq() { # EXPECTED ACTUAL WHAT
  [[ "$1" == "$2" ]] || e2e_fail "$3: expected '$1', got '$2'"
}

e2e_assert_between() { # VALUE LOW HIGH WHAT (integers, inclusive)
  [[ "$1" =~ ^-?[0-9]+$ ]] || e2e_fail "$4: '$1' is not a number" || return 1
  (($2 <= $1 && $1 <= $3)) || e2e_fail "$4: $1 is not between $2 and $3"
}

e2e_assert_exists() { [[ -e "$1" ]] || e2e_fail "${2:-$1} does not exist"; }
e2e_assert_missing() { [[ ! -e "$1" ]] || e2e_fail "${2:-$1} exists"; }

e2e_assert_same_bytes() { # EXPECTED_FILE ACTUAL_FILE WHAT
  [[ -f "$2" ]] || e2e_fail "$3: $2 is missing" || return 1
  cmp -s "$1" "$2" ||
    e2e_fail "$3: $(basename "$2") holds '$(od -An -c "$2" | tr -s ' ' | head -c 120)'," \
      "expected '$(od -An -c "$1" | tr -s ' ' | head -c 120)'"
}

e2e_assert_contains() { # TEXT NEEDLE WHAT
  [[ "$1" == *"$2"* ]] || e2e_fail "$3: '$2' not in '$(printf '%s' "$1" | tr '\n' '|')'"
}

# --- waiting ----------------------------------------------------------------------------------

# e2e_wait_until TIMEOUT_S WHAT COMMAND...: polls COMMAND until it succeeds.
e2e_wait_until() {
  local timeout=$1 what=$2
  shift 2
  local deadline=$((SECONDS + timeout)) started_ms
  started_ms=$(e2e_now_ms)
  until "$@"; do
    ((SECONDS < deadline)) || {
      e2e_fail "timed out after ${timeout} s waiting for $what"
      return 1
    }
    sleep "$E2E_POLL"
  done
  # How close each wait came to its bound, for the day a bound proves too tight.
  pm_log "waited $(($(e2e_now_ms) - started_ms)) ms of ${timeout} s for $what"
}

e2e_wait_file() { e2e_wait_until "$2" "$1 to appear" test -e "$1"; }
e2e_wait_no_file() { e2e_wait_until "$2" "$1 to go" test ! -e "$1"; }

# Unix pids of the Wine processes running FOLDER/pagemind.exe (one a line).
e2e_program_pids() {
  local folder=${1:-$E2E_FOLDER} exe
  # winepath is a Wine process of its own: the case's path is worked out once.
  if [[ "$folder" == "$E2E_FOLDER" && -n "$E2E_EXE_WINPATH" ]]; then
    exe=$E2E_EXE_WINPATH
  else
    exe="$(pm_winpath "$folder/pagemind.exe")"
  fi
  pm_pids_of_winpath "$exe"
}

e2e_program_count() { e2e_program_pids "$@" | wc -l; }
e2e_no_program_running() { (($(e2e_program_count "$@") == 0)); }

# The time it took goes to the log: a slow end is a fault to see even when it ends in time.
e2e_wait_process_end() { # TIMEOUT_S [FOLDER]
  local started=$SECONDS
  e2e_wait_until "$1" "pagemind.exe to end" e2e_no_program_running "${2:-}" || return 1
  pm_log "$E2E_TEST/$E2E_CASE: pagemind.exe ended after $((SECONDS - started)) s"
}

# --- driving the program ----------------------------------------------------------------------

# Starts FOLDER/pagemind.exe (default: the case's folder) and returns at once; sets E2E_PID to
# the Wine launcher, which ends with the program.
e2e_start_pagemind() {
  local folder="${1:-$E2E_FOLDER}" exe
  exe="$(pm_winpath "$folder/pagemind.exe")"
  local log="$E2E_ARTIFACTS/$E2E_TEST-wine.log"
  if [[ "$E2E_MODE" == plain ]]; then
    (cd "$folder" && exec env "${PM_WINE_LOCALE[@]}" wine "$exe") </dev/null >>"$log" 2>&1 &
  else
    (cd "$folder" && exec env "${PM_WINE_LOCALE[@]}" wine explorer \
      "/desktop=$E2E_DESKTOP,1280x800" "$exe") </dev/null >>"$log" 2>&1 &
  fi
  E2E_PID=$!
}

# e2e_run_tool EXE ARGS...: runs a test tool of E2E_BUILD in the program's desktop (named to it
# in PMCTL_DESKTOP); its output goes to stdout.
e2e_run_tool() {
  local desktop=""
  [[ "$E2E_MODE" == plain ]] || desktop=$E2E_DESKTOP
  PMCTL_DESKTOP="$desktop" pm_wine "$@" </dev/null
}

e2e_pmctl() { e2e_run_tool "$E2E_PMCTL" "$@"; }

# The texts of the controls of window TITLE that are shown, one a line (pmctl text lists the
# hidden ones too). Needs e2e_build_tool visible_texts.
e2e_visible_texts() { e2e_run_tool "$E2E_BUILD/visible_texts.exe" "$1"; } # TITLE

e2e_wait_window() { # TITLE TIMEOUT_S
  e2e_pmctl wait-window "$1" "$(($2 * 1000))" || e2e_fail "no window '$1' within $2 s"
}

e2e_wait_no_window() { # TITLE TIMEOUT_S
  e2e_pmctl wait-no-window "$1" "$(($2 * 1000))" || e2e_fail "window '$1' still there after $2 s"
}

e2e_window_count() { e2e_pmctl count "$1"; }
e2e_visible_window_count() { e2e_pmctl count-visible "$1"; }

# Posts the end command to the hidden main window.
e2e_end_program() {
  e2e_pmctl post-command "$E2E_MAIN_TITLE" "$E2E_CMD_END" ||
    e2e_fail "could not post the end command to '$E2E_MAIN_TITLE'"
}

# Started: the main window is there and the splash has gone.
e2e_wait_started() {
  e2e_wait_window "$E2E_MAIN_TITLE" 20 && e2e_wait_no_window "$E2E_SPLASH_TITLE" 15
}

# The end command, then the process gone within TIMEOUT_S (default 20) seconds.
# shellcheck disable=SC2120  # both arguments are optional
# The addresses of the slot files that hold one, in slot order, one a line (UTF-8).
slot_addresses() { # [FOLDER]
  local i file
  for ((i = 0; i < SLOT_COUNT; i++)); do
    file="$(slot_file "$i" "${1:-}")"
    [[ -s "$file" ]] && iconv -f CP932 -t UTF-8 "$file" && echo
  done
  return 0
}

e2e_end_and_wait() { # [TIMEOUT_S] [FOLDER]
  e2e_end_program || return 1
  e2e_wait_process_end "${1:-20}" "${2:-}"
}

# No message box titled CAPTION (default "Pagemind") is open; a condition for e2e_wait_until.
e2e_message_box_gone() { # [CAPTION]
  ! e2e_pmctl message-box-text 0 "${1:-Pagemind}" >/dev/null 2>&1
}

# No message box is open (the program showed none); fails with the text of the one that is.
e2e_assert_no_message_box() {
  local text
  if text="$(e2e_pmctl message-box-text 0 2>/dev/null)"; then
    e2e_fail "an unexpected message box: $(tr '\n' '|' <<<"$text")"
    return 1
  fi
  return 0
}

# Saves the X screen as artifacts/NAME.png.
e2e_screenshot() {
  import -display "$DISPLAY" -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null
}

# --- time -------------------------------------------------------------------------------------

# Milliseconds since the epoch, for the cases that time what they wait for.
e2e_now_ms() {
  local t=${EPOCHREALTIME/[.,]/}
  echo $((t / 1000))
}

# Sleeps MS milliseconds: only for a moment a case chooses (a kill during a save, a gap between
# clicks), never to wait for something that can be polled.
e2e_sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

# --- the slot files ---------------------------------------------------------------------------

# The program keeps its pages in 31 slots, slot K in Log\logKK.pms (code page 932, no line
# break).
SLOT_COUNT=31

slot_name() { printf 'log%02d.pms' "$1"; } # K
slot_file() { printf '%s/Log/%s' "${2:-$E2E_FOLDER}" "$(slot_name "$1")"; } # K [FOLDER]
# The copy of the remembered pages the program keeps beside the slot files while it runs.
# shellcheck disable=SC2120  # FOLDER is optional
recovery_copy() { printf '%s/Log/recovery.pmr' "${1:-$E2E_FOLDER}"; } # [FOLDER]

# No logNN.pms is left: the program has read (and deleted) them all.
slot_files_gone() { # [FOLDER]
  local folder=${1:-$E2E_FOLDER} k
  for ((k = 0; k < SLOT_COUNT; k++)); do
    [[ -e "$(slot_file "$k" "$folder")" ]] && return 1
  done
  return 0
}

# Names in Log that are neither slot files, history sets nor the recovery copy (a .tmp left
# behind, say), space-separated. The recovery copy stays until an end command has written the
# slot files; --no-recovery names it too, for a case whose end wrote them.
slot_extra_files() { # [FOLDER] [--no-recovery]
  local folder=${1:-$E2E_FOLDER} f names="" kept='log[0-9]{2}\.pms|set[0-9]{2}\.pmh|recovery\.pmr'
  [[ "${2:-}" != --no-recovery ]] || kept='log[0-9]{2}\.pms|set[0-9]{2}\.pmh'
  for f in "$folder"/Log/* "$folder"/Log/.[!.]*; do
    [[ -e "$f" && ! "$(basename "$f")" =~ ^($kept)$ ]] && names+="$(basename "$f") "
  done
  printf '%s' "${names% }"
}

# Writes UTF-8 TEXT to FILE in code page 932, with no line break, as pagemind.exe writes slots.
e2e_write_cp932() { # FILE TEXT
  printf '%s' "$2" | iconv -f UTF-8 -t CP932 >"$1"
}
