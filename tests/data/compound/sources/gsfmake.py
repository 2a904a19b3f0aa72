import sys, gi
gi.require_version('Gsf', '1')
from gi.repository import Gsf, GObject, GLib
Gsf.init()

def make(path, bb, user, extra_streams, clsid=None, storages=()):
    sink = Gsf.OutputStdio.new(path)
    ole = Gsf.OutfileMSOle.new_full(sink, bb, 64)
    if clsid:
        ole.set_class_id(clsid)
    for name, data in extra_streams:
        s = ole.new_child(name, False)
        for at in range(0, len(data), 1 << 20):
            s.write(data[at:at + (1 << 20)])
        s.close()
    for name, children in storages:
        st = ole.new_child(name, True)
        for child, data in children:
            s = st.new_child(child, False)
            s.write(data)
            s.close()
        st.close()
    md = Gsf.DocMetaData.new()
    for k, v in user:
        md.insert(k, v)
    s = ole.new_child('\x05DocumentSummaryInformation', False)
    md.write_to_msole(s, True)
    s.close()
    s = ole.new_child('\x05SummaryInformation', False)
    md.write_to_msole(s, False)
    s.close()
    ole.close()

def val(t, v):
    g = GObject.Value(t, v)
    return g

ts = Gsf.Timestamp.new()
ts.set_time(1715941800)
tsv = GObject.Value(Gsf.Timestamp, ts)
user = [('Material', val(str, 'S235')), ('Quantity', val(int, 42)), ('Weight', val(float, 3.25)),
        ('Approved', val(bool, True)), ('Released', tsv), ('Opomba', val(str, 'Čćžš'))]
kind = sys.argv[1]
if kind == 'v3':
    make(sys.argv[2], 512, user, [('Payload', b'P' * 5000), ('Small', b'small stream')])
elif kind == 'v4':
    make(sys.argv[2], 4096, user, [('Payload', b'Q' * 9000), ('Small', b'small v4')])
elif kind.startswith('cp'):
    cp = int(kind[2:])
    u = [('msole:codepage', val(int, cp)), ('Material', val(str, 'S235')), ('Opis', val(str, 'Žaga'))]
    make(sys.argv[2], 512, u, [('Payload', b'C' * 4500)])
elif kind == 'part':
    # A part-shaped document of about MEGABYTES MB with 512-byte sectors: one large model stream
    # (more than 109 FAT sectors from 7 MB on, so a DIFAT chain), a storage, a thumbnail, and the
    # property streams, which libgsf puts into the mini stream at the end of the file.
    megabytes = int(sys.argv[3])
    body = bytes(range(256)) * (megabytes * 4096)
    u = [('Property %c' % (65 + i), val(str, 'Value %d of a part' % i)) for i in range(18)]
    u += [('Quantity', val(int, 42)), ('Released', tsv)]
    make(sys.argv[2], 512, u, [('JSite', body), ('Thumbnail', b'T' * 3000)],
         clsid=bytes.fromhex('8c3a1e5f0b7d4e21a9c6d2f4b1e07a35'),
         storages=[('JProperties', [('Attributes', b'A' * 1500)])])
else:
    make(sys.argv[2], 512, [], [('Payload', b'R' * 3000)])
