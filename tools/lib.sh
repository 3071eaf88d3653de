# shellcheck shell=bash
# Shared by tools/run.sh, tools/test.sh and tests/e2e/lib.sh: package set-up, the Japanese
# locale, Xvfb, the Wine environment and the clean-up of everything a script starts.
# Source it; it defines functions and PM_ROOT and changes no shell options.
# shellcheck disable=SC2034  # the variables are for the scripts that source this file

PM_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What building and running pagemind.exe under Wine needs. dpkg-dev unpacks lz4's source package
# for the cross builds (pm_fetch_lz4_source).
PM_RUN_PACKAGES=(
  cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  wine wine64 xvfb xauth xdotool x11-utils imagemagick fonts-ipafont-gothic locales
  nlohmann-json3-dev dpkg-dev
)
# What the tests need on top: the native build with GoogleTest, whose sources also build for
# MinGW (/usr/src/googletest), Python for the end-to-end tests' local web server, and zip and
# unzip for the release's zips (tools/package.sh), and lz4's library for the native build.
PM_TEST_PACKAGES=(g++ libgtest-dev googletest python3 zip unzip liblz4-dev)
# The end-to-end tests' real browsers: Debian's chromium (tests/e2e/chromium_test.sh), whose
# session files pagemind.exe reads as Chrome's and Edge's, about 140 MB to download and 22 s to
# install (Chromium 156); and firefox-esr (tests/e2e/firefox_test.sh), 80 MB to download, 309 MB
# installed, 7 s (Firefox ESR 153). Measured on Debian 12.
PM_E2E_PACKAGES=(chromium firefox-esr)

pm_log() { printf '== %s\n' "$*" >&2; }

# --- clean-up ---------------------------------------------------------------------------------
# Every process a script starts is registered here and stopped when the script exits, however it
# exits. Hooks run last-registered first.
PM_EXIT_HOOKS=()

pm_on_exit() { PM_EXIT_HOOKS+=("$1"); }

