#!/usr/bin/env bash
# Pagemind's figures, with the aims they are held to:
#   1. the native benchmarks (preset `bench`, headless platform): the poller's tick, reopening,
#      saving and loading the slot files, saving the access log;
#   2. under Wine, pagemind.exe beside bench/minimal_tray.exe (the smallest tray program, built
#      by the same configuration): private memory and CPU time over an idle minute with the
#      poller running against the shell-window stand-in (no browser windows), and the time from
#      the start to the tray icon; the size of pagemind.exe;
#   3. bench/wine_tick.sh: what one poller visit costs against the stand-in.
# It takes about five minutes and is not part of tools/test.sh.
#
#   tools/bench.sh
#   PAGEMIND_BENCH_IDLE_SECONDS   length of the idle measurement (default 60)
#   PAGEMIND_BENCH_STARTS         starts measured for each program (default 5; the median counts)
#   PAGEMIND_BENCH_BUILD          scratch folder with its own Wine prefix (default build/bench-wine)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export E2E_BUILD="${PAGEMIND_BENCH_BUILD:-$ROOT/build/bench-wine}"
# Plain Wine: the tray is its own X window, "Wine System Tray", that shows with the first icon.
export E2E_MODE=plain
# shellcheck source=tests/e2e/lib.sh
source "$ROOT/tests/e2e/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"

IDLE_SECONDS=${PAGEMIND_BENCH_IDLE_SECONDS:-60}
STARTS=${PAGEMIND_BENCH_STARTS:-5}
WIN_BUILD="$PM_ROOT/build/bench-mingw64"
PROGRAMS="$E2E_BUILD/programs"
TRAY_TITLE="Wine System Tray"
MINIMAL_TITLE="Minimal tray"
CLOCK_TICKS=$(getconf CLK_TCK)

# The aims.
AIM_MEMORY_RATIO=1.2
AIM_CPU_PERCENT=0.5
AIM_START_MS=3100
AIM_EXE_BYTES=$((3 * 1024 * 1024 / 2))

die() {
  echo "bench: $*" >&2
  exit 1
}

verdict() { if (($1)); then echo "meets the aim"; else echo "MISSES the aim"; fi; }

# --- processes --------------------------------------------------------------------------------

# Unix pids of the Wine processes of this prefix running EXE (a Unix path).
pids_of_exe() { pm_pids_of_winpath "$(pm_winpath "$1")"; }

# CPU time (user + system) of a process in clock ticks.
cpu_ticks() {
  local stat
  stat="$(<"/proc/$1/stat")" || return 1
  # The name in parentheses may hold blanks: count the fields after it.
  awk '{ print $12 + $13 }' <<<"${stat##*) }"
}

# The Linux process's private dirty memory in KiB: the pages it wrote itself (heaps, stacks, the
# data of the loaded modules), which is what Windows counts as a process's private bytes. Clean
# pages of mapped files are left out: whether Linux calls them private changes with whichever
# other process maps the same library at the moment.
private_kib() { awk '/^Private_Dirty:/ { s += $2 } END { print s }' "/proc/$1/smaps_rollup"; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# Where a process's private dirty memory is, by mapping (file name, or [heap] and the like), largest
# first: "KiB name" lines.
private_by_mapping() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6) ? $6 : "[anonymous]"; sub(/.*\//, "", name) }
       /^Private_Dirty:/ { kib[name] += $2 }
       END { for (n in kib) if (kib[n] > 0) printf "%d %s\n", kib[n], n }' "/proc/$1/smaps" |
    sort -rn | head -n "$2"
}

tray_shown() { [[ -n "$(xdotool search --onlyvisible --name "^$TRAY_TITLE\$" 2>/dev/null)" ]]; }

