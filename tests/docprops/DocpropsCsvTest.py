#!/usr/bin/python3
"""Tests of `docprops export --csv` and `docprops apply --csv`: the CSV is read back with
Python's own csv module, edited as a spreadsheet would, and applied.

usage: DocpropsCsvTest.py DOCPROPS FIXTURE_DIR
"""
import csv
import io
import os
import sys
import unittest

sys.dont_write_bytecode = True  # the shared module below leaves no __pycache__ in the sources
from DocpropsSupport import UNDER_WINE, ScratchTest, as_tool_shows, configure, main, run, shown

TOOL, FIXTURES = sys.argv[1:3]
configure(TOOL, FIXTURES)


class CsvTest(ScratchTest):
    def test_export_read_by_the_csv_module_then_applied_back(self):
        # Windows names hold no double quote; a comma still has the path quoted.
        a = self.copy("gsf_v3.ole", "a, quoted.par" if UNDER_WINE else 'a, "quoted".par')
        b = self.copy("lo_custom.doc", "b.dft")
        r = run("set", a, "Note=two\r\nlines; \"x\"", "opomba=Čas")
        self.assertEqual(r.returncode, 0, r.stderr)
        out = os.path.join(self.dir, "out.csv")
        gone = os.path.join(self.dir, "gone.par")
        r = run("export", "--csv", out, a, gone, b)
        # The document that cannot be read is reported and left out; the others are written.
        self.assertEqual(r.returncode, 1)
        self.assertIn(gone, r.stderr)
        with open(out, "rb") as f:
            raw = f.read()
        self.assertTrue(raw.startswith(b"\xef\xbb\xbfPath,"))
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b"").replace(b"two\r\nlines", b""))
        with open(out, newline="", encoding="utf-8-sig") as f:
            rows = list(csv.reader(f))
        # Columns: the union of the names in first-seen order, names equal ignoring case as one
        # (`set` above made a's "Opomba" its last property "opomba"; b's "Opomba" goes there too).
        self.assertEqual(rows[0], ["Path", "Weight", "Released", "Quantity", "Material", "Approved", "Note",
                                   "opomba", "Checked", "Count", "Mass"])
        self.assertEqual([row[0] for row in rows[1:]], [as_tool_shows(a), as_tool_shows(b)])
        self.assertEqual(rows[1][1:], ["3.25", "2024-05-17 10:30:00", "42", "S235", "True", 'two\r\nlines; "x"',
                                       "Čas", "", "", ""])
        self.assertEqual(rows[2][6:8], ["", "Čćžšđ ČŽŠ"])

        # A spreadsheet in a ";" locale: one value changed, the rest emptied or kept.
        edited = io.StringIO(newline="")
        w = csv.writer(edited, delimiter=";", lineterminator="\n")
        w.writerow(["Path", "Material", "Note", "Mass"])
        w.writerow([a, "S355; EN", 'two\r\nlines; "x"', ""])
        w.writerow([b, "", "", "13,5"])
        inp = os.path.join(self.dir, "in.csv")
        with open(inp, "w", encoding="utf-8", newline="") as f:
            f.write(edited.getvalue().rstrip("\n"))  # and no line end after the last line
        b_before = shown(b)
        r = run("apply", "--csv", inp)
        self.assertEqual((r.returncode, r.stdout), (0, a + ": Success!\n" + b + ": Success!\n"), r.stderr)
        # Non-empty cells become text properties; an empty cell writes nothing.
        self.assertEqual(shown(a)[-2:], [("Material", "Text", "S355; EN"), ("Note", "Text", 'two\r\nlines; "x"')])
        self.assertEqual(shown(b), [p for p in b_before if p[0] != "Mass"] + [("Mass", "Text", "13,5")])

        r = run("apply", "--csv", inp, "--delete-others")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(shown(b), [("Mass", "Text", "13,5")])

    def test_the_documents_own_properties_exported_edited_and_applied_back(self):
        b = self.copy("lo_custom.doc", "b.dft")
        out = os.path.join(self.dir, "out.csv")
        r = run("export", "--csv", out, "--system", b)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(out, newline="", encoding="utf-8-sig") as f:
            rows = list(csv.reader(f))
        self.assertEqual(rows[0][-5:], ["System.Title", "System.Revision number", "System.Created", "System.Last saved",
                                        "System.Last printed"])
        self.assertEqual(rows[1][-5], "Fixture")
        # Unchanged: nothing is written, the shown-only columns included.
        before = read(b)
        r = run("apply", "--csv", out)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(read(b), before)
        # A shown-only column changed is refused, not passed over as a success.
        edited = [row[:] for row in rows]
        edited[1][-5], edited[1][-4] = "Nosilec", "99"
        with open(out, "w", encoding="utf-8", newline="") as f:
            csv.writer(f).writerows(edited)
        r = run("apply", "--csv", out)
        self.assertNotEqual(r.returncode, 0, r.stdout)
        self.assertIn("Failed!", r.stdout)
        self.assertEqual(read(b), before)
        rows[1][-5] = "Nosilec"
        with open(out, "w", encoding="utf-8", newline="") as f:
            csv.writer(f).writerows(rows)
        r = run("apply", "--csv", out, "--delete-others")
        self.assertEqual((r.returncode, r.stdout), (0, as_tool_shows(b) + ": Success!\n"), r.stderr)
        shown_own = run("show", "--system", b).stdout.splitlines()
        self.assertIn("System.Title\tText\tNosilec", shown_own)
        self.assertIn("Checked\tYes/No\tTrue", shown_own, "the round trip keeps the custom properties' types")

    def test_unchanged_csv_leaves_documents_byte_identical(self):
        a = self.copy("gsf_v3.ole", "a.par")  # Weight Float, Released Date, Quantity Integer, Approved Yes/No
        b = self.copy("lo_custom.doc", "b.dft")
        out = os.path.join(self.dir, "out.csv")
        r = run("export", "--csv", out, a, b)
        self.assertEqual(r.returncode, 0, r.stderr)

        def raw(path):
            with open(path, "rb") as f:
                return f.read()
        before = {p: raw(p) for p in (a, b)}
        for extra in [[], ["--delete-others"]]:
            r = run("apply", "--csv", out, *extra)
            self.assertEqual((r.returncode, r.stdout),
                             (0, as_tool_shows(a) + ": Success! Nothing to change.\n"
                              + as_tool_shows(b) + ": Success! Nothing to change.\n"),
                             r.stderr)
            self.assertEqual({p: raw(p) for p in (a, b)}, before, extra)

        # One value edited: only it is written (as text); the typed values beside it stay typed,
        # also under --delete-others, and the other document is not written.
        with open(out, newline="", encoding="utf-8-sig") as f:
            rows = list(csv.reader(f))
        rows[1][rows[0].index("Material")] = "S355"
        with open(out, "w", newline="", encoding="utf-8-sig") as f:
            csv.writer(f).writerows(rows)
        a_before = shown(a)
        r = run("apply", "--csv", out, "--delete-others")
        self.assertEqual((r.returncode, r.stdout),
                         (0, as_tool_shows(a) + ": Success!\n" + as_tool_shows(b) + ": Success! Nothing to change.\n"),
                         r.stderr)
        self.assertEqual(sorted(shown(a)),
                         sorted([p for p in a_before if p[0] != "Material"] + [("Material", "Text", "S355")]))
        self.assertEqual({t for _, t, _ in a_before} - {"Text"}, {"Float", "Date", "Integer", "Yes/No"})
        self.assertEqual(raw(b), before[b])

    def test_utf8_csv_with_one_bad_byte_is_refused_with_its_line(self):
        a = self.copy("gsf_v3.ole", "a.par")
        b = self.copy("lo_custom.doc", "b.dft")
        before = [shown(a), shown(b)]
        bad = os.path.join(self.dir, "bad.csv")
        with open(bad, "wb") as f:  # UTF-8 without a mark, but for one Windows-1250 "š" on line 3
            f.write(("Path,Note\r\n%s,Čćžšđ\r\n%s,Čćž" % (a, b)).encode() + b"\x9a\r\n")
        r = run("apply", "--csv", bad)
        self.assertEqual((r.returncode, r.stdout), (1, ""))
        self.assertIn(bad + '": line 3: bytes that are not UTF-8', r.stderr)
        self.assertEqual([shown(a), shown(b)], before)

    def test_malformed_csv_and_usage_change_nothing(self):
        a = self.copy("gsf_v3.ole", "a.par")
        before = shown(a)
        bad = os.path.join(self.dir, "bad.csv")
        for text, message in [('Path,A\r\n%s,"open\r\n' % a, "line 2: a quoted field"),
                              ("Path,A\r\n%s,1,2\r\n" % a, "line 2: 3 fields, but the header line has 2")]:
            with open(bad, "w", newline="") as f:
                f.write(text)
            r = run("apply", "--csv", bad)
            self.assertEqual((r.returncode, r.stdout), (1, ""))
            self.assertIn(message, r.stderr)
        # A NUL byte would cut a path or value short: refused with its line, like the rest.
        for text, message in [(b"Path,A\r\n%s,1\r\n%s\0x,2\r\n" % (a.encode(), a.encode()), "line 3: a NUL byte"),
                              (b"Path,A\r\n%s,\"1\r\n\0\"\r\n" % a.encode(), "line 3: a NUL byte")]:
            with open(bad, "wb") as f:
                f.write(text)
            r = run("apply", "--csv", bad)
            self.assertEqual((r.returncode, r.stdout), (1, ""))
            self.assertIn(message, r.stderr)
        for args in [["apply", "--csv"], ["apply", "--csv", bad, bad], ["export", "--csv", bad],
                     ["export", bad, a], ["export", "--csv"]]:
            r = run(*args)
            self.assertEqual((r.returncode, r.stdout), (1, ""), args)
            self.assertIn("usage", r.stderr, args)
        self.assertEqual(shown(a), before)

    def test_export_refuses_to_write_over_a_document(self):
        a = self.copy("gsf_v3.ole", "a.par")
        b = self.copy("lo_custom.doc", "b.dft")
        os.link(a, os.path.join(self.dir, "hard.csv"))
        with open(os.path.join(self.dir, "notes.txt"), "wb") as f:
            f.write(b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1 an OLE file by another name")
        before = {name: read(os.path.join(self.dir, name)) for name in os.listdir(self.dir)}
        for args, message in [
                (["export", "--csv", "a.par", "b.dft"], "it is a compound document"),  # OUT.csv left out
                (["export", "--csv", "a.par", "a.par"], "it is one of the documents"),
                (["export", "--csv", "hard.csv", "b.dft", "a.par"], "it is one of the documents"),
                (["export", "--force", "--csv", "notes.txt", "a.par"], "it is a compound document"),
                (["export", "--csv", "new.PWD", "a.par"], 'its name ends in ".PWD"')]:
            r = run(*args, cwd=self.dir)
            self.assertEqual((r.returncode, r.stdout), (1, ""), args)
            self.assertIn(message, r.stderr, args)
            self.assertEqual({name: read(os.path.join(self.dir, name)) for name in os.listdir(self.dir)}, before)
        # Forced, a new file named like a document is written, with absolute paths.
        r = run("export", "--csv", "new.PWD", "--force", "./a.par", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(self.dir, "new.PWD"), newline="", encoding="utf-8-sig") as f:
            self.assertEqual([row[0] for row in csv.reader(f)], ["Path", as_tool_shows(os.path.join(os.path.realpath(self.dir), "a.par"))])

    def test_rows_of_one_document_are_merged_and_the_later_row_wins(self):
        a = self.copy("gsf_v3.ole", "a.par")
        b = self.copy("lo_custom.doc", "b.dft")
        os.link(a, os.path.join(self.dir, "hard.par"))
        os.symlink("b.dft", os.path.join(self.dir, "soft.dft"))
        inp = os.path.join(self.dir, "in.csv")
        with open(inp, "w", newline="", encoding="utf-8") as f:
            csv.writer(f).writerows([["Path", "Material", "Note", "Finish"],
                                     ["a.par", "first", "kept", ""],
                                     ["b.dft", "b first", "", ""],
                                     ["hard.par", "second", "", "painted"],
                                     ["./soft.dft", "", "b note", ""]])
        # The write goes through the link that was there when the document was read.
        r = run("apply", "--csv", inp, cwd=self.dir)
        self.assertEqual((r.returncode, r.stdout), (0, "a.par: Merged into line 4, a later row for the same document.\n"
                                                       "b.dft: Merged into line 5, a later row for the same document.\n"
                                                       "hard.par: Success!\n./soft.dft: Success!\n"), r.stderr)
        self.assertTrue(os.path.islink(os.path.join(self.dir, "soft.dft")))
        values = lambda path: {n: v for n, _, v in shown(path) if n in ("Material", "Note", "Finish")}
        self.assertEqual(values(a), {"Material": "second", "Note": "kept", "Finish": "painted"})
        self.assertEqual(values(b), {"Material": "b first", "Note": "b note"})

        # Many rows of few documents: read and written in several rounds, each document once.
        rows = [["Path", "Material"]] + [[a if i % 2 else b, "v%d" % i] for i in range(12001)]
        with open(inp, "w", newline="", encoding="utf-8") as f:
            csv.writer(f).writerows(rows)
        r = run("apply", "--csv", inp)
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = r.stdout.splitlines()
        self.assertEqual(len(lines), 12001)
        self.assertEqual(lines[-3:], [b + ": Merged into line 12002, a later row for the same document.",
                                      a + ": Success!", b + ": Success!"])
        self.assertEqual((values(a)["Material"], values(b)["Material"]), ("v11999", "v12000"))


def read(path):
    with open(path, "rb") as f:
        return f.read()


if __name__ == "__main__":
    main()
