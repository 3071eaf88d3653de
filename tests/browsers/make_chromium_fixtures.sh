#!/usr/bin/env bash
# Makes the Chromium session fixtures in tests/browsers/fixtures/chromium/ from Debian's real
# chromium, run under Xvfb against pages of a local server on 127.0.0.1 (nothing reaches the
# network). Not run by CI; run it by hand when the browser's format changes (about 2 minutes):
#
#   tests/browsers/make_chromium_fixtures.sh [OUTPUT_FOLDER]
#
# With KEEP_WORK=1 the profiles and logs stay in the temporary folder it names.
#
# Three runs, each a new profile arranged by fixture_driver/ (an extension: the one way to pin a
# tab or open a popup without a person): start-up window with six pages (two pinned, one closed,
# one gone on to another page, the third selected), a second window of 12 pages (300 switches
# between them make the browser write the session anew, with titles; the fifth is left
# selected), a third window opened and closed, and a popup. The runs end in the three ways the browser records:
#   crash/         kill -9                          exit_type "Crashed"
#   clean/         Ctrl+Shift+W on each window      exit_type "Normal"
#   session_end/   SIGTERM                          exit_type "SessionEnded"
# Each keeps the newest Sessions/Session_<T>, the newest Sessions_Encrypted/Session_<T> when the
# browser wrote one, Preferences trimmed to profile.exit_type, and Local State trimmed to
# profile.info_cache.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tools/lib.sh
source "$HERE/../../tools/lib.sh"
pm_install_traps

OUT="${1:-$HERE/fixtures/chromium}"
CHROMIUM=/usr/lib/chromium/chromium # the /usr/bin wrapper drops a `--` argument
pm_install_packages chromium xvfb xauth xdotool x11-utils python3
pm_start_xvfb

WORK="$(mktemp -d)"
[[ -n "${KEEP_WORK:-}" ]] || pm_on_exit "rm -rf '$WORK'"
pm_log "working in $WORK"

# --- the pages ----------------------------------------------------------------------------------
page() { # PATH TITLE
  mkdir -p "$(dirname "$WORK/www/$1")"
  printf '<!doctype html><meta charset="utf-8"><title>%s</title><p>%s</p>\n' "$2" "$2" \
    >"$WORK/www/$1"
}
page a.html Alpha
page b.html Beta
page ja.html '日本語のページ'
page 'list,with,commas.html' Comma
page e.html Epsilon
page f.html Foxtrot
page closed.html Closed
page gone1.html 'Gone 1'
page gone2.html 'Gone 2'
page popup.html Popup
for i in $(seq 1 12); do page "many/$i.html" "Many $i"; done

PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory "$WORK/www" >"$WORK/server.log" 2>&1 &
pm_on_exit "pm_stop_pid $!"
BASE="http://127.0.0.1:$PORT"

# Waits up to SECONDS for a command to succeed.
wait_for() { # SECONDS COMMAND...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}
newest() { # FOLDER: its newest Session_<T> by T
  find "$1" -maxdepth 1 -name 'Session_*' -printf '%f\n' 2>/dev/null | sort -t_ -k2 -n | tail -n1
}
# The session file stops growing once the browser has written what the driver did.
settled() { # FILE
  local before after
  before="$(stat -c %s "$1" 2>/dev/null)" || return 1
  sleep 3
  after="$(stat -c %s "$1" 2>/dev/null)" || return 1
  [[ "$before" == "$after" ]]
}

run_profile() { # NAME END(kill|close|term)
  local name=$1 end=$2 dir="$WORK/$1" pid
  : >"$WORK/server.log"
  "$CHROMIUM" --no-sandbox --user-data-dir="$dir" --no-first-run --password-store=basic \
    --disable-background-networking --disable-component-update --disable-sync \
    --no-default-browser-check --disable-default-apps --noerrdialogs \
    --disable-features=DisableLoadExtensionCommandLineSwitch \
    --load-extension="$HERE/fixture_driver" \
    "$BASE/a.html" "$BASE/b.html" "$BASE/ja.html" "$BASE/list,with,commas.html?a=1,2" \
    "$BASE/e.html" "$BASE/closed.html" >"$WORK/$name.log" 2>&1 &
  # Where a run stands shows in the page server's log: one request per step of the driver.
  pid=$!
  pm_on_exit "kill -9 $pid 2>/dev/null || true"
  local started=$SECONDS
  wait_for 240 grep -q 'GET /done' "$WORK/server.log" || {
    pm_log "$name: the driver did not finish"
    tail -n 20 "$WORK/$name.log" >&2
    return 1
  }
  local session
  session="$dir/Default/Sessions/$(newest "$dir/Default/Sessions")"
  wait_for 30 settled "$session"
  # Preferences is written at most every 10 s: "Crashed" of this run is on disk after that.
  while ((SECONDS - started < 13)); do sleep 1; done
  case "$end" in
    kill) kill -9 "$pid" ;;
    term) kill -TERM "$pid" ;;
    close)
      local w
      for w in $(xdotool search --onlyvisible --class chromium); do
        xdotool windowfocus --sync "$w" 2>/dev/null || continue
        xdotool key --clearmodifiers ctrl+shift+w
        sleep 0.5
      done
      ;;
  esac
  wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || {
    pm_log "$name: the browser did not end"
    kill -9 "$pid"
  }
  wait "$pid" 2>/dev/null || true
  cp "$WORK/server.log" "$WORK/$name.server.log" # kept with KEEP_WORK=1 for a look afterwards

  local to="$OUT/$name"
  rm -rf "$to"
  mkdir -p "$to/Default/Sessions"
  session="$(newest "$dir/Default/Sessions")"
  cp "$dir/Default/Sessions/$session" "$to/Default/Sessions/"
  local encrypted
  encrypted="$(newest "$dir/Default/Sessions_Encrypted")"
  if [[ -n "$encrypted" ]]; then
    mkdir -p "$to/Default/Sessions_Encrypted"
    cp "$dir/Default/Sessions_Encrypted/$encrypted" "$to/Default/Sessions_Encrypted/"
  fi
  python3 - "$dir" "$to" <<'PY'
import json, sys
src, to = sys.argv[1], sys.argv[2]
prefs = json.load(open(f"{src}/Default/Preferences", encoding="utf-8"))
json.dump({"profile": {"exit_type": prefs["profile"]["exit_type"]}},
          open(f"{to}/Default/Preferences", "w", encoding="utf-8"), ensure_ascii=False)
state = json.load(open(f"{src}/Local State", encoding="utf-8"))
cache = {k: {"name": v.get("name", "")} for k, v in state["profile"]["info_cache"].items()}
json.dump({"profile": {"info_cache": cache}},
          open(f"{to}/Local State", "w", encoding="utf-8"), ensure_ascii=False)
PY
  pm_log "$name: $(find "$to/Default/Sessions" -type f -printf '%f, %s bytes'), exit_type" \
    "$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["profile"]["exit_type"])' \
      "$to/Default/Preferences")"
}

run_profile crash kill
run_profile clean close
run_profile session_end term
pm_log "fixtures written to $OUT"
