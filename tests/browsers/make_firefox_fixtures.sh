#!/usr/bin/env bash
# Makes the Firefox session files under tests/browsers/fixtures/firefox/ with Debian's
# firefox-esr under Xvfb, from pages served on 127.0.0.1 (nothing reaches the network: every
# other address goes to a proxy port that refuses). Not run by the tests; run it by hand (as
# root, about 3 minutes) when the fixtures are to be made again, then check
# tests/browsers/firefox_fixtures_test.cpp against what it printed.
#
#   crash/         three windows, then kill -9: 13 tabs (the first pinned, a Japanese title);
#                  a tab that went home -> second -> third and back (current entry 2 of 3) and a
#                  second tab, selected; a third window whose only tab was closed just before
#                  the kill (the last write still lists it open). recovery.jsonlz4, no clean-end
#                  checkpoint
#   clean/         the same profile resumed, one tab added, then Ctrl+Q: sessionstore.jsonlz4
#                  (the third window among the closed ones) beside the older recovery.jsonlz4,
#                  the clean-end checkpoint
#   restore_page/  a crash in a profile that does not resume: the next start shows only
#                  about:sessionrestore, whose form data keeps the crashed session
#   not_restored/  a clean end in a profile that starts with its home page: the next start
#                  keeps the old session aside in lastSessionState
#
# The steps are real input through xdotool under openbox; a step Firefox misses (a busy
# machine) shows in the fixtures, so check them against the tests after making them again.
set -euo pipefail
# shellcheck source=tools/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/lib.sh"
pm_install_traps

OUT="$PM_ROOT/tests/browsers/fixtures/firefox"
WORK="$(mktemp -d /tmp/pagemind-firefox-fixtures.XXXXXX)"
pm_on_exit "rm -rf '$WORK'"
PORT=${PAGEMIND_FIXTURE_PORT:-8765}
BASE="http://127.0.0.1:$PORT"
FIREFOX_PID=""

# Firefox gives a window the keyboard only when a window manager activates it: openbox does.
pm_install_packages firefox-esr xvfb xauth xdotool x11-utils python3 imagemagick openbox

# --- pages ------------------------------------------------------------------------------------

make_pages() {
  mkdir -p "$WORK/site"
  local i
  for i in $(seq 1 12); do
    printf '<!doctype html><meta charset="utf-8"><title>Page %s</title><p>page %s\n' "$i" "$i" \
      >"$WORK/site/p$i.html"
  done
  printf '<!doctype html><meta charset="utf-8"><title>日本語のページ — テスト</title><p>日本語\n' \
    >"$WORK/site/ja.html"
  for name in second third closed home added; do
    printf '<!doctype html><meta charset="utf-8"><title>Window %s</title><p>%s\n' "$name" "$name" \
      >"$WORK/site/$name.html"
  done
  (cd "$WORK/site" && exec python3 -m http.server --bind 127.0.0.1 "$PORT") \
    >"$WORK/http.log" 2>&1 &
  pm_on_exit "pm_stop_pid $!"
  local n
  for ((n = 0; n < 100; n++)); do
    python3 -c "import urllib.request; urllib.request.urlopen('$BASE/p1.html', timeout=1)" \
      2>/dev/null && return 0
    sleep 0.1
  done
  pm_log "the page server did not start"
  return 1
}

# --- Firefox ----------------------------------------------------------------------------------

