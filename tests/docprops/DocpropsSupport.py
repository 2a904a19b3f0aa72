"""What the docprops process tests share: running the tool, reading documents back (through the
tool and through olefile) and a scratch folder per test holding copies of the fixture documents.

A test script calls `configure(TOOL, FIXTURE_DIR[, OLEREADER_DIR])` with its arguments first.
"""
import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

TOOL = FIXTURES = READER_DIR = None
TIMEOUT = 120


def configure(tool, fixtures, reader_dir=None, timeout=120):
    global TOOL, FIXTURES, READER_DIR, TIMEOUT
    TOOL, FIXTURES, READER_DIR, TIMEOUT = tool, fixtures, reader_dir, timeout


def require_olefile():
    """The documents are read back with olefile (Debian's python3-olefile); without it there is
    nothing to compare with, and ctest counts the run as skipped (SKIP_RETURN_CODE 77)."""
    try:
        import olefile  # noqa: F401
    except ImportError:
        print("SKIPPED: olefile (python3-olefile) is missing; scripts/install-deps.sh installs it")
        sys.exit(77)


def run(*args, cwd=None):
    return subprocess.run([TOOL, *args], capture_output=True, text=True, timeout=TIMEOUT, cwd=cwd)


def shown(path):
    """(name, type, value) of each property as `docprops show --json` reports it."""
    r = run("show", "--json", path)
    assert r.returncode == 0, r.stderr
    return [(p["name"], p["type"], p["value"]) for p in json.loads(r.stdout)[0]["properties"]]


def olefile_view(path):
    out = subprocess.run(["/usr/bin/python3", os.path.join(READER_DIR, "olereader.py"), path],
                         check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def olefile_names(path):
    """(name, vt, value) of each property as olefile reads it."""
    return [(p["name"], p["vt"], p["value"]) for p in olefile_view(path)["properties"]]


class ScratchTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        # Tests leave read-only documents behind.
        for root, dirs, files in os.walk(self.dir):
            for name in files:
                os.chmod(os.path.join(root, name), stat.S_IRUSR | stat.S_IWUSR)
        shutil.rmtree(self.dir)

    def copy(self, name, as_name=None):
        target = os.path.join(self.dir, as_name or name)
        shutil.copyfile(os.path.join(FIXTURES, name), target)
        return target
