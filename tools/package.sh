#!/usr/bin/env bash
# Builds the release a user downloads: build/package/pagemind-VERSION-x64.zip and
# pagemind-VERSION-i686.zip (presets mingw64 and mingw32), each holding one folder
# pagemind-VERSION-ARCH with pagemind.exe and the user guide はじめにお読みください.txt.
#
# The guide's source, docs/はじめにお読みください.txt, is UTF-8 with LF line ends; the zips carry it
# in code page 932 with CR LF, as Notepad on a Japanese Windows reads a text file. The names in
# the zips are code page 932 too, without the UTF-8 flag: Explorer reads unflagged names in the
# system's OEM code page (932 on a Japanese Windows), and the Explorer of Windows 7 reads no other.
# Each program must pass tools/check-imports.sh, or nothing more is packaged and the script
# fails. PAGEMIND_PACKAGE_DIR moves the output folder.
set -euo pipefail
# shellcheck source=tools/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

GUIDE_NAME="はじめにお読みください.txt"
GUIDE_SOURCE="$PM_ROOT/docs/$GUIDE_NAME"
OUT="${PAGEMIND_PACKAGE_DIR:-$PM_ROOT/build/package}"

pm_install_packages cmake ninja-build g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools zip \
  nlohmann-json3-dev dpkg-dev
pm_fetch_lz4_source
cd "$PM_ROOT"

# The version the build wrote into the program (from project() in CMakeLists.txt).
built_version() { # PRESET
  sed -n 's/^#define PAGEMIND_VERSION_TEXT "\(.*\)"$/\1/p' "build/$1/generated/version_config.h"
}

guide_cp932_crlf() {
  sed 's/\r$//; s/$/\r/' "$GUIDE_SOURCE" | iconv -f UTF-8 -t CP932
}

mkdir -p "$OUT"
guide_name_cp932="$(printf '%s' "$GUIDE_NAME" | iconv -f UTF-8 -t CP932)"
for build in mingw64:x64 mingw32:i686; do
  preset=${build%%:*}
  arch=${build#*:}
  pm_log "building pagemind.exe (preset $preset)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target pagemind
  # A program that imports a function Windows 7 SP1 lacks does not start there at all: such a
  # build is never zipped.
  if ! "$PM_ROOT/tools/check-imports.sh" "build/$preset/pagemind.exe"; then
    pm_log "build/$preset/pagemind.exe imports what Windows 7 SP1 may lack: not packaged"
    exit 1
  fi
  version="$(built_version "$preset")"
  [[ -n "$version" ]] || {
    pm_log "no version in build/$preset/generated/version_config.h"
    exit 1
  }
  name="pagemind-$version-$arch"
  stage="$OUT/stage-$arch"
  rm -rf "$stage" "$OUT/$name.zip"
  mkdir -p "$stage/$name"
  cp "build/$preset/pagemind.exe" "$stage/$name/pagemind.exe"
  guide_cp932_crlf >"$stage/$name/$guide_name_cp932"
  # Under the C locale zip stores the names' bytes as they are, with no UTF-8 field beside them.
  (cd "$stage" && LC_ALL=C zip -q -X -r "$OUT/$name.zip" "$name")
  rm -rf "$stage"
  pm_log "wrote ${OUT#"$PM_ROOT"/}/$name.zip"
done
