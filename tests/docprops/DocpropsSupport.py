"""What the docprops process tests share: running the tool, reading documents back (through the
tool and through olefile) and a scratch folder per test holding copies of the fixture documents.

A test script calls `configure(TOOL, FIXTURE_DIR[, OLEREADER_DIR])` with its arguments first and
ends with `main()`. With TOOL_EMULATOR set (a cross build's `wine`), the tool is a Windows program
run through it; it reads this system's absolute paths as paths on Wine's drive Z:, the root.
"""
import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

TOOL = FIXTURES = READER_DIR = None
TIMEOUT = 120
EMULATOR = os.environ.get("TOOL_EMULATOR", "").split()
UNDER_WINE = bool(EMULATOR)


def posix_only(what_windows_lacks):
    """Skips a test of POSIX files, signals or limits where the tool is a Windows program."""
    return unittest.skipIf(UNDER_WINE, what_windows_lacks)


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


def as_tool_shows(path):
    """An absolute path as the tool writes it: under Wine, on drive Z: with backslashes."""
    if UNDER_WINE and path.startswith("/"):
        return "Z:" + path.replace("/", "\\")
    return path


def command(*args):
    return [*EMULATOR, TOOL, *args]


def run(*args, cwd=None):
    return subprocess.run(command(*args), capture_output=True, text=True, timeout=TIMEOUT, cwd=cwd)


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


class _RecordingResult(unittest.TextTestResult):
    """Keeps each test's outcome: "passed", ("failed", the error's last line; a failure, an error
    or a failed subtest) or ("skipped", the reason)."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.outcomes = {}

    def _set(self, test, outcome):
        if self.outcomes.get(test.id(), ("",))[0] != "failed":
            self.outcomes[test.id()] = outcome

    def _fail(self, test, err):
        # The assertion's own message, so the lane's results say what went wrong.
        self.outcomes[test.id()] = ("failed", self._exc_info_to_string(err, test).strip().splitlines()[-1])

    def addSuccess(self, test):
        super().addSuccess(test)
        self._set(test, "passed")

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._fail(test, err)

    def addError(self, test, err):
        super().addError(test, err)
        self._fail(test, err)

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self._set(test, ("skipped", reason))

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self._fail(test, err)
        else:
            self._set(test, "passed")


def main():
    """Runs the script's tests and exits 0 when all passed. With TEST_RESULTS_DIR set, also writes
    their outcomes there as <TEST_NAME or script>.xml in GoogleTest's form, for the Windows lane's
    count."""
    runner = unittest.TextTestRunner(resultclass=_RecordingResult, verbosity=2)
    result = unittest.main(argv=sys.argv[:1], testRunner=runner, exit=False).result
    folder = os.environ.get("TEST_RESULTS_DIR")
    if folder:
        script = os.path.splitext(os.path.basename(sys.argv[0]))[0]
        suite = ET.Element("testsuites", name=script)
        for test_id, outcome in result.outcomes.items():
            classname, _, name = test_id.rpartition(".")
            case = ET.SubElement(suite, "testcase", name=name, classname=classname, status="run")
            if outcome[0] == "failed":
                ET.SubElement(case, "failure", message=outcome[1])
            elif outcome != "passed":
                case.set("result", "skipped")
                ET.SubElement(case, "skipped", message=script + ".py\n" + outcome[1])
        name = os.environ.get("TEST_NAME", script)
        ET.ElementTree(suite).write(os.path.join(folder, name + ".xml"), encoding="utf-8")
    sys.exit(0 if result.wasSuccessful() else 1)
