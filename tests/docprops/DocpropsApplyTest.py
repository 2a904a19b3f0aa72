#!/usr/bin/python3
"""Tests of `docprops apply`: a property set file written into the documents it lists.

usage: DocpropsApplyTest.py DOCPROPS FIXTURE_DIR OLEREADER_DIR
"""
import json
import os
import stat
import sys
import unittest

sys.dont_write_bytecode = True  # the shared module below leaves no __pycache__ in the sources
from DocpropsSupport import ScratchTest, configure, main, olefile_names, require_olefile, run, shown

TOOL, FIXTURES, READER_DIR = sys.argv[1:4]
configure(TOOL, FIXTURES, READER_DIR)
require_olefile()


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ApplyTest(ScratchTest):
    def set_file(self, rows, encoding="cp1250"):
        """rows: [(path, [(name, value), ...]), ...] written as the editor writes a set."""
        lines = ["[Files]"] + ["file%d=%s" % (i + 1, p) for i, (p, _) in enumerate(rows)]
        for i, (_, values) in enumerate(rows):
            lines += ["", "[file%d]" % (i + 1)] + ["CustomProp%s=%s;%s" % (n, n, v) for n, v in values]
        path = os.path.join(self.dir, "set.props")
        with open(path, "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode(encoding))
        return path

    def test_writes_every_listed_value_and_reports_each_document(self):
        a = self.copy("gsf_v3.ole", "a.par")
        b = self.copy("lo_custom.doc", "b.dft")
        ro = self.copy("gsf_v3.ole", "ro.par")
        os.chmod(ro, stat.S_IRUSR)
        ro_before = read(ro)
        gone = os.path.join(self.dir, "gone.par")
        s = self.set_file([(a, [("Material", "S355;EN 10025"), ("Finish", ""), ("MATERIAL", "ignored")]),
                           (gone, [("Material", "x")]),
                           (ro, [("Material", "x")]),
                           (b, [("Opomba", "Čas")])])
        r = run("apply", s)
        self.assertEqual(r.returncode, 2, r.stderr)
        lines = r.stdout.splitlines()
        self.assertEqual(len(lines), 4)
        self.assertEqual(lines[0], a + ": Success!")
        self.assertTrue(lines[1].startswith(gone + ": Failed! ") and gone in lines[1][len(gone) + 10:], lines[1])
        self.assertTrue(lines[2].startswith(ro + ": Failed! ") and "writing" in lines[2], lines[2])
        self.assertEqual(lines[3], b + ": Success!")
        self.assertEqual(read(ro), ro_before)
        # The whole value after the first ";"; an empty value as one blank; the left name wins;
        # the document's other properties stay as they were.
        self.assertEqual(shown(a), [("Weight", "Float", 3.25), ("Released", "Date", "2024-05-17T10:30:00Z"),
                                    ("Quantity", "Integer", 42), ("Opomba", "Text", "Čćžš"),
                                    ("Approved", "Yes/No", True), ("Material", "Text", "S355;EN 10025"),
                                    ("Finish", "Text", " ")])
        self.assertEqual(olefile_names(b)[-1], ("Opomba", 30, "Čas"))

    def test_delete_others_keeps_exactly_the_listed_properties(self):
        # Two entries of one document are one write of both: a name both give takes the later value.
        a = self.copy("gsf_v3.ole", "a.par")
        s = self.set_file([("a.par", [("Finish", "red"), ("Colour", "blue")]),
                           ("./a.par", [("FINISH", "green"), ("Released", "today")])])
        r = run("apply", "--delete-others", s, cwd=self.dir)
        self.assertEqual((r.returncode, r.stdout), (0, "a.par: Merged into entry 2 of [Files], a later row for the "
                                                       "same document.\n./a.par: Success!\n"), r.stderr)
        self.assertEqual(shown(a), [("FINISH", "Text", "green"), ("Colour", "Text", "blue"),
                                    ("Released", "Text", "today")])
        self.assertEqual([n for n, _, _ in olefile_names(a)], ["FINISH", "Colour", "Released"])

    def test_the_documents_own_properties_by_prefixed_names(self):
        a = self.copy("lo_custom.doc", "a.dft")
        b = self.copy("gsf_v3.ole", "b.par")
        c = self.copy("lo_custom.doc", "c.dft")
        d = self.copy("lo_custom.doc", "d.dft")
        kept = read(c), read(d)
        s = self.set_file([(a, [("System.Title", "Nosilec"), ("System.Company", "Krdl"), ("Finish", "red")]),
                           (b, [("system.title", "Novo")]),
                           (c, [("System.Document Number", "D-1")]),
                           (d, [("System.Colour", "x")])])
        r = run("apply", "--delete-others", s)
        lines = r.stdout.splitlines()
        self.assertEqual((r.returncode, lines[:2]), (2, [a + ": Success!", b + ": Success!"]), r.stdout + r.stderr)
        self.assertIn("has no project information set", lines[2])
        self.assertIn("no such property", lines[3])
        self.assertEqual((read(c), read(d)), kept)

        def own(path):
            r = run("show", "--system", "--json", path)
            return {p["name"]: p["value"] for p in json.loads(r.stdout)[0]["system"]}
        self.assertEqual(shown(a), [("Finish", "Text", "red")], "custom properties only were deleted")
        self.assertEqual((own(a)["Title"], own(a)["Company"], own(b)["Title"]), ("Nosilec", "Krdl", "Novo"))

    def test_usage_and_unreadable_sets(self):
        a = self.copy("gsf_v3.ole", "a.par")
        before = read(a)
        s = self.set_file([(a, [("Finish", "red")])])
        for args in [["apply"], ["apply", "--delete-others"], ["apply", s, s], ["apply", "--delete-other", s],
                     ["apply", os.path.join(self.dir, "none.props")], ["apply", self.dir]]:
            r = run(*args)
            self.assertEqual(r.returncode, 1, args)
            self.assertEqual(r.stdout, "", args)
            self.assertNotEqual(r.stderr, "", args)
        self.assertEqual(read(a), before)
        self.assertIn("docprops apply [--delete-others] SET.props", run().stderr)

    def test_a_set_without_documents_does_nothing(self):
        path = os.path.join(self.dir, "empty.props")
        with open(path, "wb") as f:
            f.write(b"[Other]\r\nx=1\r\n")
        r = run("apply", path)
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, "", ""))


if __name__ == "__main__":
    main()
