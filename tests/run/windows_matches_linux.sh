#!/usr/bin/env bash
# Runs every G-code file of the given folders through the Linux vorlane and,
# under Wine, through vorlane.exe, each with --debug on its own copy, and
# requires the same exit status and the same output bytes, apart from the
# CRLF line ends that Windows text files have and the whole seconds in the
# two timing lines.
#   windows_matches_linux.sh LINUX_EXE WINE WINDOWS_EXE WORK_FOLDER FOLDER...
set -euo pipefail
linux_exe=$1 wine=$2 windows_exe=$3 work=$4
shift 4
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"

compared=0 refused=0
for folder in "$@"; do
  [ -d "$folder" ] || { echo "skipping $folder: not there"; continue; }
  for file in "$folder"/*.gcode; do
    [ -e "$file" ] || continue
    name=$(basename "$file")
    cp "$file" "$work/linux/$name"
    cp "$file" "$work/windows/$name"
    linux_status=0 windows_status=0
    "$linux_exe" --debug "$work/linux/$name" >/dev/null 2>&1 || linux_status=$?
    (cd "$work/windows" && "$wine" "$windows_exe" --debug "$name" >/dev/null 2>&1) || windows_status=$?
    if [ "$linux_status" != "$windows_status" ]; then
      echo "$name: exit status $linux_status on Linux but $windows_status on Windows"
      exit 1
    fi
    cmp -s "$file" "$work/windows/$name" || { echo "$name: the Windows run changed its input"; exit 1; }
    if [ "$linux_status" != 0 ]; then
      refused=$((refused + 1))
      continue
    fi
    linux_out="$work/linux/${name}d" windows_out="$work/windows/${name}d"
    if ! cmp -s <(head -n -2 "$linux_out" | sed 's/$/\r/') <(head -n -2 "$windows_out"); then
      echo "$name: the Windows output differs from the Linux output with CRLF line ends:"
      cmp <(head -n -2 "$linux_out" | sed 's/$/\r/') <(head -n -2 "$windows_out") || true
      exit 1
    fi
    if ! tail -n 2 "$windows_out" | tr -d '\r' | grep -Eq '^; (Lua|D  ) Postproc took [0-9]+$' ||
       [ "$(tail -n 2 "$windows_out" | grep -c $'\r$')" != 2 ]; then
      echo "$name: the Windows output does not end with the two timing lines in CRLF form"
      exit 1
    fi
    compared=$((compared + 1))
  done
done
echo "$compared outputs equal apart from line ends; $refused files refused alike"
[ "$compared" -gt 0 ]
