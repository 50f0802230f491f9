#!/usr/bin/env bash
# Runs the line-pass fuzzer for a bounded time. The seed corpus is made afresh
# in the work folder (in the build folder, never in the sources): the bundled
# example, every test fixture (also in debug mode), and from each real
# Kisslicer file, when their folder is there, its first 2,000 lines and a
# 2,000-line slice from its middle (in the printing chapter), and every input
# an earlier finding was cut down to (regressions/). New inputs the
# fuzzer finds go to the work folder's corpus, which later runs start from.
# Any finding fails the run; its input is kept under findings/.
#
# usage: run_fuzz.sh FUZZER SOURCE_DIR REAL_GCODE_DIR WORK_DIR SECONDS [libFuzzer options...]
set -euo pipefail
fuzzer=$1
source=$2
real=$3
work=$4
seconds=$5
shift 5

seeds="$work/seeds"
rm -rf "$seeds"
mkdir -p "$seeds" "$work/corpus" "$work/findings"

cp "$source/examples/two_colour_cube.gcode" "$seeds/example.gcode"
for file in "$source"/tests/data/*/*.gcode; do
    name="$(basename "$(dirname "$file")")_$(basename "$file")"
    cp "$file" "$seeds/$name"
    # A first byte 0x01 runs the file in debug mode.
    { printf '\001'; cat "$file"; } >"$seeds/debug_$name"
done
for file in "$source"/tests/fuzz/regressions/*; do
    cp "$file" "$seeds/regression_$(basename "$file")"
done
if [ -d "$real" ]; then
    for file in "$real"/*.gcode; do
        name=$(basename "$file" .gcode)
        sed -n '1,2000p' "$file" >"$seeds/real_${name}_head.gcode"
        lines=$(wc -l <"$file")
        if [ "$lines" -gt 4000 ]; then
            first=$((lines / 2 - 1000))
            { printf '; *** Main G-code\n'; sed -n "${first},$((first + 1999))p" "$file"; } \
                >"$seeds/real_${name}_middle.gcode"
        fi
    done
fi
echo "line_pass_fuzz: $(ls "$seeds" | wc -l) seeds, $(ls "$work/corpus" | wc -l) inputs in the corpus, ${seconds} s"

exec "$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -dict="$source/tests/fuzz/gcode.dict" \
    -artifact_prefix="$work/findings/" -print_final_stats=1 "$@" "$work/corpus" "$seeds"
