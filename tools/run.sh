#!/usr/bin/env bash
# Builds pagemind.exe and runs it under Wine, in a Japanese locale, in a 1280x800 virtual desktop.
# Installs what is missing first (Debian 12, as root); a second run only rebuilds and starts.
# Runs until the program ends; Ctrl+C stops it together with Wine and any Xvfb started here.
set -euo pipefail
# shellcheck source=tools/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
pm_install_traps

pm_install_packages "${PM_RUN_PACKAGES[@]}" googletest
pm_fetch_lz4_source
pm_ensure_japanese_locale

cd "$PM_ROOT"
pm_log "building pagemind.exe (preset mingw64)"
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target pagemind

program_folder="$PM_ROOT/out/run"
mkdir -p "$program_folder"
cp build/mingw64/pagemind.exe "$program_folder/"

if [[ -z "${DISPLAY:-}" ]]; then
  pm_start_xvfb
  pm_log "no DISPLAY: started Xvfb on $DISPLAY (pid $PM_XVFB_PID)."
  pm_log "look at it with: DISPLAY=$DISPLAY import -window root /tmp/pagemind.png"
  pm_log "click with e.g.: DISPLAY=$DISPLAY xdotool mousemove 640 400 click 1"
fi

pm_wine_env "$PM_ROOT/.wine"
pm_ensure_wine_prefix
pm_on_exit pm_kill_wine

pm_log "starting $program_folder/pagemind.exe (WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY)"
cd "$program_folder"
pm_wine explorer /desktop=Pagemind,1280x800 "$(pm_winpath "$program_folder/pagemind.exe")" \
  </dev/null
pm_log "pagemind.exe has ended"
