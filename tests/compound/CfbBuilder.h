#pragma once
// Builds small compound files and property set streams byte by byte, with the quirks that real
// writers produce (unaligned values, unsorted or oddly coloured directory trees, garbage in the
// high half of version 3 stream sizes, many FAT sectors). Header-only and independent of the
// engine, so that the engine is checked against files it did not write; tests that use it also
// let olefile read the result.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace cfbtest {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Add16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Add32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void Add64(Bytes& b, std::uint64_t v)
{
    Add32(b, static_cast<std::uint32_t>(v));
    Add32(b, static_cast<std::uint32_t>(v >> 32));
}

struct StreamSpec {
    std::u16string name;
    Bytes data;
};

struct BuildOptions {
    int version = 3;                 // 3: 512-byte sectors, 4: 4096-byte sectors
    bool allRed = false;             // colour every directory entry red (0) instead of black
    bool unsortedChain = false;      // siblings linked only through right links, in the given order
    std::uint32_t sizeHighGarbage = 0; // version 3: written into the high half of every stream size
    std::array<std::uint8_t, 16> rootClsid{};
    std::uint32_t freeSectorsAtEnd = 0;
    std::uint32_t paddingSectors = 0; // a filler stream of this many sectors (to force a large FAT)
};

inline constexpr std::uint32_t kFree = 0xFFFFFFFFu, kEnd = 0xFFFFFFFEu, kFatS = 0xFFFFFFFDu, kDifS = 0xFFFFFFFCu;