# A Wine session as a user has it before a program starts: wineserver and the desktop process
# (explorer, which hosts the tray) running, no tray icon yet.
fresh_session() {
  pm_kill_wine
  wineserver -p 120 || return 1
  pm_wine "$E2E_PMCTL" windows >/dev/null 2>&1
  ! tray_shown
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Starts EXE (a Unix path) in its folder under its Windows name, as a user's double-click does;
# the process then shows that name as its argv[0].
launch() {
  local windows_path
  windows_path="$(pm_winpath "$1")"
  (cd "$(dirname "$1")" && exec env "${PM_WINE_LOCALE[@]}" wine "$windows_path") </dev/null \
    >/dev/null 2>&1 &
}

# Milliseconds from launching EXE until the tray window shows its icon.
start_to_tray_ms() {
  local exe=$1 started shown deadline
  fresh_session || return 1
  started=$(e2e_now_ms)
  launch "$exe"
  deadline=$((SECONDS + 30))
  until tray_shown; do
    ((SECONDS < deadline)) || return 1
    sleep 0.01
  done
  shown=$(e2e_now_ms)
  echo $((shown - started))
}

# --- the parts --------------------------------------------------------------------------------

native_benchmarks() {
  echo "== Native benchmarks (preset bench, headless platform, $(nproc) cores)"
  if ! cmake --preset bench >/dev/null || ! cmake --build --preset bench >/dev/null; then
    die "the bench preset did not build"
  fi
  "$PM_ROOT/build/bench/bench/pagemind_bench" 2>&1
}

build_for_wine() {
  if ! cmake -S "$PM_ROOT" -B "$WIN_BUILD" -G Ninja \
    --toolchain "$PM_ROOT/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DPAGEMIND_BENCH=ON -DPAGEMIND_TESTS=OFF >/dev/null ||
    ! cmake --build "$WIN_BUILD" --target pagemind minimal_tray >/dev/null; then
    die "pagemind.exe or minimal_tray.exe did not build"
  fi
  rm -rf "$PROGRAMS"
  mkdir -p "$PROGRAMS/pagemind" "$PROGRAMS/minimal"
  cp "$WIN_BUILD/pagemind.exe" "$PROGRAMS/pagemind/"
  cp "$WIN_BUILD/bench/minimal_tray.exe" "$PROGRAMS/minimal/"
}

prepare_wine() {
  pm_start_xvfb || die "Xvfb did not start"
  pm_on_exit pm_kill_wine
  pm_wine_env "$E2E_BUILD/prefix"
  pm_ensure_wine_prefix || die "no Wine prefix"
  pm_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  e2e_build_pmctl || die "pmctl.exe did not build"
  standin_build || die "the stand-in did not build"
  standin_register || die "the stand-in could not be registered"
}

startup_figures() {
  local name exe times ms median_ms
  echo "== Start to tray icon under Wine: from launching \`wine EXE\` (wineserver and the desktop"
  echo "   already running) until the \"$TRAY_TITLE\" X window shows; median of $STARTS starts"
  for name in pagemind minimal; do
    exe="$PROGRAMS/$name/pagemind.exe"
    [[ $name == minimal ]] && exe="$PROGRAMS/minimal/minimal_tray.exe"
    times=()
    for ((i = 0; i < STARTS; i++)); do
      ms="$(start_to_tray_ms "$exe")" || die "$(basename "$exe") showed no tray icon within 30 s"
      times+=("$ms")
    done
    median_ms="$(printf '%s\n' "${times[@]}" | median)"
    printf '   %-16s %5d ms   (each: %s)\n' "$(basename "$exe")" "$median_ms" "${times[*]}"
    [[ $name == pagemind ]] && STARTUP_MS=$median_ms
  done
  printf '   aim: pagemind.exe <= %d ms: %s\n' "$AIM_START_MS" \
    "$(verdict $((STARTUP_MS <= AIM_START_MS)))"
}

idle_figures() {
  local pm_exe="$PROGRAMS/pagemind/pagemind.exe" min_exe="$PROGRAMS/minimal/minimal_tray.exe"
  fresh_session || die "no fresh Wine session"
  launch "$pm_exe"
  launch "$min_exe"
  e2e_pmctl wait-window "$E2E_MAIN_TITLE" 30000 || die "pagemind.exe did not start"
  e2e_pmctl wait-window "$MINIMAL_TITLE" 30000 || die "minimal_tray.exe did not start"
  e2e_pmctl wait-no-window "$E2E_SPLASH_TITLE" 30000 || die "the splash did not go"
  # Past the start-up work; the poller has made its window collection by now.
  sleep 5
  local pm min standin
  pm="$(pids_of_exe "$pm_exe")"
  min="$(pids_of_exe "$min_exe")"
  standin="$(standin_pids_of shellwindows_standin.exe | head -n 1)"
  [[ "$pm" =~ ^[0-9]+$ && "$min" =~ ^[0-9]+$ ]] || die "cannot find the two processes"
  [[ -n "$standin" ]] || die "the poller never reached the stand-in"

  local pm0 min0 st0 pm1 min1 st1 pm_priv0 min_priv0
  pm0=$(cpu_ticks "$pm") min0=$(cpu_ticks "$min") st0=$(cpu_ticks "$standin")
  pm_priv0=$(private_kib "$pm") min_priv0=$(private_kib "$min")
  sleep "$IDLE_SECONDS"
  pm1=$(cpu_ticks "$pm") min1=$(cpu_ticks "$min") st1=$(cpu_ticks "$standin")
  local pm_priv min_priv pm_rss min_rss
  pm_priv=$(private_kib "$pm") min_priv=$(private_kib "$min")
  pm_rss=$(rss_kib "$pm") min_rss=$(rss_kib "$min")

  percent() { awk -v t="$1" -v hz="$CLOCK_TICKS" -v s="$IDLE_SECONDS" \
    'BEGIN { printf "%.3f", 100 * t / hz / s }'; }
  local pm_cpu min_cpu st_cpu ratio
  pm_cpu=$(percent $((pm1 - pm0))) min_cpu=$(percent $((min1 - min0)))
  st_cpu=$(percent $((st1 - st0)))
  ratio=$(awk -v a="$pm_priv" -v b="$min_priv" 'BEGIN { printf "%.2f", a / b }')

  echo "== Idle for $IDLE_SECONDS s under Wine, pagemind.exe's poller running every 100 ms against"
  echo "   the shell-window stand-in with no browser windows"
  echo "   memory: private bytes as the Linux process's Private_Dirty of /proc/PID/smaps_rollup"
  echo "   (what it wrote itself: heaps, stacks, module data), at the start and at the end of the"
  echo "   idle time; VmRSS beside it"
  printf '   %-16s %7d -> %7d KiB private   %7d KiB RSS\n' pagemind.exe "$pm_priv0" "$pm_priv" \
    "$pm_rss"
  printf '   %-16s %7d -> %7d KiB private   %7d KiB RSS\n' minimal_tray.exe "$min_priv0" \
    "$min_priv" "$min_rss"
  printf '   ratio %s; aim: <= %s times the minimal program: %s\n' "$ratio" "$AIM_MEMORY_RATIO" \
    "$(verdict "$(awk -v r="$ratio" -v a="$AIM_MEMORY_RATIO" 'BEGIN { print (r <= a) }')")"
  echo "   largest private dirty mappings (KiB):"
  echo "     pagemind.exe: $(private_by_mapping "$pm" 8 | paste -sd ',' | sed 's/,/, /g')"
  echo "     minimal_tray.exe: $(private_by_mapping "$min" 8 | paste -sd ',' | sed 's/,/, /g')"
  echo "   CPU: utime + stime of /proc/PID/stat over the idle time, in % of one core"
  printf '   %-16s %s %%\n' pagemind.exe "$pm_cpu"
  printf '   %-16s %s %%\n' minimal_tray.exe "$min_cpu"
  printf '   %-16s %s %%   (the shell'"'"'s side of the poller'"'"'s calls)\n' stand-in "$st_cpu"
  printf '   aim: pagemind.exe < %s %%: %s\n' "$AIM_CPU_PERCENT" \
    "$(verdict "$(awk -v c="$pm_cpu" -v a="$AIM_CPU_PERCENT" 'BEGIN { print (c < a) }')")"
  pm_kill_wine
}

size_figures() {
  local exe="$WIN_BUILD/pagemind.exe" bytes stripped
  bytes=$(stat -c %s "$exe")
  x86_64-w64-mingw32-strip -o "$E2E_BUILD/pagemind-stripped.exe" "$exe"
  stripped=$(stat -c %s "$E2E_BUILD/pagemind-stripped.exe")
  echo "== Size of pagemind.exe (Release, x86-64, static runtime)"
  printf '   as built:        %9d bytes   aim: < %d bytes (1.5 MiB): %s\n' "$bytes" \
    "$AIM_EXE_BYTES" "$(verdict $((bytes < AIM_EXE_BYTES)))"
  printf '   symbols removed: %9d bytes   (x86_64-w64-mingw32-strip)\n' "$stripped"
}

pm_install_traps
pm_install_packages "${PM_RUN_PACKAGES[@]}" "${PM_TEST_PACKAGES[@]}" libbenchmark-dev ||
  die "packages missing"
pm_fetch_lz4_source || die "no lz4 source for the Windows build"
pm_ensure_japanese_locale || die "no Japanese locale"
cd "$PM_ROOT" || exit 1

native_benchmarks
echo
build_for_wine
prepare_wine
echo "== $(wine --version) on $(uname -sr), $(nproc) cores"
size_figures
startup_figures
idle_figures
echo
# wine_tick.sh makes its own display and stops this prefix's Wine when it is done.
E2E_BUILD="$E2E_BUILD" "$PM_ROOT/bench/wine_tick.sh" || die "bench/wine_tick.sh failed"
