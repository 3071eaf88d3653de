# shellcheck shell=bash
# The release's checks, as functions for tools/test.sh (source tools/lib.sh first):
#   guide_captions_test  the user guide names exactly the tray menu's captions, and the version
#   package_zip_test     tools/package.sh's zips hold exactly the program and the guide, the
#                        guide in code page 932 with CR LF line ends
#   package_imports_test tools/package.sh zips no program whose imports fail the Windows 7 check
# tests/e2e/package_test.sh starts the program unpacked from the x64 zip under Wine.

PM_GUIDE_NAME="はじめにお読みください.txt"
PM_GUIDE_SOURCE="$PM_ROOT/docs/$PM_GUIDE_NAME"
# The version of project() in CMakeLists.txt, the one the build gives the program.
pm_project_version() {
  sed -n 's/^project(Pagemind VERSION \([0-9.]*\) .*/\1/p' "$PM_ROOT/CMakeLists.txt"
}

# The tray menu's captions as the user reads them, one a line: without their access key, "(&X)"
# or "（&X）", which the menu shows as an underlined letter.
pm_menu_captions() {
  sed -n 's/^ *{k[A-Za-z]*, "\([^"]*\)".*/\1/p' "$PM_ROOT/src/tray/tray_menu.cpp" |
    sed 's/[(（]&[A-Za-z][)）]$//'
}

# The captions the guide names: each menu item's paragraph starts with ◆「CAPTION」.
pm_guide_captions() {
  grep -o '◆「[^」]*」' "$PM_GUIDE_SOURCE" | sed 's/^◆「//; s/」$//'
}

guide_captions_test() {
  local menu guide caption failed=0
  menu="$(pm_menu_captions)"
  guide="$(pm_guide_captions)"
  # Guards against a pattern that matches nothing, which would make both checks pass.
  (($(grep -c . <<<"$menu") >= 6)) || {
    echo "found only these menu captions in src/tray/tray_menu.cpp: $menu"
    return 1
  }
  while IFS= read -r caption; do
    grep -qxF -- "$caption" <<<"$guide" || {
      echo "the guide does not describe the menu item 「$caption」"
      failed=1
    }
  done <<<"$menu"
  while IFS= read -r caption; do
    grep -qxF -- "$caption" <<<"$menu" && continue
    echo "the guide describes 「$caption」, which the tray menu does not have"
    failed=1
  done <<<"$guide"
  local version
  version="$(pm_project_version)"
  grep -qxF "バージョン $version" "$PM_GUIDE_SOURCE" || {
    echo "the guide's version history has no entry 'バージョン $version'"
    failed=1
  }
  return "$failed"
}

# The guide as it must be in a zip: the source's text in code page 932, every line ending in
# CR LF.
pm_expected_guide() {
  sed 's/$/\r/' "$PM_GUIDE_SOURCE" | iconv -f UTF-8 -t CP932
}

package_zip_test() {
  local out="$PM_ROOT/build/package" version
  version="$(pm_project_version)"
  PAGEMIND_PACKAGE_DIR="$out" "$PM_ROOT/tools/package.sh" || return 1
  local work
  work="$(mktemp -d)"
  pm_on_exit "rm -rf '$work'"
  pm_expected_guide >"$work/expected" || {
    echo "the guide's source does not convert to code page 932"
    return 1
  }
  local build arch preset name zip
  for build in x64:mingw64 i686:mingw32; do
    arch=${build%%:*}
    preset=${build#*:}
    name="pagemind-$version-$arch"
    zip="$out/$name.zip"
    [[ -f "$zip" ]] || {
      echo "no $zip"
      return 1
    }
    local listed expected
    listed="$(LC_ALL=C unzip -Z1 "$zip" | iconv -f CP932 -t UTF-8 | sort)" || {
      echo "$name.zip: the names are not code page 932"
      return 1
    }
    expected="$(printf '%s\n' "$name/" "$name/pagemind.exe" "$name/$PM_GUIDE_NAME" | sort)"
    [[ "$listed" == "$expected" ]] || {
      echo "$name.zip holds:"$'\n'"$listed"$'\n'"expected:"$'\n'"$expected"
      return 1
    }
    mkdir "$work/$arch"
    (cd "$work/$arch" && LC_ALL=C unzip -q "$zip") || return 1
    local guide
    guide="$work/$arch/$name/$(printf '%s' "$PM_GUIDE_NAME" | iconv -f UTF-8 -t CP932)"
    cmp -s "$guide" "$work/expected" || {
      echo "$name.zip: the guide is not the source's text in code page 932 with CR LF"
      return 1
    }
    # The round trip shows the bytes are code page 932 through and through; the counts, that
    # every line break is a CR LF and no CR stands alone.
    iconv -f CP932 -t UTF-8 "$guide" | iconv -f UTF-8 -t CP932 | cmp -s - "$guide" || {
      echo "$name.zip: the guide is not valid code page 932"
      return 1
    }
    local lines crs crlfs
    lines=$(tr -cd '\n' <"$guide" | wc -c)
    crs=$(tr -cd '\r' <"$guide" | wc -c)
    crlfs=$(LC_ALL=C grep -c $'\r$' "$guide")
    ((lines > 100 && crs == lines && crlfs == lines)) || {
      echo "$name.zip: $lines LF, $crs CR, $crlfs CR LF in the guide"
      return 1
    }
    cmp -s "$work/$arch/$name/pagemind.exe" "$PM_ROOT/build/$preset/pagemind.exe" || {
      echo "$name.zip: pagemind.exe is not the one of preset $preset"
      return 1
    }
    echo "$name.zip: $(wc -c <"$zip") bytes, guide $lines lines"
  done
}

# The x64 program as an objdump shows it with a Windows 10 import in place of one of its own:
# the script fails before it zips anything.
package_imports_test() {
  local work
  work="$(mktemp -d)"
  pm_on_exit "rm -rf '$work'"
  printf '#!/bin/sh\nx86_64-w64-mingw32-objdump "$@" | sed "s/ GetModuleHandleW\\$/ GetDpiForWindow/"\n' \
    >"$work/objdump"
  chmod +x "$work/objdump"
  if OBJDUMP="$work/objdump" PAGEMIND_PACKAGE_DIR="$work/out" "$PM_ROOT/tools/package.sh" \
    >"$work/log" 2>&1; then
    echo "tools/package.sh succeeded with an import Windows 7 lacks"
    return 1
  fi
  grep -q "GetDpiForWindow" "$work/log" || {
    echo "tools/package.sh failed without naming the import:"
    tail -n 5 "$work/log"
    return 1
  }
  if compgen -G "$work/out/*.zip" >/dev/null; then
    echo "tools/package.sh left a zip: $(ls "$work/out")"
    return 1
  fi
  echo "tools/package.sh refused the program that imports GetDpiForWindow"
}