inline int CompareCfbNames(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? static_cast<char16_t>(a[i] - 32) : a[i];
        char16_t y = b[i] >= u'a' && b[i] <= u'z' ? static_cast<char16_t>(b[i] - 32) : b[i];
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

inline Bytes BuildCompound(std::vector<StreamSpec> streams, const BuildOptions& o = {})
{
    const std::uint32_t ss = o.version == 4 ? 4096 : 512;
    const std::uint32_t per = ss / 4;
    if (o.paddingSectors)
        streams.push_back({u"Filler", Bytes(std::size_t{o.paddingSectors} * ss, 0x5A)});

    std::vector<Bytes> sectors; // body sectors in order
    std::vector<std::uint32_t> fat;
    auto addChain = [&](const Bytes& data) -> std::uint32_t {
        const std::size_t n = (data.size() + ss - 1) / ss;
        const std::uint32_t first = static_cast<std::uint32_t>(sectors.size());
        for (std::size_t i = 0; i < n; ++i) {
            Bytes s(ss, 0);
            std::memcpy(s.data(), data.data() + i * ss, std::min<std::size_t>(ss, data.size() - i * ss));
            sectors.push_back(std::move(s));
            fat.push_back(i + 1 < n ? static_cast<std::uint32_t>(sectors.size()) : kEnd);
        }
        return n ? first : kEnd;
    };

    // Mini stream for the small streams.
    Bytes mini;
    std::vector<std::uint32_t> miniFat;
    std::vector<std::uint32_t> starts(streams.size(), kEnd);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const Bytes& d = streams[i].data;
        if (d.empty() || d.size() >= 4096)
            continue;
        const std::uint32_t first = static_cast<std::uint32_t>(mini.size() / 64);
        const std::size_t n = (d.size() + 63) / 64;
        for (std::size_t k = 0; k < n; ++k)
            miniFat.push_back(k + 1 < n ? first + static_cast<std::uint32_t>(k) + 1 : kEnd);
        mini.insert(mini.end(), d.begin(), d.end());
        mini.resize(n * 64 + first * 64, 0);
        starts[i] = first;
    }
    const std::uint32_t miniStart = addChain(mini);
    for (std::size_t i = 0; i < streams.size(); ++i)
        if (streams[i].data.size() >= 4096)
            starts[i] = addChain(streams[i].data);
    Bytes miniFatBytes;
    for (std::uint32_t v : miniFat)
        Add32(miniFatBytes, v);
    while (miniFatBytes.size() % ss)
        Add32(miniFatBytes, kFree);
    const std::uint32_t miniFatStart = addChain(miniFatBytes);
    const std::uint32_t miniFatCount = static_cast<std::uint32_t>(miniFatBytes.size() / ss);

    // Directory: root, then the streams in the given order.
    const std::size_t entries = streams.size() + 1;
    std::vector<std::uint32_t> left(entries, kFree), right(entries, kFree);
    std::uint32_t rootChild = kFree;
    if (!streams.empty()) {
        if (o.unsortedChain) {
            rootChild = 1;
            for (std::size_t i = 1; i < streams.size(); ++i)
                right[i] = static_cast<std::uint32_t>(i + 1);
        } else {
            std::vector<std::uint32_t> order;
            for (std::size_t i = 0; i < streams.size(); ++i)
                order.push_back(static_cast<std::uint32_t>(i + 1));
            std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
                return CompareCfbNames(streams[a - 1].name, streams[b - 1].name) < 0;
            });
            std::function<std::uint32_t(std::size_t, std::size_t)> build = [&](std::size_t lo, std::size_t hi) -> std::uint32_t {
                if (lo >= hi)
                    return kFree;
                const std::size_t mid = (lo + hi) / 2;
                left[order[mid]] = build(lo, mid);
                right[order[mid]] = build(mid + 1, hi);
                return order[mid];
            };
            rootChild = build(0, order.size());
        }
    }
    Bytes dir;
    auto addEntry = [&](const std::u16string& name, std::uint8_t type, std::uint32_t l, std::uint32_t r, std::uint32_t c,
                        std::uint32_t start, std::uint64_t size, const std::array<std::uint8_t, 16>* clsid) {
        const std::size_t at = dir.size();
        dir.resize(at + 128, 0);
        for (std::size_t i = 0; i < name.size(); ++i)
            Put16(dir, at + 2 * i, name[i]);
        Put16(dir, at + 64, static_cast<std::uint16_t>(name.empty() ? 0 : 2 * (name.size() + 1)));
        dir[at + 66] = type;
        dir[at + 67] = o.allRed ? 0 : 1;
        Put32(dir, at + 68, l);
        Put32(dir, at + 72, r);
        Put32(dir, at + 76, c);
        if (clsid)
            std::memcpy(dir.data() + at + 80, clsid->data(), 16);
        Put32(dir, at + 116, start);
        Put32(dir, at + 120, static_cast<std::uint32_t>(size));
        Put32(dir, at + 124, static_cast<std::uint32_t>(size >> 32));
    };
    addEntry(u"Root Entry", 5, kFree, kFree, rootChild, mini.empty() ? kEnd : miniStart, mini.size(), &o.rootClsid);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        std::uint64_t size = streams[i].data.size();
        if (o.version == 3)
            size |= std::uint64_t{o.sizeHighGarbage} << 32;
        addEntry(streams[i].name, 2, left[i + 1], right[i + 1], kFree, starts[i], size, nullptr);
    }
    while (dir.size() % ss) {
        const std::size_t at = dir.size();
        dir.resize(at + 128, 0);
        Put32(dir, at + 68, kFree);
        Put32(dir, at + 72, kFree);
        Put32(dir, at + 76, kFree);
    }
    const std::uint32_t dirStart = addChain(dir);
    const std::uint32_t dirCount = static_cast<std::uint32_t>(dir.size() / ss);

    // FAT and DIFAT sectors: enough to cover every sector including themselves.
    const std::uint32_t base = static_cast<std::uint32_t>(sectors.size()) + o.freeSectorsAtEnd;
    std::uint32_t nFat = 1, nDifat = 0;
    for (;;) {
        const std::uint32_t total = base + nFat + nDifat;
        const std::uint32_t needFat = (total + per - 1) / per;
        const std::uint32_t needDifat = needFat > 109 ? (needFat - 109 + per - 2) / (per - 1) : 0;
        if (needFat == nFat && needDifat == nDifat)
            break;
        nFat = needFat;
        nDifat = needDifat;
    }
    for (std::uint32_t i = 0; i < o.freeSectorsAtEnd; ++i) {
        sectors.emplace_back(ss, 0xEE);
        fat.push_back(kFree);
    }
    const std::uint32_t fatStart = static_cast<std::uint32_t>(sectors.size());
    for (std::uint32_t i = 0; i < nFat; ++i) {
        sectors.emplace_back(ss, 0);
        fat.push_back(kFatS);
    }
    const std::uint32_t difatStart = static_cast<std::uint32_t>(sectors.size());
    for (std::uint32_t i = 0; i < nDifat; ++i) {
        sectors.emplace_back(ss, 0);
        fat.push_back(kDifS);
    }
    fat.resize(std::size_t{nFat} * per, kFree);
    for (std::uint32_t i = 0; i < nFat; ++i)
        for (std::uint32_t j = 0; j < per; ++j)
            Put32(sectors[fatStart + i], 4 * j, fat[std::size_t{i} * per + j]);
    for (std::uint32_t d = 0; d < nDifat; ++d) {
        for (std::uint32_t j = 0; j < per - 1; ++j) {
            const std::uint32_t k = 109 + d * (per - 1) + j;
            Put32(sectors[difatStart + d], 4 * j, k < nFat ? fatStart + k : kFree);
        }
        Put32(sectors[difatStart + d], 4 * (per - 1), d + 1 < nDifat ? difatStart + d + 1 : kEnd);
    }

    Bytes header(ss, 0);
    const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(header.data(), sig, 8);
    Put16(header, 24, 0x3E);
    Put16(header, 26, static_cast<std::uint16_t>(o.version));
    Put16(header, 28, 0xFFFE);
    Put16(header, 30, o.version == 4 ? 12 : 9);
    Put16(header, 32, 6);
    Put32(header, 40, o.version == 4 ? dirCount : 0);
    Put32(header, 44, nFat);
    Put32(header, 48, dirStart);
    Put32(header, 56, 4096);
    Put32(header, 60, miniFatCount ? miniFatStart : kEnd);
    Put32(header, 64, miniFatCount);
    Put32(header, 68, nDifat ? difatStart : kEnd);
    Put32(header, 72, nDifat);
    for (std::uint32_t i = 0; i < 109; ++i)
        Put32(header, 76 + 4 * i, i < nFat ? fatStart + i : kFree);

    Bytes out = header;
    for (const Bytes& s : sectors)
        out.insert(out.end(), s.begin(), s.end());
    return out;
}

