"""Vorlane's Cura script, integrations/cura/Vorlane.py, with the real vorlane.

Usage: cura_script_test.py PATH_OF_VORLANE
Cura's Script base class and UM.Logger are stand-ins, modules laid out as in
Cura's Post Processing plugin, so that `from ..Script import Script` resolves.
"""
import importlib
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import types
import unittest
from pathlib import Path

VORLANE = sys.argv.pop(1)


class Script:
    """Cura's base class as far as the script uses it: the settings' defaults."""

    def __init__(self):
        description = json.loads(self.getSettingDataString())
        assert description["version"] == 2 and {"name", "key", "metadata"} <= description.keys(), \
            "Cura lists a script only with its name, key, metadata and version 2"
        self.values = {key: field["default_value"] for key, field in description["settings"].items()}

    def getSettingValueByKey(self, key):
        return self.values[key]


class Logger:
    entries = []

    @staticmethod
    def log(level, message):
        Logger.entries.append((level, message))


# Cura's scripts package is the folder the script stands in, so that it is
# imported by its own name, its "from ..Script import Script" included.
for name, members in [("UM", {}), ("UM.Logger", {"Logger": Logger}), ("PostProcessingPlugin", {}),
                      ("PostProcessingPlugin.Script", {"Script": Script}), ("PostProcessingPlugin.scripts", {})]:
    sys.modules[name] = types.ModuleType(name)
    sys.modules[name].__path__ = []
    sys.modules[name].__dict__.update(members)
sys.modules["PostProcessingPlugin.scripts"].__path__ = [str(Path(__file__).resolve().parents[3] / "integrations/cura")]
sys.dont_write_bytecode = True  # no __pycache__ beside the script in the sources
cura_script = importlib.import_module("PostProcessingPlugin.scripts.Vorlane")

# Cura's chunks of a two-tool print: the header, then one per layer. No fan
# line follows the tool changes, so --fan-restore=plain adds one after each.
CHUNKS = [
    ";FLAVOR:Marlin\n;Generated with Cura_SteamEngine 5.7.0\nM140 S60\nM82\nG92 E0\nT0\n;LAYER_COUNT:3\n",
    ";LAYER:0\nG0 F3000 X10 Y10 Z0.2\n;TYPE:WALL-OUTER\nG1 X20 Y10 E1\nG1 X20 Y20 E2\n;TIME_ELAPSED:1.0\n",
    ";LAYER:1\nT1\nG0 X30 Y30 Z0.4\n;TYPE:WALL-OUTER\nG1 X40 Y30 E3\n;TIME_ELAPSED:2.0\n",
    ";LAYER:2\nT0\nG0 X10 Y10 Z0.6\nG1 X20 Y10 E4\n;TIME_ELAPSED:3.0\n;End of Gcode\n",
]


class CuraScriptTest(unittest.TestCase):
    def setUp(self):
        Logger.entries.clear()
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)
        tempfile.tempdir = os.path.join(self.folder, "cura")  # where the script makes its folder
        os.mkdir(tempfile.tempdir)
        self.addCleanup(setattr, tempfile, "tempdir", None)

    def run_script(self, program, options):
        script = cura_script.Vorlane()
        self.assertEqual(script.values["program"], "vorlane", "the program is looked up on the PATH unless set")
        script.values.update(program=program, options=options)
        result = script.execute(list(CHUNKS))
        self.assertEqual(os.listdir(tempfile.tempdir), [], "the script must remove its temporary files")
        return result, [message for level, message in Logger.entries if level == "e"]

    def test_result_is_what_vorlane_writes_split_at_layers(self):
        direct = Path(self.folder, "direct.gcode")
        direct.write_text("".join(CHUNKS))
        subprocess.run([VORLANE, "--fan-restore=plain", direct], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       check=True)
        self.assertNotEqual(direct.read_text(), "".join(CHUNKS), "the test print must give Vorlane work to do")
        # A console nobody types into: were it vorlane's, --waitforkey would wait on it for ever.
        read_end, write_end = os.pipe()
        saved_stdin = os.dup(0)
        os.dup2(read_end, 0)

        def waited(signal_number, frame):
            raise AssertionError("vorlane waited for Enter: the script must give it an empty standard input")

        signal.signal(signal.SIGALRM, waited)
        signal.alarm(20)
        try:
            result, errors = self.run_script(VORLANE, "--waitforkey --fan-restore=plain")
        finally:
            signal.alarm(0)
            os.dup2(saved_stdin, 0)
            for descriptor in (read_end, write_end, saved_stdin):
                os.close(descriptor)
        self.assertEqual("".join(result), direct.read_text(), "Cura must get exactly what vorlane writes")
        self.assertEqual([chunk.partition("\n")[0] for chunk in result[1:]], [";LAYER:0", ";LAYER:1", ";LAYER:2"],
                         "after the header, each chunk must begin at a ;LAYER: line, one chunk per layer")
        self.assertEqual(errors, [], "a run that succeeds logs no error")

    def test_failures_leave_curas_gcode_and_log_why(self):
        for program, options, reason in [("/nonexistent/vorlane", "", "/nonexistent/vorlane"),
                                         ("false", "", "status 1"), (VORLANE, "--lift-height=99", "99 is outside"),
                                         ("rm", "", "No such file"), ("truncate", "--size=0", "empty")]:
            with self.subTest(program=program, options=options):
                Logger.entries.clear()
                result, errors = self.run_script(program, options)
                self.assertEqual(result, CHUNKS, "on any failure Cura must keep its own G-code, chunk for chunk")
                self.assertEqual(len(errors), 1, "a failure must be logged as an error")
                self.assertIn(reason, errors[0], "the error must say why, with what the program said")


if __name__ == "__main__":
    unittest.main()
