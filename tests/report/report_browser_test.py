#!/usr/bin/env python3
"""The report page in a real browser: headless Chromium loads the page of the
bundled example, a real four-tool Kisslicer file and another slicer's real
file, and the marks in its DOM must match what the output G-code holds,
layer by layer, counted from the G-code itself; the page must raise no
script error; a screenshot of one layer must be taken.

    report_browser_test.py VORLANE CHROMIUM WORK FILE...

Exits 77 (skipped) when Chromium is not there."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
LAYER_MARKERS = ("; BEGIN_LAYER_OBJECT", ";LAYER_CHANGE", "; CHANGE_LAYER")
REWRITE_HEADERS = ("; Interface Crosses Main: ", "; TopInfill Crosses StackedInfilln: ")


def layer_marker(line):
    return line.startswith(LAYER_MARKERS) or re.fullmatch(r";LAYER:-?\d+\s*", line) is not None


def gcode_marks(text):
    """Per layer (0 before the first marker): lifted travels and rewritten
    draws, read from the output G-code."""
    layers = {}
    layer = 0
    lines = text.split("\n")
    for i, line in enumerate(lines):
        if layer_marker(line):
            layer += 1
        lift, rewrite = layers.setdefault(layer, [0, 0])
        if line.startswith(REWRITE_HEADERS):
            layers[layer][1] += 1
        # A lifted travel's announcement follows its moves; a split draw's
        # follows the rewrite's header.
        if line.startswith("; original line:") and i > 0 and lines[i - 1].startswith("G1 F"):
            layers[layer][0] += 1
    return layers


def chromium(browser, profile, *arguments):
    return subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                           "--no-first-run", "--disable-background-networking", "--disable-component-update",
                           "--disable-sync", "--enable-logging=stderr", "--v=0", "--user-data-dir=" + profile,
                           *arguments], capture_output=True, text=True, timeout=60)


def check(vorlane, browser, work, source, problems):
    name = os.path.basename(source)
    gcode = os.path.join(work, name)
    shutil.copyfile(source, gcode)
    run = subprocess.run([vorlane, "--report", gcode], stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if run.returncode != 0 or "report: " + gcode + ".html" not in run.stdout:
        problems.append(f"{name}: the run did not write its report: {run.stdout} {run.stderr}")
        return
    summary = re.search(r": (\d+) travels lifted, (\d+) interface draws rewritten \(\d+ split\), (\d+) infill",
                        run.stdout)
    with open(gcode, encoding="utf-8", errors="replace") as processed:
        output = processed.read()
    # The travels that still drag, as the debug console names them.
    shutil.copyfile(source, gcode + ".debug")
    debug = subprocess.run([vorlane, "--debug", gcode + ".debug"], stdin=subprocess.DEVNULL, capture_output=True,
                           text=True)
    dragging = len(re.findall(r"^line \d+: \d+ other-colour crossings", debug.stdout, re.M))

    page = "file://" + gcode + ".html"
    with tempfile.TemporaryDirectory() as profile:
        dumped = chromium(browser, profile, "--dump-dom", page)
    dom = dumped.stdout
    for console_error in re.findall(r"CONSOLE\(\d+\)\] \"(?:Uncaught|Error).*", dumped.stderr):
        problems.append(f"{name}: the page logs an error: {console_error}")
    if 'data-errors="0"' not in dom:
        problems.append(f"{name}: the page's script raised errors: " + str(re.findall(r'data-errors="[^"]*"', dom)))
    # The faint layers below are references to paths placed once in the page.
    ids = set(re.findall(r' id="([^"]+)"', dom))
    unresolved = sorted(set(re.findall(r'<use href="#([^"]+)"', dom)) - ids)
    if unresolved:
        problems.append(f"{name}: the page refers to paths it does not hold: {unresolved[:5]}")
    shown = {}
    for layer, body in re.findall(r'<section data-vorlane-layer="(-?\d+)"[^>]*>(.*?)</section>', dom, re.S):
        shown[int(layer)] = [body.count('data-vorlane="lift"'), body.count('data-vorlane="rewrite"'),
                             body.count('data-vorlane="crossing"')]
    expected = {layer: marks for layer, marks in gcode_marks(output).items() if marks != [0, 0]}
    for layer, (lifts, rewrites) in expected.items():
        got = shown.get(layer, [0, 0, 0])
        if got[:2] != [lifts, rewrites]:
            problems.append(f"{name}: layer {layer} shows {got[0]} lifts and {got[1]} rewrites; the G-code has "
                            f"{lifts} and {rewrites}")
    totals = [sum(m[i] for m in shown.values()) for i in range(3)]
    if summary and totals[:2] != [int(summary[1]), int(summary[2]) + int(summary[3])]:
        problems.append(f"{name}: the page shows {totals[0]} lifts and {totals[1]} rewrites; the summary says "
                        f"{summary[1]} and {int(summary[2]) + int(summary[3])}")
    if totals[2] != dragging:
        problems.append(f"{name}: the page shows {totals[2]} dragging travels; debug mode names {dragging}")
    if shown:
        layer = max(shown, key=lambda n: sum(shown[n]))
        picture = gcode + ".png"
        with tempfile.TemporaryDirectory() as profile:
            chromium(browser, profile, "--window-size=1200,900", "--screenshot=" + picture, f"{page}#layer={layer}")
        if not os.path.exists(picture) or os.path.getsize(picture) < 1000:
            problems.append(f"{name}: no screenshot of layer {layer}")
    print(f"{name}: {len(shown)} layers shown, {totals[0]} lifts, {totals[1]} rewrites, {totals[2]} dragging travels")


def main():
    vorlane, browser, work, *files = sys.argv[1:]
    if not shutil.which(browser):
        print(f"skipped: {browser} is not installed")
        return SKIPPED
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    problems = []
    for source in files:
        if os.path.exists(source):
            check(vorlane, browser, work, source, problems)
        else:
            print(f"skipping {source}: not there")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
