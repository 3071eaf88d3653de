#!/usr/bin/env bash
# What one visit of the poller costs against the shell-window stand-in under Wine: Count, Item,
# the item viewed as IWebBrowser2, the window kind (get_HWND + GetAncestor + GetClassNameW; also
# measured without), LocationURL and LocationName, each a call into another process
# (the stand-in, and from there the browser for the address). Prints the median of many rounds.
#
#   bench/wine_tick.sh [ROUNDS] [WINDOWS]     defaults: 2000 rounds, 3 registered browsers
#
# It makes its own Wine prefix under build/bench-wine (about 15 s the first time) and its own
# Xvfb, so it can run beside tools/test.sh. Not part of the test run.
set -uo pipefail
ROUNDS=${1:-2000}
WINDOWS=${2:-3}
export E2E_BUILD="${E2E_BUILD:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/bench-wine}"
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/lib.sh"
# shellcheck source=tests/e2e/standin/standin.sh
source "$E2E_DIR/standin/standin.sh"
# No program runs here: the browsers open on the default desktop.
STANDIN_DESKTOP=""

die() {
  echo "wine_tick: $*" >&2
  exit 1
}

pm_install_traps
mkdir -p "$E2E_BUILD/www"
printf '<html><head><title>bench</title></head><body>bench</body></html>\n' \
  >"$E2E_BUILD/www/page.html"
standin_build || die "the stand-in or the browser tool did not build"
pm_start_xvfb || die "Xvfb did not start"
# Registered after Xvfb, so it runs before Xvfb is stopped: Wine leaves without losing its display.
pm_on_exit pm_kill_wine
pm_wine_env "$E2E_BUILD/prefix"
pm_ensure_wine_prefix || die "no Wine prefix"
standin_register || die "the stand-in could not be registered"
standin_start_http "$E2E_BUILD/www" "$E2E_BUILD/http.log" || die "the web server did not start"

for ((i = 0; i < WINDOWS; i++)); do
  standin_browsers open "http://127.0.0.1:$STANDIN_HTTP_PORT/page.html?window=$i" "ページ $i" \
    >/dev/null || die "could not open browser $i"
done
# A fresh item every round is what the poller pays while it cycles through several windows; with
# one window it still holds the item of its last visit, which COM then reuses.
# A fresh item every round is what the poller pays while it cycles through several windows; with
# one window it still holds the item of its last visit, which COM then reuses. --kind adds what the
# poller asks to tell a folder window from a browser (get_HWND, GetAncestor, GetClassNameW).
fresh="$(standin_browsers bench "$ROUNDS")" || die "the benchmark failed"
fresh_kind="$(standin_browsers bench "$ROUNDS" --kind)" || die "the benchmark failed"
kept="$(standin_browsers bench "$ROUNDS" --keep-item)" || die "the benchmark failed"
kept_kind="$(standin_browsers bench "$ROUNDS" --keep-item --kind)" || die "the benchmark failed"
echo "wine_tick: Count+Item+LocationURL+LocationName, $WINDOWS browsers registered"
echo "wine_tick: new item each visit:                $fresh"
echo "wine_tick: new item each visit, window kind:   $fresh_kind"
echo "wine_tick: last item still held:               $kept"
echo "wine_tick: last item still held, window kind:  $kept_kind"
