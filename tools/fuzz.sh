#!/usr/bin/env bash
# Builds the libFuzzer targets (preset `fuzz`, clang with ASan + UBSan) and runs each one for a
# bounded time. A crash, a sanitizer report, a leak or a hang fails the run; the input that
# caused it is kept in build/fuzz/crashes/TARGET/ and its name printed.
#
#   tools/fuzz.sh [SECONDS]          seconds per target; default $PAGEMIND_FUZZ_SECONDS or 5
#   tools/fuzz.sh 600 slot_file      only the named targets (slot_file, access_log, settings_file,
#                                    recovery_copy, page_history)
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
((${#TARGETS[@]} > 0)) || TARGETS=(slot_file access_log settings_file recovery_copy page_history)
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

pm_install_packages clang libclang-rt-dev cmake ninja-build || exit 1
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