// --- property set streams

// One typed value as stored in a section.
inline Bytes Lpstr(const std::string& bytesInCodePage)
{
    Bytes b;
    Add32(b, 30);
    Add32(b, static_cast<std::uint32_t>(bytesInCodePage.size() + 1));
    b.insert(b.end(), bytesInCodePage.begin(), bytesInCodePage.end());
    b.push_back(0);
    return b;
}
inline Bytes Lpwstr(const std::u16string& text)
{
    Bytes b;
    Add32(b, 31);
    Add32(b, static_cast<std::uint32_t>(text.size() + 1));
    for (char16_t c : text)
        Add16(b, c);
    Add16(b, 0);
    return b;
}
inline Bytes I4(std::int32_t v)
{
    Bytes b;
    Add32(b, 3);
    Add32(b, static_cast<std::uint32_t>(v));
    return b;
}
inline Bytes I2(std::int16_t v)
{
    Bytes b;
    Add32(b, 2);
    Add16(b, static_cast<std::uint16_t>(v));
    Add16(b, 0);
    return b;
}
inline Bytes Bool(bool v)
{
    Bytes b;
    Add32(b, 11);
    Add16(b, v ? 0xFFFF : 0);
    Add16(b, 0);
    return b;
}
inline Bytes R8(double v)
{
    Bytes b;
    Add32(b, 5);
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Add64(b, bits);
    return b;
}
inline Bytes Filetime(std::uint64_t v)
{
    Bytes b;
    Add32(b, 64);
    Add64(b, v);
    return b;
}
inline Bytes Blob(const Bytes& data)
{
    Bytes b;
    Add32(b, 65);
    Add32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}
