#!/usr/bin/env bash
# Fails when pagemind.exe imports a function that Windows 7 SP1 might lack: the loader refuses
# to start a program with one unresolved import, so a single Windows 10 function imported
# statically locks out every older system. Each import must be on tools/windows7-imports.txt,
# where someone listed it after checking its documented minimum supported client; functions
# that came with Windows 8 or later may not be listed at all (look those up at run time, as
# src/platform/win32/dpi.cpp does).
#
#   tools/check-imports.sh EXE [ALLOW_LIST]
#
# Prints each offending import and exits 1 when there is one; also when the import table
# cannot be read or the executable asks for a newer subsystem than Windows 7's (6.1). Reads
# both builds: x86-64 (PE32+) and i686 (PE32), whose stdcall names may carry decorations.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
EXE=${1:-}
ALLOW=${2:-$ROOT/tools/windows7-imports.txt}
OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}

# Never on the list: the per-monitor DPI family (Windows 8.1 / 10), shcore.dll (Windows 8.1)
# and the API sets, which Windows 7's loader does not resolve.
NEWER_DLLS='^(shcore\.dll|api-ms-win-.*|ext-ms-win-.*)$'
NEWER_FUNCTIONS='(ForDpi$|^GetDpiFor|DpiAwareness|^GetSystemDpiForProcess$|^EnableNonClientDpiScaling$|^GetDpiForMonitor$)'

if [[ -z "$EXE" ]]; then
  echo "usage: tools/check-imports.sh EXE [ALLOW_LIST]" >&2
  exit 2
fi
[[ -f "$EXE" ]] || {
  echo "check-imports: no such file: $EXE" >&2
  exit 1
}
[[ -f "$ALLOW" ]] || {
  echo "check-imports: no allow-list: $ALLOW" >&2
  exit 1
}

headers="$("$OBJDUMP" -p "$EXE")" || {
  echo "check-imports: $OBJDUMP cannot read $EXE" >&2
  exit 1
}

# DLL!function per import, the DLL in lower case (the loader ignores case) and the function
# without stdcall (_Name@8) or fastcall (@Name@8) decorations; by-ordinal imports as DLL!#N.
imports="$(
  printf '%s\n' "$headers" | awk '
    /^The Import Tables/ { inside = 1; next }
    inside && /^[A-Z]/ { inside = 0 }
    !inside { next }
    /^\tDLL Name: / { dll = tolower($3); next }
    dll != "" && /^\t[0-9a-fA-F]+\t/ {
      name = $3
      if (name == "" || name == "<none>") name = "#" $2
      else if (name ~ /^[_@]?[A-Za-z0-9_]+@[0-9]+$/) { sub(/^[_@]/, "", name); sub(/@[0-9]+$/, "", name) }
      print dll "!" name
    }' | sort -u
)"
if [[ -z "$imports" ]]; then
  echo "check-imports: no imports found in $EXE: not a PE executable, or objdump's format changed" >&2
  exit 1
fi

# The allow-list: its first field per line, comments and blank lines aside.
allowed="$(sed -e 's/#.*//' "$ALLOW" | awk 'NF { n = index($1, "!"); print tolower(substr($1, 1, n)) substr($1, n + 1) }' | sort -u)"

status=0
is_newer() { # DLL!FUNCTION
  [[ "${1%%!*}" =~ $NEWER_DLLS || "${1#*!}" =~ $NEWER_FUNCTIONS ]]
}

while IFS= read -r entry; do
  if [[ ! "$entry" =~ ^[^!]+![^!]+$ ]]; then
    echo "$ALLOW: '$entry' is not DLL!function"
    status=1
  elif is_newer "$entry"; then
    echo "$ALLOW lists $entry, which came after Windows 7: look it up at run time instead"
    status=1
  fi
done <<<"$allowed"

count=0
while IFS= read -r import; do
  count=$((count + 1))
  if is_newer "$import"; then
    echo "$import: not on Windows 7 (Windows 8 or later); look it up at run time instead"
    status=1
  elif ! grep -qxF -- "$import" <<<"$allowed"; then
    echo "$import: not on ${ALLOW#"$ROOT"/}; check its minimum supported client, then list it"
    status=1
  fi
done <<<"$imports"

# Windows 7 is subsystem version 6.1; a higher one makes its loader refuse the file.
major=$(awk '$1 == "MajorSubsystemVersion" { print $2 + 0 }' <<<"$headers")
minor=$(awk '$1 == "MinorSubsystemVersion" { print $2 + 0 }' <<<"$headers")
if [[ -z "$major" || -z "$minor" ]]; then
  echo "check-imports: no subsystem version in $EXE" >&2
  status=1
elif ((major > 6 || (major == 6 && minor > 1))); then
  echo "subsystem version $major.$minor: Windows 7 loads 6.1 at most"
  status=1
fi

if ((status == 0)); then
  echo "check-imports: $EXE: $count imports, all listed as present on Windows 7; subsystem $major.$minor"
fi
exit "$status"