# PROFILE STARTUP_PAGE [EXTRA_PREF_LINE...]
make_profile() {
  local dir=$1 startup=$2
  shift 2
  mkdir -p "$dir"
  {
    cat <<PREFS
user_pref("browser.sessionstore.interval", 1000);
user_pref("browser.startup.page", $startup);
user_pref("browser.startup.homepage", "$BASE/home.html");
user_pref("browser.warnOnQuit", false);
user_pref("browser.warnOnQuitShortcut", false);
user_pref("browser.tabs.warnOnClose", false);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("startup.homepage_welcome_url", "");
user_pref("startup.homepage_welcome_url.additional", "");
user_pref("browser.newtabpage.enabled", false);
user_pref("browser.newtabpage.activity-stream.feeds.topsites", false);
user_pref("browser.newtabpage.activity-stream.feeds.section.topstories", false);
user_pref("browser.newtabpage.activity-stream.feeds.telemetry", false);
user_pref("browser.newtabpage.activity-stream.telemetry", false);
user_pref("browser.ping-centre.telemetry", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.enabled", false);
user_pref("toolkit.telemetry.unified", false);
user_pref("toolkit.telemetry.archive.enabled", false);
user_pref("app.update.auto", false);
user_pref("app.normandy.enabled", false);
user_pref("app.shield.optoutstudies.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("extensions.getAddons.cache.enabled", false);
user_pref("extensions.pocket.enabled", false);
user_pref("browser.discovery.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("browser.safebrowsing.downloads.enabled", false);
user_pref("browser.safebrowsing.downloads.remote.enabled", false);
user_pref("browser.safebrowsing.update.enabled", false);
user_pref("browser.search.update", false);
user_pref("browser.region.update.enabled", false);
user_pref("browser.region.network.url", "");
user_pref("browser.topsites.contile.enabled", false);
user_pref("services.settings.server", "http://127.0.0.1:9/");
user_pref("media.gmp-manager.url", "");
user_pref("media.gmp-provider.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("network.dns.disablePrefetch", true);
user_pref("network.prefetch-next", false);
user_pref("network.http.speculative-parallel-limit", 0);
user_pref("network.trr.mode", 5);
user_pref("dom.push.connection.enabled", false);
user_pref("geo.enabled", false);
user_pref("identity.fxaccounts.enabled", false);
user_pref("signon.management.page.breach-alerts.enabled", false);
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", 9);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", 9);
user_pref("network.proxy.socks", "127.0.0.1");
user_pref("network.proxy.socks_port", 9);
user_pref("network.proxy.socks_remote_dns", true);
user_pref("network.proxy.no_proxies_on", "127.0.0.1");
user_pref("network.proxy.allow_hijacking_localhost", false);
PREFS
    local line
    for line in "$@"; do echo "$line"; done
  } >"$dir/user.js"
}

# PROFILE URL...: starts Firefox with one window holding the URLs as tabs, in order.
start_firefox() {
  LAST_INPUT=$(date +%s.%N)
  local profile=$1 args=() url
  shift
  for url in "$@"; do args+=(-url "$url"); done
  firefox-esr --profile "$profile" --no-remote "${args[@]}" </dev/null >>"$WORK/firefox.log" 2>&1 &
  FIREFOX_PID=$!
  pm_on_exit "pm_stop_pid $FIREFOX_PID"
  wait_for_windows 1
}

firefox_windows() {
  xdotool search --onlyvisible --class firefox 2>/dev/null | while read -r w; do
    # Only top-level browser windows have a title ending in the browser's name.
    if xdotool getwindowname "$w" 2>/dev/null | grep -q 'Firefox'; then echo "$w"; fi
  done
  return 0
}

wait_for_windows() { # COUNT
  local n
  for ((n = 0; n < 300; n++)); do
    (($(firefox_windows | wc -l) == $1)) && return 0
    sleep 0.1
  done
  pm_log "expected $1 Firefox windows, have $(firefox_windows | wc -l)"
  return 1
}

# Waits until recovery.jsonlz4 was written after the last input and then stayed unchanged for
# 3 s.
LAST_INPUT=0
wait_for_session_write() { # PROFILE
  local file="$1/sessionstore-backups/recovery.jsonlz4" n last="" now stable=0
  for ((n = 0; n < 300; n++)); do
    sleep 0.2
    [[ -f "$file" ]] || continue
    now=$(stat -c %.9Y "$file")
    if [[ "$now" != "$last" ]]; then
      last=$now
      stable=0
      continue
    fi
    awk -v a="$now" -v b="$LAST_INPUT" 'BEGIN { exit !(a > b) }' || continue
    ((++stable >= 15)) && return 0
  done
  shot failed
  pm_log "no new write of $file (screenshot /tmp/firefox-fixture-failed.png)"
  return 1
}

# Real input to the window that has the focus.
keys() {
  LAST_INPUT=$(date +%s.%N)
  xdotool key --clearmodifiers "$@"
  sleep 0.3
}
type_text() { xdotool type --delay 20 "$1"; }

# Activates WINDOW and clicks into its page, which is what makes Firefox take the keys.
focus() { # WINDOW
  # A window the manager has not taken yet makes this complain; the click below still lands.
  xdotool windowactivate --sync "$1" 2>/dev/null || true
  xdotool mousemove --window "$1" 300 400 click 1
  sleep 0.5
}

start_window_manager() {
  openbox </dev/null >"$WORK/openbox.log" 2>&1 &
  pm_on_exit "pm_stop_pid $!"
  sleep 1
}

# Opens URL in a new tab of the focused window.
new_tab() {
  keys ctrl+t
  type_text "$1"
  keys Return
  sleep 0.5
}

# Opens a new window (Ctrl+N) and, with no window manager to do it, focuses it; then shows URL.
new_window() { # COUNT_AFTER URL
  local before window
  before=$(firefox_windows)
  keys ctrl+n
  wait_for_windows "$1"
  sleep 1
  window=$(firefox_windows | grep -vxF "$before" | head -n 1)
  focus "$window"
  keys ctrl+l
  type_text "$2"
  keys Return
  sleep 0.5
}

# Pins the selected tab of the focused window through the tab's context menu.
pin_selected_tab() {
  keys shift+F10
  keys p
}

kill_firefox() {
  kill -9 "$FIREFOX_PID"
  wait "$FIREFOX_PID" 2>/dev/null || true
  FIREFOX_PID=""
}

quit_firefox() {
  keys ctrl+q
  local n
  for ((n = 0; n < 300; n++)); do
    kill -0 "$FIREFOX_PID" 2>/dev/null || break
    sleep 0.1
  done
  wait "$FIREFOX_PID" 2>/dev/null || true
  FIREFOX_PID=""
}

keep() { # NAME PROFILE: copies the session files as they are now
  local dest="$OUT/$1" f
  rm -rf "$dest"
  mkdir -p "$dest/sessionstore-backups"
  for f in sessionstore.jsonlz4 sessionCheckpoints.json sessionstore-backups/recovery.jsonlz4 \
    sessionstore-backups/recovery.baklz4; do
    [[ -f "$2/$f" ]] && cp "$2/$f" "$dest/$f"
  done
  rmdir "$dest/sessionstore-backups" 2>/dev/null || true
  pm_log "kept $1: $(cd "$dest" && find . -type f | sort | tr '\n' ' ')"
}

shot() { import -window root "/tmp/firefox-fixture-$1.png" 2>/dev/null || true; }

# --- the runs ---------------------------------------------------------------------------------

focus_newest() { focus "$(firefox_windows | tail -n 1)"; }

crash_and_clean() {
  local profile="$WORK/resumes" urls=() i
  make_profile "$profile" 3
  for i in $(seq 1 12); do urls+=("$BASE/p$i.html"); done
  urls+=("$BASE/ja.html")
  start_firefox "$profile" "${urls[@]}"
  focus_newest
  sleep 2
  # The first tab (selected at the start) is pinned through its context menu.
  xdotool mousemove --window "$(firefox_windows | tail -n 1)" 70 22 click 3
  sleep 1.5
  keys p
  # A second window (it opens at the home page): second.html, then in the same tab third.html
  # and back, so that its current entry is the second of three; and a second tab.
  new_window 2 "$BASE/second.html"
  keys ctrl+l
  type_text "$BASE/third.html"
  keys Return
  sleep 1
  keys alt+Left
  sleep 1
  new_tab "$BASE/p5.html"
  # A third window, closed again by closing its only tab.
  new_window 3 "$BASE/closed.html"
  sleep 1
  keys ctrl+w
  wait_for_windows 2
  wait_for_session_write "$profile"
  shot crash
  kill_firefox
  keep crash "$profile"

  # The next start resumes both windows; a tab is added to the focused one, then Ctrl+Q.
  start_firefox "$profile"
  wait_for_windows 2
  focus_newest
  sleep 2
  new_tab "$BASE/added.html"
  wait_for_session_write "$profile"
  shot clean
  quit_firefox
  keep clean "$profile"
}

restore_page() {
  local profile="$WORK/crash-page"
  make_profile "$profile" 1 'user_pref("browser.sessionstore.max_resumed_crashes", 0);'
  start_firefox "$profile" "$BASE/p1.html" "$BASE/ja.html"
  wait_for_session_write "$profile"
  kill_firefox
  start_firefox "$profile"
  wait_for_session_write "$profile"
  shot restore_page
  keep restore_page "$profile"
  kill_firefox
}

not_restored() {
  local profile="$WORK/home-page"
  make_profile "$profile" 1
  start_firefox "$profile" "$BASE/p1.html" "$BASE/p2.html"
  wait_for_session_write "$profile"
  focus_newest
  quit_firefox
  start_firefox "$profile"
  wait_for_session_write "$profile"
  shot not_restored
  keep not_restored "$profile"
  focus_newest
  quit_firefox
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  make_pages
  pm_start_xvfb
  start_window_manager
  pm_log "pages on $BASE, Xvfb on $DISPLAY, work in $WORK"
  crash_and_clean
  restore_page
  not_restored
  pm_log "fixtures in ${OUT#"$PM_ROOT"/}; screenshots in /tmp/firefox-fixture-*.png"
fi