// A dictionary; `unicode` for a code page 1200 section (names UTF-16, entries padded to 4).
inline Bytes Dictionary(const std::vector<std::pair<std::uint32_t, std::u16string>>& names, bool unicode)
{
    Bytes b;
    Add32(b, static_cast<std::uint32_t>(names.size()));
    for (const auto& [id, name] : names) {
        Add32(b, id);
        Add32(b, static_cast<std::uint32_t>(name.size() + 1));
        if (unicode) {
            for (char16_t c : name)
                Add16(b, c);
            Add16(b, 0);
            while (b.size() % 4)
                b.push_back(0);
        } else {
            for (char16_t c : name)
                b.push_back(static_cast<std::uint8_t>(c));
            b.push_back(0);
        }
    }
    return b;
}

struct RawProperty {
    std::uint32_t id;
    Bytes value;
};

// A section with the values laid out in the given order. With `misalign` every value starts
// one byte after a 4-byte boundary.
inline Bytes Section(const std::vector<RawProperty>& props, bool misalign = false)
{
    Bytes values;
    std::vector<std::uint32_t> offsets;
    const std::size_t tableEnd = 8 + 8 * props.size();
    for (const RawProperty& p : props) {
        if (misalign)
            values.push_back(0xCC);
        offsets.push_back(static_cast<std::uint32_t>(tableEnd + values.size()));
        values.insert(values.end(), p.value.begin(), p.value.end());
        while (values.size() % 4)
            values.push_back(0);
    }
    while (values.size() % 4)
        values.push_back(0);
    Bytes b;
    Add32(b, static_cast<std::uint32_t>(tableEnd + values.size()));
    Add32(b, static_cast<std::uint32_t>(props.size()));
    for (std::size_t i = 0; i < props.size(); ++i) {
        Add32(b, props[i].id);
        Add32(b, offsets[i]);
    }
    b.insert(b.end(), values.begin(), values.end());
    return b;
}

