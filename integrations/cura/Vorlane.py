r"""Vorlane for Cura: runs the Vorlane post-processor on the G-code Cura makes.

Cura runs no external command after slicing; its Post Processing plugin runs
scripts like this one instead. The script writes Cura's G-code to a file in a
private temporary folder, runs `vorlane` on that file (Vorlane rewrites it in
place), reads the result back and hands it to Cura, split into layers again
so that scripts after this one still see Cura's ";LAYER:" chunks. The folder
is removed afterwards.

Installing it:
  1. In Cura, Help -> Show Configuration Folder; copy this file into the
     `scripts` folder there.
  2. Restart Cura.
  3. Extensions -> Post Processing -> Modify G-Code -> Add a script -> Vorlane.

Settings:
  Vorlane program  The program's path, or just "vorlane" when it is on the
                   PATH (for example C:\Tools\Vorlane\vorlane.exe).
  Vorlane options  Options for Vorlane, written as on a command line, for
                   example "--lift-height=0.6 --fan-restore=plain".

When anything goes wrong (the program is not found, it fails, or it leaves
no result) the G-code stays exactly as Cura made it, so the print is never
lost, and the reason, with what Vorlane said, goes to Cura's log (cura.log in
the configuration folder).
"""

import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

from ..Script import Script

try:
    from UM.Logger import Logger

    def _log(level, message):
        Logger.log(level, message)

except ImportError:  # outside Cura

    def _log(level, message):
        print(message, file=sys.stderr)


# The start of each line ";LAYER:<n>": where Cura's layer chunks begin.
_LAYER_START = re.compile(r"^(?=;LAYER:)", re.MULTILINE)

# On Windows, a console program started from Cura would flash a console window.
_NO_WINDOW = getattr(subprocess, "CREATE_NO_WINDOW", 0)


class Vorlane(Script):
    def getSettingDataString(self):
        return json.dumps({
            "name": "Vorlane",
            "key": "Vorlane",
            "metadata": {},
            "version": 2,
            "settings": {
                "program": {
                    "label": "Vorlane program",
                    "description": "The path of the vorlane program; just vorlane when it is on the PATH.",
                    "type": "str",
                    "default_value": "vorlane",
                },
                "options": {
                    "label": "Vorlane options",
                    "description": "Options for Vorlane, as on a command line, e.g. --lift-height=0.6",
                    "type": "str",
                    "default_value": "",
                },
            },
        })

    def execute(self, data):
        folder = tempfile.mkdtemp(prefix="vorlane-cura-")
        path = os.path.join(folder, "print.gcode")
        said = ""
        try:
            command = [self.getSettingValueByKey("program")]
            command += shlex.split(self.getSettingValueByKey("options"))
            command.append(path)
            # No newline translation on the way out: the G-code keeps Cura's
            # line ends. On the way back, vorlane.exe's CRLF ends become "\n".
            with open(path, "w", encoding="utf-8", newline="") as file:
                file.write("".join(data))
            # An empty standard input: on an error, or with --waitforkey,
            # Vorlane waits for Enter, which nobody would press.
            run = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, creationflags=_NO_WINDOW)
            said = run.stdout.decode("utf-8", errors="replace").strip()
            if run.returncode != 0:
                raise RuntimeError("vorlane exited with status {}".format(run.returncode))
            with open(path, encoding="utf-8") as file:
                result = file.read()
            if not result:
                raise RuntimeError("vorlane left an empty file")
        # OSError: no such program, no result file; ValueError: unbalanced
        # quotes in the options, a result that is not UTF-8 text.
        except (OSError, ValueError, RuntimeError) as error:
            _log("e", "Vorlane: {}; the G-code is left as Cura made it.\n{}".format(error, said))
            return data
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        _log("i", said)
        return [chunk for chunk in _LAYER_START.split(result) if chunk]
