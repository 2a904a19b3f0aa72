#!/usr/bin/python3
"""Independent reader of custom properties for the tests.

Run with Debian's /usr/bin/python3 (python3-olefile). Reads a compound file with olefile, parses
the user-defined section of "\\x05DocumentSummaryInformation" with the small parser below, and
prints one JSON object:

  {"codepage": N or null, "first_section": "<hex sha256 of the first section's bytes>",
   "properties": [{"id": ID, "name": NAME, "vt": VT, "value": VALUE}, ...],   # table order
   "streams": {"path/of/stream": "<sha256>", ...}, "root_clsid": "<hex>", "sector_size": N}

Values: strings as text, integers as numbers, floats as numbers, booleans as true/false,
FILETIME as "YYYY-MM-DDTHH:MM:SSZ", other types as null.

"metadata" holds what olefile's own get_metadata() reads from the summary information set and
the first section of the document summary information set: {"title": ..., "company": ...},
text decoded in the set's code page, dates as above, absent values left out.
"""
import datetime
import hashlib
import json
import struct
import sys

import olefile

USER_FMTID = bytes.fromhex("05d5cdd59c2e1b10939708002b2cf9ae")


def decode_text(raw, codepage):
    if codepage == 1200:
        text = raw.decode("utf-16-le", errors="replace")
    else:
        name = {65001: "utf-8"}.get(codepage, "cp%d" % codepage)
        try:
            text = raw.decode(name, errors="replace")
        except LookupError:
            text = raw.decode("latin-1")
    return text.split("\x00")[0]


def value_at(sec, off, codepage):
    vt = struct.unpack_from("<H", sec, off)[0]
    d = off + 4
    if vt in (2,):
        return vt, struct.unpack_from("<h", sec, d)[0]
    if vt in (18,):
        return vt, struct.unpack_from("<H", sec, d)[0]
    if vt in (3, 22):
        return vt, struct.unpack_from("<i", sec, d)[0]
    if vt in (19, 23):
        return vt, struct.unpack_from("<I", sec, d)[0]
    if vt == 4:
        return vt, struct.unpack_from("<f", sec, d)[0]
    if vt == 5:
        return vt, struct.unpack_from("<d", sec, d)[0]
    if vt == 11:
        return vt, struct.unpack_from("<H", sec, d)[0] != 0
    if vt in (8, 30):
        n = struct.unpack_from("<I", sec, d)[0]
        return vt, decode_text(sec[d + 4:d + 4 + n], codepage)
    if vt == 31:
        n = struct.unpack_from("<I", sec, d)[0]
        return vt, decode_text(sec[d + 4:d + 4 + 2 * n], 1200)
    if vt == 64:
        ft = struct.unpack_from("<Q", sec, d)[0]
        t = datetime.datetime(1601, 1, 1) + datetime.timedelta(microseconds=ft // 10)
        return vt, t.strftime("%Y-%m-%dT%H:%M:%SZ")
    return vt, None


def parse_section(sec):
    size, count = struct.unpack_from("<II", sec, 0)
    table = [struct.unpack_from("<II", sec, 8 + 8 * i) for i in range(count)]
    codepage = None
    for pid, off in table:
        if pid == 1:
            codepage = struct.unpack_from("<H", sec, off + 4)[0]
    cp = codepage if codepage is not None else 1252
    names = {}
    for pid, off in table:
        if pid != 0:
            continue
        n = struct.unpack_from("<I", sec, off)[0]
        at = off + 4
        for _ in range(n):
            eid, length = struct.unpack_from("<II", sec, at)
            at += 8
            nbytes = length * 2 if cp == 1200 else length
            names.setdefault(eid, decode_text(sec[at:at + nbytes], cp))
            at += nbytes
            if cp == 1200:
                at = off + ((at - off + 3) & ~3)
    props = []
    for pid, off in table:
        if pid < 2 or pid >= 0x80000000:
            continue
        vt, value = value_at(sec, off, cp)
        props.append({"id": pid, "name": names.get(pid, ""), "vt": vt, "value": value})
    return codepage, props


def metadata(ole):
    meta = ole.get_metadata()
    out = {}
    for attr in meta.SUMMARY_ATTRIBS + meta.DOCSUM_ATTRIBS:
        value = getattr(meta, attr, None)
        codepage = meta.codepage if attr in meta.SUMMARY_ATTRIBS else meta.codepage_doc
        if isinstance(value, bytes):
            value = decode_text(value, codepage or 1252)
        elif isinstance(value, datetime.datetime):
            value = value.strftime("%Y-%m-%dT%H:%M:%SZ")
        elif not isinstance(value, (str, int, float)) or isinstance(value, bool):
            continue
        out[attr] = value
    return out


def main(path):
    ole = olefile.OleFileIO(path)
    out = {"codepage": None, "first_section": None, "properties": [], "streams": {},
           "root_clsid": ole.root.clsid, "sector_size": ole.sectorsize}
    for entry in ole.listdir(streams=True, storages=False):
        data = ole.openstream(entry).read()
        out["streams"]["/".join(entry)] = hashlib.sha256(data).hexdigest()
    if ole.exists("\x05DocumentSummaryInformation"):
        data = ole.openstream("\x05DocumentSummaryInformation").read()
        nsets = struct.unpack_from("<I", data, 24)[0]
        for i in range(nsets):
            fmtid = data[28 + 20 * i:44 + 20 * i]
            off = struct.unpack_from("<I", data, 44 + 20 * i)[0]
            size = struct.unpack_from("<I", data, off)[0]
            if i == 0:
                out["first_section"] = hashlib.sha256(data[off:off + size]).hexdigest()
            if fmtid == USER_FMTID:
                out["codepage"], out["properties"] = parse_section(data[off:off + size])
    out["metadata"] = metadata(ole)
    ole.close()
    json.dump(out, sys.stdout, ensure_ascii=False)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main(sys.argv[1])
