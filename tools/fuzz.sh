#!/usr/bin/env bash
# Builds the libFuzzer targets (preset `fuzz`, clang with ASan + UBSan) and runs each one for a
# bounded time. A crash, a sanitizer report, a leak or a hang fails the run; the input that
# caused it is kept in build/fuzz/crashes/TARGET/ and its name printed.
#
#   tools/fuzz.sh [SECONDS]          seconds per target; default $PAGEMIND_FUZZ_SECONDS or 5
#   tools/fuzz.sh 600 slot_file      only the named targets (slot_file, access_log, settings_file,
#                                    address_rule, recovery_copy, page_history,
#                                    chromium_session, chromium_json, firefox_session)
#
# tools/test.sh runs it with the default; run it longer by hand, e.g.
# `PAGEMIND_FUZZ_SECONDS=300 tools/fuzz.sh`. Each target's corpus lives in
# build/fuzz/corpus/TARGET/ and grows from run to run.
set -uo pipefail
# shellcheck source=tools/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SECONDS_PER_TARGET=${1:-${PAGEMIND_FUZZ_SECONDS:-5}}
shift $(($# > 0 ? 1 : 0))
TARGETS=("$@")
((${#TARGETS[@]} > 0)) ||
  TARGETS=(slot_file access_log settings_file address_rule recovery_copy page_history
    chromium_session chromium_json firefox_session)
BUILD="$PM_ROOT/build/fuzz"

[[ "$SECONDS_PER_TARGET" =~ ^[1-9][0-9]*$ ]] || {
  echo "fuzz: SECONDS must be a positive whole number, not '$SECONDS_PER_TARGET'" >&2
  exit 2
}

# Seeds: the shapes each reader meets in practice, so the fuzzer starts from real inputs
# rather than from nothing. Written only into an empty corpus.
seed() { # TARGET NAME BYTES (printf format)
  local dir="$BUILD/corpus/$1"
  # shellcheck disable=SC2059  # the format is the seed
  printf "$3" >"$dir/seed-$2"
}

seed_corpus() {
  local target=$1 dir="$BUILD/corpus/$1"
  mkdir -p "$dir"
  [[ -z "$(ls -A "$dir")" ]] || return 0
  case "$target" in
    slot_file)
      seed slot_file plain 'http://127.0.0.1/a,b?q=1,2'
      seed slot_file cp932 'http://127.0.0.1/\x93\xfa\x96\x7b\x8c\xea'
      seed slot_file crlf 'http://127.0.0.1/x\r\n'
      seed slot_file broken '\x81\x20\xff\x80\xa0\xfd\x00end'
      ;;
    access_log)
      seed access_log lines 'Name:\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8\0 URL:http://127.0.0.1/\0'
      seed access_log breaks 'a\r\nb\0\rc\0\n'
      ;;
    firefox_session)
      # Session files Firefox itself wrote (tests/browsers/make_firefox_fixtures.sh), and JSON.
      local file n=0
      for file in "$PM_ROOT"/tests/browsers/fixtures/firefox/*/*lz4 \
        "$PM_ROOT"/tests/browsers/fixtures/firefox/*/*/*lz4; do
        [[ -f "$file" ]] && cp "$file" "$dir/seed-fixture-$((n++))"
      done
      seed firefox_session json '{"windows":[{"tabs":[{"entries":[{"url":"http://a/","title":"A"}],"index":1,"pinned":true}],"selected":1}],"_closedWindows":[],"session":{"lastUpdate":1}}'
      seed firefox_session restore '{"windows":[{"tabs":[{"entries":[{"url":"about:sessionrestore"}],"formdata":{"id":{"sessionData":{"windows":[{"tabs":[{"entries":[{"url":"http://b/"}]}]}]}}}}]}],"lastSessionState":{"windows":[]}}'
      seed firefox_session ini '[Profile0]\nName=a\nIsRelative=1\nPath=Profiles/a\n[Install1]\nDefault=Profiles/a\n'
      ;;
    recovery_copy)
      seed recovery_copy usual 'Pagemind recovery 1\r\nhttp://127.0.0.1/a\r\nhttp://127.0.0.1/\xe6\x97\xa5%%0D%%0A\r\nend\r\n'
      seed recovery_copy cut 'Pagemind recovery 1\r\nhttp://127.0.0.1/a\r\nhttp://127.0'
      seed recovery_copy editor 'Pagemind recovery 1\nhttp://127.0.0.1/a\nend\n'
      ;;
    page_history)
      seed page_history usual 'Pagemind page set 1\r\nnumber 3\r\ntime 1796601600\r\npage http://127.0.0.1/a\r\ntitle \xe3\x83\x9a\r\npage b\r\nend\r\n'
      seed page_history range 'Pagemind page set 1\r\nnumber 18446744073709551615\r\ntime -1\r\npage a\r\nend\r\n'
      ;;
    settings_file)
      seed settings_file usual '[Settings]\r\nLogo=1\r\nLog=1\r\n[Debug]\r\nDebugMode=0\r\n'
      seed settings_file odd '[settings]\r\n LOGO = 0x10 \r\n[Settings]\r\nLog=-1\r\nLog\r\n'
      seed settings_file quotes '[Settings]\nLogo="0"\n[ Debug ]\nDebugMode=\x01 1\n'
      ;;
    address_rule)
      # The first byte chooses what every probe finds: 0 nothing, 1 a file, 2 a folder ("%%"
      # is a "%" in a seed, which is a printf format).
      seed address_rule web '\x00https://127.0.0.1/a,b?q=%%E6%%97%%A5#f'
      seed address_rule document '\x01file:///C:/Users/a%%20b/page.html'
      seed address_rule folder '\x02file://localhost/C|/Users/'
      seed address_rule share '\x01file:////server/share/x.htm'
      seed address_rule cp932 '\x01file:///C:/%%93%%FA.html'
      seed address_rule fragment '\x01file:///C:/tool.exe%%23.txt'
      ;;
    chromium_session)
      # The files the real browser wrote, and the start of an encrypted one.
      local file
      for file in "$PM_ROOT"/tests/browsers/fixtures/chromium/*/Default/Sessions/Session_*; do
        cp "$file" "$dir/seed-$(basename "$(dirname "$(dirname "$(dirname "$file")")")")"
      done
      seed chromium_session encrypted 'SNSS\x05\0\0\0\x13\0\0\0v10=\xf9\xe6\x01(;'
      ;;
    chromium_json)
      seed chromium_json local_state '{"profile":{"info_cache":{"Default":{"name":"\xe5\x80\x8b"},"Profile 1":{}}}}'
      seed chromium_json preferences '{"profile":{"exit_type":"SessionEnded","exited_cleanly":true}}'
      seed chromium_json odd '{"profile":{"exit_type":7,"info_cache":[]},"x":[1e999,"\\ud800"]}'
      ;;
  esac
}

run_target() {
  local target=$1 exe="$BUILD/fuzz/fuzz_$1" crashes="$BUILD/crashes/$1/"
  seed_corpus "$target"
  mkdir -p "$crashes"
  echo "== fuzz_$target for $SECONDS_PER_TARGET s"
  local out rc=0
  out="$("$exe" "$BUILD/corpus/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes" 2>&1)" || rc=$?
  # The statistics and any report; the fuzzer's progress lines are noise in a test log.
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)|ERROR|SUMMARY|runtime error|Test unit written|==[0-9]+==' \
    <<<"$out" | head -n 60
  if ((rc != 0)); then
    echo "FAIL fuzz_$target: exit status $rc"
    return 1
  fi
  echo "ok fuzz_$target"
}

pm_install_packages clang libclang-rt-dev cmake ninja-build nlohmann-json3-dev liblz4-dev || exit 1
cd "$PM_ROOT" || exit 1
if ! cmake --preset fuzz >/dev/null || ! cmake --build --preset fuzz; then
  echo "fuzz: the build of preset fuzz failed" >&2
  exit 1
fi
failed=0
for target in "${TARGETS[@]}"; do
  run_target "$target" || failed=1
done
exit "$failed"
