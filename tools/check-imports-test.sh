#!/usr/bin/env bash
# Checks tools/check-imports.sh against made-up import tables in objdump's format: what must
# pass, and each kind of import that must fail. Prints PASS/FAIL per case; exits 1 on a FAIL.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
failures=0

# An import table as objdump -p prints it: IMPORTS are DLL:NAME[:ORDINAL], NAME empty for an
# import by ordinal.
table() { # SUBSYSTEM_MAJOR SUBSYSTEM_MINOR IMPORTS...
  printf 'MajorSubsystemVersion\t%s\nMinorSubsystemVersion\t%s\n\n' "$1" "$2"
  shift 2
  printf 'The Import Tables (interpreted .idata section contents)\n'
  printf ' vma:            Hint    Time      Forward  DLL       First\n\n'
  local entry dll name ordinal last=""
  for entry in "$@"; do
    IFS=: read -r dll name ordinal <<<"$entry"
    if [[ "$dll" != "$last" ]]; then
      printf '\n\tDLL Name: %s\n\tvma:  Hint/Ord Member-Name Bound-To\n' "$dll"
      last=$dll
    fi
    printf '\t1f0a2\t  %s  %s\n' "${ordinal:-17}" "$name"
  done
  printf '\nThe Export Tables\n\tDLL Name: other.dll\n\t1f0a2\t  1  NotAnImport\n'
}

cat >"$WORK/allow.txt" <<'EOF'
# comment
user32.dll!CreateWindowExW  2000
KERNEL32.dll!Sleep          XP
user32.dll!GetWindowLongW   2000
EOF

# CASE_NAME EXPECTED_STATUS EXPECTED_OUTPUT_PATTERN SUBSYSTEM IMPORTS...
check() {
  local name=$1 want=$2 pattern=$3 major=$4 minor=$5
  shift 5
  table "$major" "$minor" "$@" >"$WORK/table.txt"
  printf '#!/bin/sh\ncat "%s"\n' "$WORK/table.txt" >"$WORK/objdump"
  chmod +x "$WORK/objdump"
  : >"$WORK/pagemind.exe"
  local out rc=0
  out="$(OBJDUMP="$WORK/objdump" "$ROOT/tools/check-imports.sh" "$WORK/pagemind.exe" \
    "${ALLOW_LIST:-$WORK/allow.txt}" 2>&1)" || rc=$?
  if [[ "$rc" == "$want" ]] && grep -qE -- "$pattern" <<<"$out"; then
    echo "PASS $name"
  else
    echo "FAIL $name: status $rc (wanted $want), output:"
    printf '%s\n' "$out" | sed 's/^/  | /'
    failures=$((failures + 1))
  fi
}

check "listed imports pass, DLL case and stdcall decorations aside" 0 "3 imports" 6 1 \
  USER32.dll:CreateWindowExW kernel32.dll:_Sleep@4 user32.dll:@GetWindowLongW@8
check "an unlisted import fails and is named" 1 "^kernel32.dll!GetTickCount64: not on" 5 2 \
  user32.dll:CreateWindowExW kernel32.dll:GetTickCount64
check "the DPI family fails" 1 "^user32.dll!SystemParametersInfoForDpi: not on Windows 7" 5 2 \
  user32.dll:SystemParametersInfoForDpi
check "shcore.dll and API sets fail" 1 "api-ms-win-core-synch-l1-2-0.dll!WaitOnAddress: not on Windows 7" 5 2 \
  shcore.dll:GetDpiForMonitor api-ms-win-core-synch-l1-2-0.dll:WaitOnAddress
check "an import by ordinal fails" 1 "^comctl32.dll!#345: not on" 5 2 comctl32.dll::345
check "a subsystem above Windows 7's fails" 1 "subsystem version 6.2" 6 2 user32.dll:CreateWindowExW
check "an empty import table fails" 1 "no imports found" 5 2

# Listing one of them is an error of its own, whatever the executable imports.
cp "$WORK/allow.txt" "$WORK/allow-dpi.txt"
echo "user32.dll!GetDpiForWindow  10" >>"$WORK/allow-dpi.txt"
ALLOW_LIST="$WORK/allow-dpi.txt" check "the DPI family fails even when listed" 1 \
  "lists user32.dll!GetDpiForWindow" 5 2 user32.dll:CreateWindowExW

((failures == 0))