inline const std::array<std::uint8_t, 16> kDocSummaryFmtid = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                                            0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
inline const std::array<std::uint8_t, 16> kUserFmtid = {0x05, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                                       0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

inline Bytes PropertyStream(const std::vector<std::pair<std::array<std::uint8_t, 16>, Bytes>>& sections)
{
    Bytes b;
    Add16(b, 0xFFFE);
    Add16(b, 0);
    Add32(b, 0x00020006);
    b.resize(24, 0);
    Add32(b, static_cast<std::uint32_t>(sections.size()));
    std::size_t at = 28 + 20 * sections.size();
    for (const auto& [fmtid, bytes] : sections) {
        b.insert(b.end(), fmtid.begin(), fmtid.end());
        Add32(b, static_cast<std::uint32_t>(at));
        at += bytes.size();
    }
    for (const auto& s : sections)
        b.insert(b.end(), s.second.begin(), s.second.end());
    return b;
}

inline const std::u16string kDsiName = u"\u0005DocumentSummaryInformation";

// --- the document's own property sets

inline const std::array<std::uint8_t, 16> kSummaryFmtid = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                         0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
inline const std::array<std::uint8_t, 16> kProjectFmtid = {0xB1, 0xD0, 0xD6, 0xF0, 0xD8, 0xA0, 0xCE, 0x11,
                                                         0x8A, 0xA2, 0x08, 0x00, 0x36, 0x01, 0xE9, 0x88};
inline const std::array<std::uint8_t, 16> kExtendedFmtid = {0xA2, 0x4F, 0x02, 0xCC, 0xB5, 0x6E, 0xCE, 0x11,
                                                          0x8A, 0xA2, 0x08, 0x00, 0x36, 0x01, 0xE9, 0x88};
inline const std::array<std::uint8_t, 16> kMechanicalFmtid = {0xCA, 0x4F, 0x02, 0xCC, 0xB5, 0x6E, 0xCE, 0x11,
                                                            0x8A, 0xA2, 0x08, 0x00, 0x36, 0x01, 0xE9, 0x88};
inline const std::u16string kSummaryName = u"\u0005SummaryInformation";
inline const std::u16string kProjectName = u"\u0005Rfunnyd1AvtdbfkuIaamtae3Ie";
inline const std::u16string kExtendedName = u"\u0005C3teagxwOttdbfkuIaamtae3Ie";
inline const std::u16string kMechanicalName = u"\u0005K4teagxwOttdbfkuIaamtae3Ie";

// A VT_LPSTR in a code page 1200 section: UTF-16 counted in bytes.
inline Bytes UnicodeLpstr(const std::u16string& text)
{
    Bytes b;
    Add32(b, 30);
    Add32(b, static_cast<std::uint32_t>(2 * text.size() + 2));
    for (char16_t c : text)
        Add16(b, c);
    Add16(b, 0);
    return b;
}

// Which of the document's own sets `SolidEdgeDocument` leaves out.
struct SystemSetsLeftOut {
    bool summary = false;
    bool documentSummary = false;
    bool project = false;
};

// A part as Solid Edge leaves it, as far as the public descriptions of its sets go: the summary
// information set in `codePage` (`text` is a title already in that code page), the document
// summary information with a company and one custom property, the project information set with
// the dictionary naming its three ids, status and material, and a stream of its own data.
inline Bytes SolidEdgeDocument(std::uint16_t codePage = 1252, Bytes title = {}, SystemSetsLeftOut leftOut = {})
{
    const auto text = [&](const std::string& ascii) {
        return codePage == 1200 ? UnicodeLpstr(std::u16string(ascii.begin(), ascii.end())) : Lpstr(ascii);
    };
    if (title.empty())
        title = text("Bracket");
    std::vector<StreamSpec> streams = {{u"JSitesList", Bytes(900, 0x5A)}};
    if (!leftOut.summary)
        streams.push_back({kSummaryName, PropertyStream({{kSummaryFmtid, Section({{1, I2(static_cast<std::int16_t>(codePage))},
                                                                                  {2, title},
                                                                                  {4, text("Ana")},
                                                                                  {7, text("Normal.par")},
                                                                                  {8, text("Bojan")},
                                                                                  {9, text("7")},
                                                                                  {12, Filetime(132223104000000000ull)},
                                                                                  {13, Filetime(132233104000000000ull)},
                                                                                  {18, text("Solid Edge")}})}})});
    if (!leftOut.documentSummary)
        streams.push_back({kDsiName, PropertyStream({{kDocSummaryFmtid, Section({{1, I2(static_cast<std::int16_t>(codePage))}, {15, text("Krdl d.o.o.")}})},
                                                     {kUserFmtid, Section({{1, I2(1252)}, {0, Dictionary({{2, u"Mass"}}, false)}, {2, Lpstr("12 kg")}})}})});
    if (!leftOut.project)
        streams.push_back({kProjectName, PropertyStream({{kProjectFmtid, Section({{1, I2(1252)},
                                                                                  {0, Dictionary({{2, u"Document Number"}, {3, u"Revision"}, {4, u"Project Name"}}, false)},
                                                                                  {2, Lpstr("D-100")},
                                                                                  {3, Lpstr("A")},
                                                                                  {4, Lpstr("Crane")}})}})});
    streams.push_back({kExtendedName, PropertyStream({{kExtendedFmtid, Section({{1, I2(1252)}, {2, Lpstr("Solid Edge")}, {7, I4(1)}})}})});
    streams.push_back({kMechanicalName, PropertyStream({{kMechanicalFmtid, Section({{1, I2(1252)}, {3, Lpstr("Steel")}})}})});
    return BuildCompound(streams);
}

} // namespace cfbtest
