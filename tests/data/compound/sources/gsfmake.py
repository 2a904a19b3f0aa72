import sys, gi
gi.require_version('Gsf', '1')
from gi.repository import Gsf, GObject, GLib
Gsf.init()

def make(path, bb, user, extra_streams):
    sink = Gsf.OutputStdio.new(path)
    ole = Gsf.OutfileMSOle.new_full(sink, bb, 64)
    for name, data in extra_streams:
        s = ole.new_child(name, False)
        s.write(data)
        s.close()
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
else:
    make(sys.argv[2], 512, [], [('Payload', b'R' * 3000)])
