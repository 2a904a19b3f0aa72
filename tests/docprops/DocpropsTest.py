#!/usr/bin/python3
"""Tests of the docprops command-line tool.

usage: docprops_test.py DOCPROPS FIXTURE_DIR OLEREADER_DIR
"""
import fcntl
import hashlib
import json
import os
import resource
import shutil
import socket
import stat
import struct
import subprocess
import sys
import unittest

sys.dont_write_bytecode = True  # the shared module below leaves no __pycache__ in the sources
from DocpropsSupport import (UNDER_WINE, ScratchTest, command, configure, main, olefile_names, olefile_view,
                             posix_only, require_olefile, run, shown)

TOOL, FIXTURES, READER_DIR = sys.argv[1:4]
sys.path.insert(0, READER_DIR)
# A start of the tool under Wine on a loaded machine can take far longer than natively.
LIMIT = 300 if UNDER_WINE else 60
configure(TOOL, FIXTURES, READER_DIR, timeout=LIMIT)
require_olefile()


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class DocpropsTest(ScratchTest):
    def test_show_prints_name_type_value_lines_in_index_order(self):
        doc = self.copy("lo_custom.doc")
        r = run("show", doc)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines(), [
            "Checked\tYes/No\tTrue",
            "Count\tFloat\t42",
            "Mass\tFloat\t12.5",
            "Material\tText\tS235",
            "Opomba\tText\tČćžšđ ČŽŠ",
            "Released\tDate\t2024-05-17 10:30:00",
        ])
        plain = self.copy("lo_plain.doc")
        r = run("show", plain, doc)
        self.assertEqual(r.returncode, 0)
        self.assertEqual(len(r.stdout.splitlines()), 6)

    def test_show_json(self):
        gsf = self.copy("gsf_v3.ole")
        lo = self.copy("lo_plain.doc")
        r = run("show", "--json", gsf, lo)
        self.assertEqual(r.returncode, 0, r.stderr)
        data = json.loads(r.stdout)
        self.assertEqual([d["file"] for d in data], [gsf, lo])
        self.assertEqual(data[1]["properties"], [])
        props = {p["name"]: p for p in data[0]["properties"]}
        self.assertEqual([p["name"] for p in data[0]["properties"]],
                         ["Weight", "Released", "Quantity", "Opomba", "Material", "Approved"])
        self.assertEqual(props["Quantity"], {"name": "Quantity", "type": "Integer", "value": 42})
        self.assertIsInstance(props["Quantity"]["value"], int)
        self.assertEqual(props["Weight"], {"name": "Weight", "type": "Float", "value": 3.25})
        self.assertIs(props["Approved"]["value"], True)
        self.assertEqual(props["Approved"]["type"], "Yes/No")
        self.assertEqual(props["Released"], {"name": "Released", "type": "Date", "value": "2024-05-17T10:30:00Z"})
        self.assertEqual(props["Opomba"], {"name": "Opomba", "type": "Text", "value": "Čćžš"})

    def test_show_reports_each_bad_file_and_goes_on(self):
        good = self.copy("gsf_cp1250.ole")
        missing = os.path.join(self.dir, "missing.dft")
        text = os.path.join(self.dir, "text.par")
        with open(text, "w") as f:
            f.write("not a document\n" * 100)
        r = run("show", missing, good, text)
        self.assertEqual(r.returncode, 1)
        self.assertIn(missing, r.stderr)
        self.assertIn(text, r.stderr)
        self.assertEqual(r.stdout.splitlines(), ["Opis\tText\tŽaga", "Material\tText\tS235"])

    def test_set_writes_text_properties_like_the_apply_step(self):
        doc = self.copy("lo_custom.doc")
        before = olefile_view(doc)
        r = run("set", doc, "material=S355", "Ime z presledki=a = b", "Empty=", "Count=7")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")
        after = olefile_view(doc)
        self.assertEqual([(p["name"], p["value"]) for p in after["properties"]], [
            ("Checked", True), ("Mass", 12.5), ("Opomba", "Čćžšđ ČŽŠ"), ("Released", "2024-05-17T10:30:00Z"),
            ("material", "S355"), ("Ime z presledki", "a = b"), ("Empty", " "), ("Count", "7"),
        ])
        self.assertEqual(after["first_section"], before["first_section"])
        other = lambda v: {k: h for k, h in v["streams"].items() if k != "\x05DocumentSummaryInformation"}
        self.assertEqual(other(after), other(before))
        r = run("show", doc)
        self.assertIn("Count\tText\t7", r.stdout.splitlines())
        if shutil.which("gsf") is None:
            self.skipTest("gsf (libgsf-bin) is missing; scripts/install-deps.sh installs it")
        listed = subprocess.run(["gsf", "listprops", doc], capture_output=True, text=True)
        self.assertEqual(listed.returncode, 0)
        self.assertIn("Ime z presledki", listed.stdout.splitlines())

    def test_set_creates_the_property_stream_when_missing(self):
        doc = self.copy("gsf_none.ole")
        r = run("set", doc, "Material=S235")
        self.assertEqual(r.returncode, 0, r.stderr)
        view = olefile_view(doc)
        self.assertEqual([(p["name"], p["value"]) for p in view["properties"]], [("Material", "S235")])

    def test_set_and_undo_in_a_custom_section_without_code_page_beside_a_unicode_one(self):
        # The custom section holds only its property count (0); the first declares code page 1200.
        import olefile
        doc = self.copy("gsf_v3.ole", "nocodepage.par")
        name = "\x05DocumentSummaryInformation"
        ole = olefile.OleFileIO(doc, write_mode=True)
        size = ole.get_size(name)
        first = struct.pack("<IIIIHHhH", 24, 1, 1, 16, 2, 0, 1200, 0)  # id 1 at 16: VT_I2 1200
        user = struct.pack("<II", 8, 0)
        fmtid = lambda last: bytes([last, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                    0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE])
        stream = (struct.pack("<HHI16sI", 0xFFFE, 0, 0x00020006, bytes(16), 2) + fmtid(2) + struct.pack("<I", 68)
                  + fmtid(5) + struct.pack("<I", 68 + len(first)) + first + user)
        ole.write_stream(name, stream.ljust(size, b"\0"))
        ole.close()
        r = run("set", doc, "A=1", "Šifra=Č")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertEqual(shown(doc), [("A", "Text", "1"), ("Šifra", "Text", "Č")])
        self.assertEqual(olefile_view(doc)["codepage"], 1200)
        r = run("undo")
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(shown(doc), [])

    def test_remove_ignores_case_and_absent_names(self):
        doc = self.copy("lo_custom.doc")
        r = run("remove", doc, "MASS", "checked", "not there")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual([p["name"] for p in olefile_view(doc)["properties"]],
                         ["Count", "Material", "Opomba", "Released"])
        r = run("remove", doc, "nothing")
        self.assertEqual(r.returncode, 0, r.stderr)

    def test_undo_takes_back_set_and_remove(self):
        doc = self.copy("lo_custom.doc")
        for args in (("set", doc, "Count=7", "New=x"), ("remove", doc, "MASS")):
            with self.subTest(args=args):
                before = olefile_names(doc)
                self.assertEqual(run(*args).returncode, 0)
                self.assertNotEqual(olefile_names(doc), before)
                r = run("undo")
                self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                self.assertEqual(olefile_names(doc), before, "names, types and values as before")

    def test_the_documents_own_properties_set_shown_removed_and_undone(self):
        doc = self.copy("lo_custom.doc")
        before = (digest(doc), olefile_view(doc)["metadata"])
        r = run("set", doc, "system.title=Nosilec", "System.Company=Krdl d.o.o.", "System.Subject=Dvigalo", "Count=7")
        self.assertEqual(r.returncode, 0, r.stderr)
        meta = olefile_view(doc)["metadata"]
        self.assertEqual((meta["title"], meta["company"], meta["subject"]), ("Nosilec", "Krdl d.o.o.", "Dvigalo"))
        self.assertIn("Count\tText\t7", run("show", doc).stdout.splitlines())
        r = run("show", "--system", "--json", doc)
        own = {p["name"]: p for p in json.loads(r.stdout)[0]["system"]}
        self.assertEqual((own["Title"]["value"], own["Title"]["editable"]), ("Nosilec", True))
        self.assertEqual((own["Created"]["type"], own["Created"]["editable"]), ("Date", False))
        self.assertEqual(run("remove", doc, "System.Subject").returncode, 0)
        self.assertNotIn("System.Subject\tText\tDvigalo", run("show", "--system", doc).stdout.splitlines())
        for args, reason in ((("set", doc, "System.Created=2020"), '"Created" is read only'),
                             (("set", doc, "System.Colour=Red"), "no property of its own"),
                             (("set", doc, "System.Document Number=D-1"), "has no project information set"),
                             (("remove", doc, "System.Colour"), "no property of its own")):
            with self.subTest(args=args):
                kept = digest(doc)
                r = run(*args)
                self.assertEqual(r.returncode, 1)
                self.assertIn(reason, r.stderr)
                self.assertIn(doc, r.stderr)
                self.assertEqual(digest(doc), kept)
        for _ in range(2):
            r = run("undo")
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(olefile_view(doc)["metadata"], before[1])

    def test_errors_name_the_file_and_leave_it_unchanged(self):
        doc = self.copy("gsf_v3.ole", "readonly.dft")
        os.chmod(doc, stat.S_IRUSR | stat.S_IRGRP)
        text = os.path.join(self.dir, "text.par")
        with open(text, "w") as f:
            f.write("plain text\n" * 300)
        ansi = self.copy("gsf_cp1252.ole")
        cases = [
            ("set", doc, "Material=X"),
            ("remove", doc, "Material"),
            ("set", text, "A=b"),
            ("remove", text, "A"),
            ("set", ansi, "Material=ok", "Čas=name outside code page 1252"),
            ("set", ansi, "novalue"),
        ]
        for args in cases:
            with self.subTest(args=args):
                path = args[1]
                before = digest(path)
                r = run(*args)
                self.assertEqual(r.returncode, 1)
                self.assertIn(path, r.stderr)
                self.assertEqual(digest(path), before)
        missing = os.path.join(self.dir, "gone.dft")
        for args in (("set", missing, "A=b"), ("remove", missing, "A"), ("show", "--json", missing)):
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 1)
                self.assertIn(missing, r.stderr)
                self.assertFalse(os.path.exists(missing))

    @posix_only("Windows names are UTF-16: there are no names that are not Unicode")
    def test_names_that_are_not_utf8_are_used_byte_for_byte(self):
        # Windows-1250 "šč" from an old share: bytes that are not UTF-8.
        name = os.path.join(os.fsencode(self.dir), b"cp1250_\x9a\xe8.par")
        shutil.copyfile(os.path.join(FIXTURES, "gsf_cp1250.ole"), name)
        r = subprocess.run(command("set", name, "Material=S355"), capture_output=True, timeout=LIMIT)
        self.assertEqual(r.returncode, 0, r.stderr)
        r = subprocess.run(command("show", name), capture_output=True, timeout=LIMIT)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(b"Material\tText\tS355", r.stdout.splitlines())
        gone = name + b".gone"
        r = subprocess.run(command("show", gone), capture_output=True, timeout=LIMIT)
        self.assertEqual(r.returncode, 1)
        self.assertIn(b'"' + gone + b'": the file does not exist', r.stderr)

    def test_special_files_are_reported_as_what_they_are(self):
        # Windows has folders and devices among its files; FIFOs and sockets are POSIX's.
        cases = [(self.dir, "it is a folder"), ("NUL" if UNDER_WINE else "/dev/null", "it is a device")]
        if not UNDER_WINE:
            fifo = os.path.join(self.dir, "pipe.dft")
            os.mkfifo(fifo)
            sock_path = os.path.join(self.dir, "socket.dft")
            sock = socket.socket(socket.AF_UNIX)
            sock.bind(sock_path)
            self.addCleanup(sock.close)
            cases += [(fifo, "it is a FIFO"), (sock_path, "it is a socket")]
        for path, what in cases:
            for args in (("show", path), ("show", "--json", path), ("set", path, "A=b"), ("remove", path, "A")):
                with self.subTest(args=args):
                    r = run(*args)
                    self.assertEqual(r.returncode, 1)
                    self.assertIn('"%s": %s' % (path, what), r.stderr)

    @posix_only("Windows has no file size limit (RLIMIT_FSIZE) to set on a process")
    def test_file_size_limit_fails_the_update_with_a_message(self):
        doc = self.copy("gsf_v3.ole")
        before = olefile_view(doc)["properties"]
        unchanged = digest(doc)
        limit = os.path.getsize(doc) + 512
        r = subprocess.run(command("set", doc, "Big=" + "x" * 20000), capture_output=True, text=True, timeout=LIMIT,
                           preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit)))
        self.assertEqual(r.returncode, 1, "ended by signal %d" % -r.returncode if r.returncode < 0 else r.stderr)
        self.assertIn('docprops: Cannot save the custom properties of "%s"' % doc, r.stderr)
        self.assertEqual(olefile_view(doc)["properties"], before)
        self.assertEqual(digest(doc), unchanged, "reused sectors written back, the appended ones cut off")

    def test_show_keeps_one_property_per_line(self):
        doc = self.copy("lo_plain.doc")
        r = run("set", doc, "Forged\tText\tx\nSecond=line one\r\nline two\tC:\\end")
        self.assertEqual(r.returncode, 0, r.stderr)
        r = run("show", doc)
        self.assertEqual(r.stdout.split("\n"),
                         ["Forged\\tText\\tx\\nSecond\tText\tline one\\r\\nline two\\tC:\\\\end", ""])
        r = run("show", "--json", doc)
        self.assertEqual(json.loads(r.stdout)[0]["properties"][0]["name"], "Forged\tText\tx\nSecond")

    def test_help_prints_usage_and_exit_codes(self):
        for flag in ("--help", "-h"):
            r = run(flag)
            self.assertEqual(r.returncode, 0)
            self.assertTrue(r.stdout.startswith("usage: docprops show"))
            self.assertIn("Exit codes:", r.stdout)
            self.assertEqual(r.stderr, "")

    @posix_only("Windows programs see no POSIX locks (flock, fcntl): Wine keeps its share modes to itself")
    def test_a_document_another_program_holds_locked_is_read_but_not_written(self):
        # Each kind of whole-file lock another program may hold: flock, a POSIX record lock and
        # an open file description lock. This test process holds it; docprops runs beside it.
        def ofd(fd):
            fcntl.fcntl(fd, fcntl.F_OFD_SETLK, struct.pack("hh4xqqi4x", fcntl.F_WRLCK, os.SEEK_SET, 0, 0, 0))
        kinds = (("flock", lambda fd: fcntl.flock(fd, fcntl.LOCK_EX)),
                 ("POSIX record lock", lambda fd: fcntl.lockf(fd, fcntl.LOCK_EX)),
                 ("open file description lock", ofd))
        for kind, take in kinds:
            with self.subTest(kind=kind):
                doc = self.copy("gsf_v3.ole", kind + ".par")
                before = digest(doc)
                with open(doc, "r+b") as holder:
                    take(holder.fileno())
                    for args in (("set", doc, "A=b"), ("remove", doc, "Material")):
                        r = run(*args)
                        self.assertEqual(r.returncode, 1)
                        self.assertIn('"%s" for writing: it is locked' % doc, r.stderr)
                    r = run("show", doc)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.assertIn("Material\tText\tS235", r.stdout.splitlines())
                self.assertEqual(digest(doc), before)
                self.assertEqual(run("set", doc, "A=b").returncode, 0, "free again once the holder lets go")

    def test_two_writers_at_once_neither_damage_the_document_nor_lose_an_update_silently(self):
        doc = self.copy("gsf_v3.ole")
        expected = set()
        for i in range(25):
            names = ("A%d" % i, "B%d" % i)
            procs = [subprocess.Popen(command("set", doc, n + "=" + "v" * (100 * i)), stderr=subprocess.PIPE, text=True)
                     for n in names]
            for name, p in zip(names, procs):
                err = p.communicate(timeout=LIMIT)[1]
                if p.returncode == 0:
                    expected.add(name)
                else:
                    self.assertIn("it is locked", err)
            r = run("show", "--json", doc)
            self.assertEqual(r.returncode, 0, r.stderr)
            shown = {p["name"] for p in json.loads(r.stdout)[0]["properties"]}
            self.assertLessEqual(expected, shown, "an update reported as done is missing")
        self.assertTrue(expected)
        self.assertLessEqual(expected, {p["name"] for p in olefile_view(doc)["properties"]})

    def test_usage_errors(self):
        for args in ((), ("show",), ("set", "x"), ("frobnicate", "x")):
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 1)
                self.assertIn("usage", r.stderr)


if __name__ == "__main__":
    main()
