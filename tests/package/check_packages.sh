#!/usr/bin/env bash
# Checks the release packages that scripts/package wrote into DIST_FOLDER: the
# files each holds, the Debian package's fields, that each package's program
# prints the version line of src/run/run.hpp (the Windows one under Wine, alone
# in the unpacked zip), the zip's CRLF text files and README.txt's sections,
# and that the Linux program needs no GLIBC symbol newer than Debian 11's
# glibc 2.31. Wine runs in WINEPREFIX when it is set, else in a fresh prefix.
#   check_packages.sh DIST_FOLDER
set -euo pipefail
dist=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=${WINEPREFIX:-$work/wine-prefix} WINEDEBUG=-all

# The package version, read here apart from cmake/version.cmake: the four
# digits of the version text with two decimals.
versionID=$(sed -n 's/.*versionID = "\(v[0-9]\{4\}\)".*/\1/p' "$root/src/run/run.hpp")
[ -n "$versionID" ] || { echo "src/run/run.hpp: no versionID"; exit 1; }
version="$((10#${versionID:1:2})).${versionID:3:2}"
deb="vorlane_${version}_amd64.deb"
linux="vorlane-$version-linux-x64"
zip="vorlane-$version-windows-x64.zip"

passed=0 failed=0
# check WHAT COMMAND...: a check passes when its command succeeds; what the
# command printed is shown when it fails.
check() {
  local what=$1 output
  shift
  if output=$("$@" 2>&1); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    [ -z "$output" ] || sed 's/^/    /' <<<"$output"
  fi
}

same() { diff <(printf '%s\n' "$2") <(printf '%s\n' "$1"); } # same ACTUAL EXPECTED

prints_version() {
  local out status=0
  out=$("$@" </dev/null) || status=$?
  same "$(tr -d '\r' <<<"$out") (status $status)" "Vorlane $versionID (status 0)"
}

needs_no_newer_glibc() {
  local symbols newest
  symbols=$(objdump -T "$1" 2>&1 || true) # a static program has no dynamic symbols at all
  grep -q 'file format elf64-x86-64' <<<"$symbols" || { echo "$symbols"; return 1; }
  newest=$(grep -o 'GLIBC_[0-9.]*' <<<"$symbols" | sed 's/GLIBC_//' | sort -V | tail -n 1)
  [ -z "$newest" ] || [ "$(printf '%s\n' "$newest" 2.31 | sort -V | tail -n 1)" = 2.31 ] ||
    { echo "$1 needs GLIBC_$newest; Debian 11 has 2.31"; return 1; }
}

# The headings README.txt has, and the users' sections of README.md it must
# hold, with every table row of each (options and settings among them).
readme_txt_follows_readme() {
  local text=$1 sections=("Using it with your slicer" "On Windows" "Options" "Settings" "The report" "Exit status"
    "What it says" "Output layout" "How it reads the file" "The Lua hook")
  same "$(tr -d '\r' <"$text" | awk '/^=+$/ && length($0) == length(previous) { print previous } { previous = $0 }')" \
    "$(printf '%s\n' "Vorlane $version for Windows (64-bit)" "${sections[@]}")" || return 1
  for section in "${sections[@]}"; do
    awk -v heading="## $section" '$0 == heading { inside = 1; next } /^## / { inside = 0 } inside && /^\|/' \
      "$root/README.md" | while IFS= read -r row; do
      grep -Fxq "$row"$'\r' "$text" || { echo "README.txt lacks this row of \"$section\": $row"; return 1; }
    done || return 1
  done
}

check "dist holds the three packages of version $version" \
  same "$(ls "$dist")" "$(printf '%s\n' "$zip" "$linux.tar.gz" "$deb" | sort)"

check "the .deb holds the program and its documentation" same "$(dpkg-deb -c "$dist/$deb" | awk '{ print $1, $6 }')" \
  "drwxr-xr-x ./usr/
