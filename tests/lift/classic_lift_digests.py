#!/usr/bin/env python3
"""Writes the digests the classic lift is held to: for every real file in
../shared, the bundled example and every fixture under tests/data (with the
settings table's options too), the FNV-1a 64-bit digest of what a debug run
writes, less its header line, its settings line and its two timing lines.

    classic_lift_digests.py VORLANE [OPTION...] > tests/data/classic_lift_digests.txt

Run it with the program that decides lifts as the classic lift does (with
--classic-lift, once the program has it): the test ClassicLift.* runs
--classic-lift on the same files and compares."""
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SHARED = os.path.normpath(os.path.join(ROOT, "..", "shared"))
DATA = os.path.join(ROOT, "tests", "data")

# The settings table's runs: a fixture and its options (tests/extrusion/rewrite_test.cpp).
SETTINGS_RUNS = [
    ("extrusion/interface_worked_example", ["--fan-restore=plain"]),
    ("extrusion/interface_worked_example", ["--fan-restore=OFF"]),
    ("lift/band_then_gap", ["--lift-height=0.8"]),
    ("lift/band_then_gap", ["--lift-min-travel=20"]),
    ("lift/band_then_gap", ["--lift-feed", "600"]),
    ("lift/band_then_gap", ["--path-width=0.5"]),
    ("lift/band_then_gap", ["--nozzle-tip=0.4"]),
    ("lift/band_then_gap", ["--no-lift"]),
    ("extrusion/interface_worked_example", ["--interface-depth=0.6"]),
    ("extrusion/interface_same_tool_not_first_layer", ["--interface-depth-same=0.3"]),
    ("extrusion/interface_worked_example", ["--no-interface-boost"]),
    ("extrusion/topinfill_over_stacked", ["--infill-boost=1.5"]),
    ("extrusion/topinfill_over_stacked", ["--infill-full-speed=5000"]),
    ("extrusion/topinfill_over_stacked", ["--no-infill-boost"]),
]


def fnv1a64(data):
    digest = 0xCBF29CE484222325
    for byte in data:
        digest = ((digest ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return digest


def body(output):
    """The output less its header, settings and timing lines."""
    lines = output.split(b"\n")
    kept = [line for line in lines[1:] if not line.startswith(b"; Vorlane settings:")]
    while kept and (kept[-1] == b"" or kept[-1].startswith((b"; Lua Postproc took", b"; D   Postproc took"))):
        kept.pop()
    return b"\n".join(kept) + b"\n"


def digest_of(vorlane, options, source, work):
    copy = os.path.join(work, "part.gcode")
    shutil.copyfile(source, copy)
    for stale in (copy + "d",):
        if os.path.exists(stale):
            os.remove(stale)
    run = subprocess.run([vorlane, *options, "--debug", copy], stdin=subprocess.DEVNULL, capture_output=True)
    if run.returncode != 0:
        sys.exit(f"{source}: exit status {run.returncode}")
    with open(copy + "d", "rb") as result:
        return fnv1a64(body(result.read()))


def main():
    vorlane, *options = sys.argv[1:]
    runs = []
    for folder in ("real-gcode", "other-slicers", "more-slicers"):
        path = os.path.join(SHARED, folder)
        if os.path.isdir(path):
            runs += [(f"shared/{folder}/{name}", os.path.join(path, name), [])
                     for name in sorted(os.listdir(path)) if name.endswith(".gcode")]
    runs.append(("examples/two_colour_cube.gcode", os.path.join(ROOT, "examples", "two_colour_cube.gcode"), []))
    for folder in ("extrusion", "lift"):
        for name in sorted(os.listdir(os.path.join(DATA, folder))):
            if name.endswith(".gcode"):
                runs.append((f"data/{folder}/{name}", os.path.join(DATA, folder, name), []))
    for fixture, settings in SETTINGS_RUNS:
        runs.append((f"data/{fixture}.gcode", os.path.join(DATA, fixture + ".gcode"), settings))
    with tempfile.TemporaryDirectory() as work:
        for name, source, settings in runs:
            print(f"{digest_of(vorlane, options + settings, source, work):016x} {name} {' '.join(settings)}".rstrip())


if __name__ == "__main__":
    main()