pm_run_exit_hooks() {
  local i
  for ((i = ${#PM_EXIT_HOOKS[@]} - 1; i >= 0; i--)); do
    eval "${PM_EXIT_HOOKS[i]}" || true
  done
  PM_EXIT_HOOKS=()
}

# INT and TERM go through exit so the EXIT trap runs exactly once.
pm_install_traps() {
  trap pm_run_exit_hooks EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# Stops a process by pid (TERM, then KILL after 3 s) and reaps it when it is our child.
pm_stop_pid() {
  local pid=$1 i
  [[ -n "$pid" ]] || return 0
  kill "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 30; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# --- packages ---------------------------------------------------------------------------------

pm_package_installed() {
  dpkg -s "$1" 2>/dev/null | grep -q '^Status: install ok installed'
}

# Installs the packages that are missing; with all present it neither needs the network nor root.
pm_install_packages() {
  local missing=() p
  for p in "$@"; do
    pm_package_installed "$p" || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  pm_log "installing ${missing[*]}"
  local sudo=()
  if ((EUID != 0)); then
    command -v sudo >/dev/null || {
      pm_log "not root and no sudo: install ${missing[*]} first"
      return 1
    }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null || return 1
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" \
    </dev/null || return 1
}

# lz4's own source, for the cross builds, which compile its lib/lz4.c (Firefox's session files
# are LZ4 blocks): Debian's source package, unpacked into build/third_party/lz4-VERSION, where
# CMake looks for it (PAGEMIND_LZ4_SOURCE_DIR points elsewhere). Source lists are not configured
# on a stock Debian machine: a deb-src list of the mirror the machine already uses is added.
PM_LZ4_SOURCE_PARENT="$PM_ROOT/build/third_party"
PM_DEB_SRC_LIST=/etc/apt/sources.list.d/pagemind-deb-src.sources

pm_lz4_source_dir() {
  local dir
  for dir in "$PM_LZ4_SOURCE_PARENT"/lz4-*/; do
    [[ -f "$dir/lib/lz4.c" ]] && {
      echo "${dir%/}"
      return 0
    }
  done
  return 1
}

# The deb-src stanza for the Debian archive the machine's own lists name (deb.debian.org when
# none does), for the release it runs.
pm_deb_src_stanza() {
  local uri codename
  uri=$(sed -n 's|^URIs: *\(\S*debian\)/*$|\1|p' /etc/apt/sources.list.d/debian.sources \
    2>/dev/null | head -n 1)
  [[ -n "$uri" ]] || uri=$(sed -n 's|^deb \(\[[^]]*\] \)\?\(\S*/debian\)/\? .*|\2|p' \
    /etc/apt/sources.list 2>/dev/null | head -n 1)
  codename=$(sed -n "s/^VERSION_CODENAME=//p" /etc/os-release)
  printf 'Types: deb-src\nURIs: %s\nSuites: %s %s-updates\nComponents: main\n' \
    "${uri:-http://deb.debian.org/debian}" "$codename" "$codename"
  printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
}

pm_fetch_lz4_source() {
  pm_lz4_source_dir >/dev/null && return 0
  local sudo=()
  if ((EUID != 0)); then
    command -v sudo >/dev/null || {
      pm_log "not root and no sudo: unpack lz4's source into $PM_LZ4_SOURCE_PARENT first"
      return 1
    }
    sudo=(sudo)
  fi
  pm_install_packages dpkg-dev || return 1
  if ! apt-get source --print-uris lz4 >/dev/null 2>&1; then
    pm_log "adding the Debian source list $PM_DEB_SRC_LIST"
    pm_deb_src_stanza | "${sudo[@]}" tee "$PM_DEB_SRC_LIST" >/dev/null || return 1
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null || return 1
  fi
  pm_log "fetching lz4's source package into $PM_LZ4_SOURCE_PARENT"
  mkdir -p "$PM_LZ4_SOURCE_PARENT" || return 1
  (cd "$PM_LZ4_SOURCE_PARENT" && apt-get source -q lz4 </dev/null) || return 1
  pm_lz4_source_dir >/dev/null || {
    pm_log "apt-get source lz4 left no lz4-*/lib/lz4.c in $PM_LZ4_SOURCE_PARENT"
    return 1
  }
}

# Wine shows Japanese text, and uses code page 932 as its ANSI code page, only under this locale.
pm_ensure_japanese_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  pm_log "generating the ja_JP.UTF-8 locale"
  local sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen &&
    "${sudo[@]}" locale-gen >/dev/null
}

# --- Xvfb -------------------------------------------------------------------------------------

# Starts Xvfb on the first free display from :90 on, exports DISPLAY and sets PM_XVFB_PID.
# The server is stopped when the script exits.
pm_start_xvfb() {
  local n pid i
  for ((n = 90; n < 200; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    pid=$!
    # Another script may have taken the same number a moment earlier: then this server exits
    # and the next number is tried.
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        PM_XVFB_PID=$pid
        pm_on_exit "pm_stop_pid $pid"
        return 0
      fi
      sleep 0.05
    done
    pm_stop_pid "$pid"
  done
  pm_log "no free X display for Xvfb"
  return 1
}

# --- Wine -------------------------------------------------------------------------------------

# The environment every Wine call of the scripts uses: a 64-bit prefix, no debug noise and no
# download prompts for Mono and Gecko.
pm_wine_env() {
  export WINEPREFIX="$1"
  export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# Wine runs under the Japanese locale (ANSI code page 932, Japanese texts); the scripts' own
# tools keep the caller's locale so their messages stay readable in logs.
PM_WINE_LOCALE=(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
pm_wine() { env "${PM_WINE_LOCALE[@]}" wine "$@"; }

# Creates the prefix given to pm_wine_env when it does not exist yet (about 13 s).
pm_ensure_wine_prefix() {
  [[ -f "$WINEPREFIX/system.reg" ]] && return 0
  pm_log "creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  pm_wine wineboot -u </dev/null >/dev/null 2>&1 || return 1
  wineserver -w
}

# Stops every Wine process of the current prefix.
pm_kill_wine() {
  [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]] || return 0
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  return 0
}

# "PID<TAB>ARGV0" for every process; a Wine process shows its Windows executable path as argv[0].
# Builtins only: the tests poll this, and a fork per process made each poll take seconds.
pm_processes() {
  local f argv0 pid
  for f in /proc/[0-9]*/cmdline; do
    argv0=""
    { IFS= read -r -d '' argv0 <"$f"; } 2>/dev/null
    [[ -n "$argv0" ]] || continue
    pid=${f#/proc/}
    printf '%s\t%s\n' "${pid%/cmdline}" "$argv0"
  done
}

# The pids of the processes whose argv[0] is the Windows path WINPATH, in any letter case.
pm_pids_of_winpath() {
  local want=${1,,} pid argv0
  while IFS=$'\t' read -r pid argv0; do
    [[ "${argv0,,}" == "$want" ]] && echo "$pid"
  done < <(pm_processes)
  return 0
}

# The Windows form of a Unix path (Z:\...).
pm_winpath() {
  winepath -w "$1" 2>/dev/null
}