drwxr-xr-x ./usr/bin/
-rwxr-xr-x ./usr/bin/vorlane
drwxr-xr-x ./usr/share/
drwxr-xr-x ./usr/share/doc/
drwxr-xr-x ./usr/share/doc/vorlane/
-rw-r--r-- ./usr/share/doc/vorlane/LICENSE-glibc.txt
-rw-r--r-- ./usr/share/doc/vorlane/README.md
-rw-r--r-- ./usr/share/doc/vorlane/copyright
drwxr-xr-x ./usr/share/vorlane/
drwxr-xr-x ./usr/share/vorlane/cura/
-rw-r--r-- ./usr/share/vorlane/cura/Vorlane.py"
check "the .deb's fields" same "$(dpkg-deb -f "$dist/$deb" Package Version Architecture Depends)" \
  "Package: vorlane
Version: $version
Architecture: amd64"
dpkg-deb -x "$dist/$deb" "$work/deb"
check "the .deb's README and copyright are the project's README and LICENSE" \
  cmp <(cd "$work/deb/usr/share/doc/vorlane" && cat README.md copyright) <(cd "$root" && cat README.md LICENSE)

check "the tarball holds one folder with the program, README, licences and Cura's script" \
  same "$(tar -tzf "$dist/$linux.tar.gz" | sort)" \
  "$(printf '%s\n' "$linux/" "$linux/LICENSE" "$linux/LICENSE-glibc.txt" "$linux/README.md" "$linux/cura/" \
    "$linux/cura/Vorlane.py" "$linux/vorlane")"
tar -xzf "$dist/$linux.tar.gz" -C "$work"
check "the tarball's README and LICENSE are the project's" \
  cmp <(cd "$work/$linux" && cat README.md LICENSE) <(cd "$root" && cat README.md LICENSE)
for script in "deb/usr/share/vorlane/cura/Vorlane.py" "$linux/cura/Vorlane.py"; do
  check "$script is the project's Cura script" cmp "$work/$script" "$root/integrations/cura/Vorlane.py"
done

# The static programs contain the GNU C Library: its licence goes with them.
for notice in deb/usr/share/doc/vorlane/LICENSE-glibc.txt "$linux/LICENSE-glibc.txt"; do
  check "$notice holds the C library's licence and where its source is" \
    grep -qz 'GNU C Library.*sources.debian.org/src/glibc/.*GNU LESSER GENERAL PUBLIC LICENSE.*Version 2.1' \
    "$work/$notice"
done

for program in deb/usr/bin/vorlane "$linux/vorlane"; do
  check "$program --version" prints_version "$work/$program" --version
  check "$program runs on Debian 11" needs_no_newer_glibc "$work/$program"
done

check "the zip holds vorlane.exe, its three text files and Cura's script" \
  same "$(cd "$dist" && cmake -E tar tf "$zip" | sort)" \
  "$(printf '%s\n' LICENSE-mingw-w64.txt LICENSE.txt README.txt cura/Vorlane.py vorlane.exe)"
mkdir "$work/zip"
cd "$work/zip"
cmake -E tar xf "$dist/$zip"
for text in README.txt LICENSE-mingw-w64.txt; do
  check "the zip's $text has CRLF line ends" cmp <(tr -d '\r' <"$text" | sed 's/$/\r/') "$text"
done
check "the zip's LICENSE.txt is the licence with CRLF line ends" cmp <(sed 's/$/\r/' "$root/LICENSE") LICENSE.txt
check "the zip's LICENSE-mingw-w64.txt covers the runtime and winpthreads" \
  grep -q 'mingw-w64-crt/.*mingw-w64-libraries/winpthreads/' <(tr -d '\r\n' <LICENSE-mingw-w64.txt)
check "the zip's README.txt follows README.md" readme_txt_follows_readme README.txt
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
check "the zip's vorlane.exe --version under Wine, with no DLL beside it" prints_version "$wine" vorlane.exe --version

echo "packages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
