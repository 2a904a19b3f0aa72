#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/ (run once; the files
are committed). Every seed is a small real example: the repository's test documents and
resources, and the examples of the formats' headers."""
import binascii
import os
import sys

import olefile

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)


def write(target, name, data):
    folder = os.path.join(here, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode('utf-8')
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def resource(name):
    with open(os.path.join(root, 'resources', name), 'rb') as f:
        return f.read()


BOM = b'\xef\xbb\xbf'
czech_utf8 = 'Koňský žluťoučký kůň, Čćžšđ'.encode('utf-8')
czech_cp1250 = 'Koňský žluťoučký kůň, Čćžšđ'.encode('cp1250')

# Text detection: the encodings and their look-alikes.
write('text_encoding', 'ascii.csv', b'Path,A\r\nx,1\r\n')
write('text_encoding', 'utf8.txt', czech_utf8 + b'\n' + czech_utf8)
write('text_encoding', 'cp1250.txt', czech_cp1250 + b'\r\nS235 \xe8\x9a\x9e\r')
write('text_encoding', 'mark.txt', BOM + czech_utf8 + b'\xff')
write('text_encoding', 'damaged.txt', b'Path,Name\r\n' + czech_utf8 + b'\rc.par,\x9a' + czech_utf8)
write('text_encoding', 'cjk.txt', '部品 中'.encode('utf-8'))

# List files: both path styles, bare paths, names that are not UTF-8.
write('list_file', 'windows.txt', b'1;C:\\Work\\Parts\\bracket.par\r\n0;D:\\b.par\r\n1;C:\\\\a.dft\r\n')
write('list_file', 'bare.txt', b'C:\\Work\\a.dft\nD:\\x\\y.asm\n\\\\server\\share\\z.psm')
write('list_file', 'posix.txt', b'1;/home/u/parts/a.par\r\n0;/home/u/\xc4\x8d.dft\r\n')
write('list_file', 'cp1250.txt', b'1;C:\\V\xfdkresy\\\x9a\xe8\x9e.dft\r\n0;C:\\x\\y.dft\r\n')
write('list_file', 'mark.txt', BOM + '1;C:\\Díly\\kolo.par\r\n2;C:\\x.dft\r\n1\r\n\r\n'.encode('utf-8'))

# INI files: the section name, key and value to set, each ended by a backslash and a blank, then the file.
write('ini_file', 'program.ini', b'Settings\\ PropseedFN\\ \\propseed.txt\\ ' + resource('KRDL.ini'))
write('ini_file', 'position.ini', b'TfrmMain\\ Left\\ 120\\ [TfrmMain]\r\nLeft=10\r\nTop=20\r\nState=wsNormal\r\n')
write('ini_file', 'quoted.ini', b'Files\\ file2\\  C:\\x.par \\ ; note\n[Files]\nfile1="C:\\a b.par"\n[files]\nfile1=x\r[Other]\nkey = \'v\'')
write('ini_file', 'cp1250.ini', b'Settings\\ Folder\\ C:\\V\xfdkresy\\\\ [Settings]\r\nOpenList=C:\\D\xedly\\\r\n')

# Property seed files: the program's own and the example of its header.
write('property_seed', 'propseed.txt', resource('propseed.txt'))
write('property_seed', 'example.txt', b'  Begin Define Custom\r\nDefine Material; Text\r\nDefine Weight\r\n'
      b'End Define Custom\r\nBegin Material\r\nSteel ; structural steel\r\ndefault = Aluminium\r\nEnd Material\r\n')
write('property_seed', 'cp1250.txt', b'Begin Define Custom\nDefine Povrch; Text\nDefine povrch; Text\nEnd Define Custom\n'
      b'Begin POVRCH\n\x9a\xe8\x9e ; pozn\xe1mka\nEnd Povrch\n')

# Property set files.
write('property_set_file', 'example.props', b'[Files]\r\nfile1=C:\\Work\\flange.par\r\nfile2=C:\\Work\\cover.psm\r\n'
      b'[file1]\r\nCustomPropMaterial=Material;S235\r\nCustomPropFinish=Finish;\r\n'
      b'[file2]\r\nCustomPropMaterial=Material;a;b\r\n')
write('property_set_file', 'cp1250.props', b'[Files]\nfile1=C:\\V\xfdkresy\\\x9a.par\n[FILE1]\nCustomPropOpis=Opis;\x9e\xe1ba\n')
write('property_set_file', 'mark.props', BOM + '[Files]\nfile1=/w/č.par\nfile1=/w/other.par\n[file1]\nx="Material; quoted "\n'.encode('utf-8'))

# Property CSV files.
write('property_csv', 'example.csv', b'Path,Material,Finish\r\nC:\\Work\\flange.par,S235,"painted, red"\r\n'
      b'C:\\Work\\cover.psm,"12"" pipe",\r\n')
write('property_csv', 'semicolon.csv', BOM + 'Path;Materiál;Hmotnost\r\nC:\\a.par;S235;1,5\r\n;;\r\n'.encode('utf-8'))
write('property_csv', 'cp1250.csv', b'Path,Opis\nC:\\\x9a.par,"two\nlines"\r\nC:\\b.par,\xe8\r')

# Undo journal runs. The first byte: odd, the file as it is; even, lines the target adds checksums to.
def journal_lines(version, kind, items):
    lines = ['\t'.join(['KRDL-JOURNAL', str(version), kind, '2026-03-09T10:15:30.123Z', '4242']
                       + ([str(len(items)), str(sum(len(i) for i in items))] if version >= 2 else []))]
    for n, records in enumerate(items):
        for record in records:
            lines.append('\t'.join([record[0], str(n)] + list(record[1:])))
    return lines


def with_checksums(lines):
    out, chain = [], 0
    for line in lines:
        chain = binascii.crc32(line.encode('utf-8') + b'\n', chain)
        out.append('%s\t%08x' % (line, chain))
    return out


rename = journal_lines(2, 'rename', [[('item', '/w/a.dft', '/w/b.dft', '64769:12')],
                                     [('item', '/w/c\\tx.par', '/w/d.par', '')]])
props = journal_lines(2, 'properties', [[('item', 'C:\\a.par', '', ''), ('prop', 'Material', 'Text', 'S235'),
                                         ('attr', 'codepage', '1250')]])
marks = ['done\t0\t', 'failed\t1\tlocked', 'end\tcompleted', 'undo\t2026-03-10T08:00:00Z', 'undone\t0',
         'unrestored\t1\tchanged', 'undo-end']
write('journal_run', 'rename-checked', '1' + '\n'.join(with_checksums(rename + marks)) + '\nundone\t1')
write('journal_run', 'properties-checked', '1' + '\n'.join(with_checksums(props + ['done\t0\tsaved'])) + '\n')
write('journal_run', 'rename-lines', '0' + '\n'.join(rename + marks) + '\n')
write('journal_run', 'properties-lines', '0' + '\n'.join(props + ['undo\tx', 'undo-failed\t0\tlocked']) + '\n')
write('journal_run', 'version-1', '1' + '\n'.join(journal_lines(1, 'rename', [[('item', '/w/a', '/w/b', '')]])
                                                 + ['done\t0\t']) + '\n')

# Hand-over messages.
def hand_over(names):
    payload = b''.join(n + b'\0' for n in names)
    return b'KRDL-OPEN 1 %d %d\n' % (len(names), len(payload)) + payload


write('hand_over_message', 'two', hand_over([b'/w/a.dft', b'/w/cp1250_\x9a\xe8.par']))
write('hand_over_message', 'none', hand_over([]))
write('hand_over_message', 'cut', hand_over([b'/w/with space/\xc4\x8d.asm'])[:-3])

# Property set streams, from the test documents.
data = os.path.join(root, 'tests', 'data', 'compound')
for doc in ('lo_custom.doc', 'gsf_v3.ole', 'gsf_cp1250.ole', 'gsf_none.ole'):
    with olefile.OleFileIO(os.path.join(data, doc)) as ole:
        for stream in ('\x05DocumentSummaryInformation', '\x05SummaryInformation'):
            if ole.exists(stream):
                write('property_set_stream', doc.split('.')[0] + '-' + stream[1:], ole.openstream(stream).read())
