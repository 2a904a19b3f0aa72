#include "compound/InPlaceWriter.h"

#include "compound/Cfb.h"
#include "compound/Layout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <set>
#include <unordered_set>

namespace cfb {

namespace {

// A chain of ordinary sectors being edited: where each of its sectors will be, and whether that
// place is new in this save (and so may be written).
struct ChainEdit {
    std::vector<std::uint32_t> locs;
    std::vector<bool> fresh;
    void Reset(std::vector<std::uint32_t> l)
    {
        locs = std::move(l);
        fresh.assign(locs.size(), false);
    }
};

std::uint64_t DivUp(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

class Transaction {
public:
    explicit Transaction(CompoundReader& r);
    void Replace(std::optional<std::uint32_t> entry, const std::u16string& name, const std::vector<std::uint8_t>& content);

private:
    // --- ordinary sectors and the FAT
    std::uint32_t AllocSector();
    void SetFat(std::uint32_t sector, std::uint32_t value);
    void EnsureFatCovers(std::uint32_t sector);
    void Protect(const std::vector<std::uint32_t>& sectors) { m_protected.insert(sectors.begin(), sectors.end()); }
    static void Claim(std::unordered_set<std::uint32_t>& claimed, const std::vector<std::uint32_t>& sectors)
    {
        for (std::uint32_t s : sectors)
            if (!claimed.insert(s).second)
                throw Error("the file is damaged: two of its structures share sector " + std::to_string(s));
    }
    bool Allowed(std::uint32_t sector) const;
    // --- chains whose links live in the FAT
    void Cow(ChainEdit& chain, std::size_t index);
    void Append(ChainEdit& chain, std::vector<std::uint8_t> content);
    std::uint8_t* Bytes(ChainEdit& chain, std::size_t index);
    void Relink(const ChainEdit& chain);
    // --- mini stream
    std::uint32_t AllocMini();
    void SetMini(std::uint32_t mini, std::uint32_t value);
    void WriteMini(std::uint32_t mini, const std::uint8_t* data, std::size_t length);
    // --- directory
    std::uint8_t* EntryBytes(std::uint32_t index);
    const std::uint8_t* PeekEntry(std::uint32_t index);
    DirectoryEntry ReadEntry(std::uint32_t index);
    // Writes the entry's fields through a copy of its sector made for this save.
    void WriteEntry(std::uint32_t index, const DirectoryEntry& e);
    std::uint32_t NewEntry(const std::u16string& name);
    // --- steps
    void FreeOldStream(const DirectoryEntry& e);
    std::pair<std::uint32_t, std::uint64_t> WriteStream(const std::vector<std::uint8_t>& content);
    void FinishTables();
    void Commit();

    CompoundReader& m_r;
    Header m_h;
    std::uint32_t m_ss;
    std::uint32_t m_per;
    std::uint32_t m_perDir;
    std::uint32_t m_fileSectors;
    bool m_v3;

    std::vector<std::uint32_t> m_oldFat, m_fat;
    std::vector<std::uint32_t> m_fatLocs;
    std::vector<bool> m_fatFresh;
    std::set<std::uint32_t> m_dirtyFat;
    std::uint32_t m_oldFatSectors;
    std::vector<std::uint32_t> m_difatLocs;
    bool m_difatFresh = false;
    std::unordered_set<std::uint32_t> m_protected;
    std::unordered_set<std::uint32_t> m_claimed; // sectors of the tables and the directory
    std::vector<std::uint32_t> m_freeList;
    std::size_t m_freeNext = 0;
    std::uint64_t m_nextAppend;
    std::uint64_t m_appendLimit = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> m_pending;

    ChainEdit m_dir, m_container, m_miniTable;
    std::vector<std::uint32_t> m_mini;
    std::set<std::uint32_t> m_dirtyMini;
    std::vector<std::uint32_t> m_miniFree;
    std::size_t m_miniFreeNext = 0;
    std::uint64_t m_miniCount;
    std::uint64_t m_oldRootSize;
    std::uint32_t m_oldRootStart;
};

Transaction::Transaction(CompoundReader& r)
    : m_r(r),
      m_h(r.Head()),
      m_ss(m_h.SectorSize()),
      m_per(m_ss / 4),
      m_perDir(m_ss / DirectoryEntry::kSize),
      m_fileSectors(r.Sectors().SectorCount()),
      m_v3(m_h.sectorShift == 9),
      m_oldFatSectors(m_h.fatSectorCount)
{
    if (!r.File().Writable())
        throw Error("the file is open for reading only");
    Fat& fat = r.Table();
    m_oldFat = fat.AllEntries();
    m_fat = m_oldFat;
    for (std::uint32_t i = 0; i < m_h.fatSectorCount; ++i) {
        m_fatLocs.push_back(fat.FatSectorLocation(i));
        m_fatFresh.push_back(false);
    }
    Protect(m_fatLocs);
    m_difatLocs = fat.DifatSectorLocations();
    Protect(m_difatLocs);
    m_dir.Reset(fat.Chain(m_h.firstDirectorySector, m_fileSectors));
    Protect(m_dir.locs);

    const DirectoryEntry root = r.Root();
    m_oldRootSize = root.size;
    m_oldRootStart = root.start;
    m_container.Reset(root.size > 0 && root.start <= kMaxRegSect ? fat.Chain(root.start, m_fileSectors)
                                                                : std::vector<std::uint32_t>{});
    Protect(m_container.locs);
    m_miniTable.Reset(m_h.firstMiniFatSector <= kMaxRegSect ? fat.Chain(m_h.firstMiniFatSector, m_fileSectors)
                                                          : std::vector<std::uint32_t>{});
    Protect(m_miniTable.locs);
    r.Sectors().Prefetch(m_miniTable.locs);
    for (std::uint32_t s : m_miniTable.locs) {
        const std::uint8_t* bytes = r.Sectors().Sector(s);
        for (std::uint32_t j = 0; j < m_per; ++j)
            m_mini.push_back(Get32(bytes + 4 * j));
    }
    if (DivUp(m_oldRootSize, m_ss) > m_container.locs.size())
        throw Error("the mini stream is shorter than the root entry says");
    m_miniCount = DivUp(m_oldRootSize, m_h.MiniSectorSize());
    for (std::uint64_t m = 0; m < std::min<std::uint64_t>(m_miniCount, m_mini.size()); ++m)
        if (m_mini[m] == kFreeSect)
            m_miniFree.push_back(static_cast<std::uint32_t>(m));

    // The tables and the directory must not share sectors: a save that moved one of them would
    // otherwise change the other behind its back.
    std::unordered_set<std::uint32_t> claimed;
    for (const std::vector<std::uint32_t>* chain : {&m_fatLocs, &m_difatLocs, &m_dir.locs, &m_container.locs, &m_miniTable.locs})
        Claim(claimed, *chain);
    m_claimed = std::move(claimed);

    for (std::uint32_t s = 0; s < std::min<std::uint64_t>(m_fileSectors, m_oldFat.size()); ++s)
        if (m_oldFat[s] == kFreeSect && !m_protected.count(s))
            m_freeList.push_back(s);
    m_nextAppend = m_fileSectors;
    // Everything a save can move plus room for the new stream: a damaged table that asks for
    // more ends in an error instead of an ever-growing file.
    m_appendLimit = std::uint64_t{m_fileSectors} + m_fatLocs.size() + m_difatLocs.size() + m_dir.locs.size()
        + m_container.locs.size() + m_miniTable.locs.size() + 256;
}

bool Transaction::Allowed(std::uint32_t s) const
{
    if (s >= m_fileSectors)
        return true;
    return s < m_oldFat.size() && m_oldFat[s] == kFreeSect && !m_protected.count(s);
}

// The two reasons a save may not grow the file further, each with its own message.
[[noreturn]] void TooLarge()
{
    throw Error("the file would grow beyond the largest size the format allows");
}
[[noreturn]] void TablesInconsistent()
{
    throw Error("the file's allocation table does not match the file: a save would grow it without end");
}

std::uint32_t Transaction::AllocSector()
{
    std::uint64_t s = m_freeNext < m_freeList.size() ? m_freeList[m_freeNext++] : m_nextAppend++;
    if (s >= kMaxRegSect)
        TooLarge();
    if (m_nextAppend > m_appendLimit)
        TablesInconsistent();
    SetFat(static_cast<std::uint32_t>(s), kEndOfChain);
    return static_cast<std::uint32_t>(s);
}

void Transaction::EnsureFatCovers(std::uint32_t sector)
{
    std::vector<std::uint32_t> added;
    while (sector >= m_fat.size() || (!added.empty() && added.back() >= m_fat.size())) {
        if (m_nextAppend >= kMaxRegSect)
            TooLarge();
        if (m_nextAppend > m_appendLimit)
            TablesInconsistent();
        const auto loc = static_cast<std::uint32_t>(m_nextAppend++);
        m_fat.resize(m_fat.size() + m_per, kFreeSect);
        m_fatLocs.push_back(loc);
        m_fatFresh.push_back(true);
        m_dirtyFat.insert(static_cast<std::uint32_t>(m_fatLocs.size() - 1));
        added.push_back(loc);
    }
    for (std::uint32_t loc : added) {
        m_fat[loc] = kFatSect;
        m_dirtyFat.insert(loc / m_per);
    }
}

void Transaction::SetFat(std::uint32_t sector, std::uint32_t value)
{
    EnsureFatCovers(sector);
    if (m_fat[sector] != value) {
        m_fat[sector] = value;
        m_dirtyFat.insert(sector / m_per);
    }
}

void Transaction::Cow(ChainEdit& chain, std::size_t index)
{
    if (chain.fresh[index])
        return;
    const std::uint32_t old = chain.locs[index];
    const std::uint32_t copy = AllocSector();
    const std::uint8_t* bytes = m_r.Sectors().Sector(old);
    m_pending[copy].assign(bytes, bytes + m_ss);
    SetFat(old, kFreeSect);
    chain.locs[index] = copy;
    chain.fresh[index] = true;
}

void Transaction::Append(ChainEdit& chain, std::vector<std::uint8_t> content)
{
    const std::uint32_t s = AllocSector();
    content.resize(m_ss, 0);
    m_pending[s] = std::move(content);
    chain.locs.push_back(s);
    chain.fresh.push_back(true);
}

std::uint8_t* Transaction::Bytes(ChainEdit& chain, std::size_t index)
{
    Cow(chain, index);
    return m_pending[chain.locs[index]].data();
}

void Transaction::Relink(const ChainEdit& chain)
{
    for (std::size_t i = 0; i < chain.locs.size(); ++i)
        SetFat(chain.locs[i], i + 1 < chain.locs.size() ? chain.locs[i + 1] : kEndOfChain);
}

void Transaction::SetMini(std::uint32_t mini, std::uint32_t value)
{
    while (mini >= m_mini.size()) {
        Append(m_miniTable, std::vector<std::uint8_t>(m_ss, 0xFF));
        m_mini.resize(m_mini.size() + m_per, kFreeSect);
    }
    if (m_mini[mini] != value) {
        m_mini[mini] = value;
        m_dirtyMini.insert(mini / m_per);
    }
}

std::uint32_t Transaction::AllocMini()
{
    std::uint64_t m = m_miniFreeNext < m_miniFree.size() ? m_miniFree[m_miniFreeNext++] : m_miniCount++;
    if (m >= kMaxRegSect)
        throw Error("the mini stream would grow too large");
    SetMini(static_cast<std::uint32_t>(m), kEndOfChain);
    return static_cast<std::uint32_t>(m);
}

void Transaction::WriteMini(std::uint32_t mini, const std::uint8_t* data, std::size_t length)
{
    const std::uint32_t ms = m_h.MiniSectorSize();
    const std::uint64_t offset = std::uint64_t{mini} * ms;
    const std::size_t index = static_cast<std::size_t>(offset / m_ss);
    while (index >= m_container.locs.size())
        Append(m_container, {});
    std::uint8_t* p = Bytes(m_container, index) + offset % m_ss;
    std::memcpy(p, data, length);
    std::memset(p + length, 0, ms - length);
}

const std::uint8_t* Transaction::PeekEntry(std::uint32_t index)
{
    const std::size_t k = index / m_perDir;
    if (k >= m_dir.locs.size())
        throw Error("directory link out of range");
    const std::uint32_t s = m_dir.locs[k];
    const std::uint8_t* base = m_dir.fresh[k] ? m_pending[s].data() : m_r.Sectors().Sector(s);
    return base + (index % m_perDir) * DirectoryEntry::kSize;
}

std::uint8_t* Transaction::EntryBytes(std::uint32_t index)
{
    const std::size_t k = index / m_perDir;
    if (k >= m_dir.locs.size())
        throw Error("directory link out of range");
    return Bytes(m_dir, k) + (index % m_perDir) * DirectoryEntry::kSize;
}

DirectoryEntry Transaction::ReadEntry(std::uint32_t index)
{
    return DirectoryEntry::Parse(PeekEntry(index), m_v3);
}

void Transaction::WriteEntry(std::uint32_t index, const DirectoryEntry& e)
{
    e.WriteInto(EntryBytes(index), m_v3);
}

std::uint32_t Transaction::NewEntry(const std::u16string& name)
{
    const std::uint32_t total = static_cast<std::uint32_t>(m_dir.locs.size()) * m_perDir;
    // An unused entry may be taken only when no link points at it (some writers leave links
    // to entries they emptied).
    std::unordered_set<std::uint32_t> linked;
    std::vector<std::uint32_t> unused;
    for (std::uint32_t i = 0; i < total; ++i) {
        const DirectoryEntry e = ReadEntry(i);
        if (e.type == EntryType::Unused) {
            if (i != 0)
                unused.push_back(i);
            continue;
        }
        linked.insert({e.left, e.right, e.child});
    }
    std::uint32_t index = total;
    for (std::uint32_t i : unused)
        if (!linked.count(i)) {
            index = i;
            break;
        }
    if (index == total) {
        std::vector<std::uint8_t> sector(m_ss, 0);
        for (std::uint32_t i = 0; i < m_perDir; ++i)
            DirectoryEntry{}.WriteInto(sector.data() + i * DirectoryEntry::kSize, m_v3);
        Append(m_dir, std::move(sector));
    }

    // Hang the entry into the root's tree as a leaf, at the place the tree's order gives it.
    std::uint32_t parent = kNoStream;
    bool toLeft = false;
    std::uint32_t at = ReadEntry(0).child;
    for (std::uint32_t steps = 0; at != kNoStream; ++steps) {
        if (steps > total)
            throw Error("loop in the directory tree");
        const DirectoryEntry e = ReadEntry(at);
        const int c = CompareNames(name, e.name);
        if (c == 0)
            throw Error("the directory already holds an entry of that name");
        parent = at;
        toLeft = c < 0;
        at = toLeft ? e.left : e.right;
    }
    Color parentColor = Color::Black;
    if (parent == kNoStream) {
        DirectoryEntry root = ReadEntry(0);
        root.child = index;
        WriteEntry(0, root);
    } else {
        DirectoryEntry p = ReadEntry(parent);
        parentColor = p.color;
        (toLeft ? p.left : p.right) = index;
        WriteEntry(parent, p);
    }

    DirectoryEntry e;
    e.name = name;
    e.type = EntryType::Stream;
    // A red leaf under a black parent keeps the tree's black height; under a red parent (a tree
    // some writer coloured its own way) a black leaf avoids two reds in a row.
    e.color = parentColor == Color::Black ? Color::Red : Color::Black;
    e.start = kEndOfChain;
    e.size = 0;
    std::uint8_t* p = EntryBytes(index);
    std::memset(p, 0, DirectoryEntry::kSize);
    e.WriteInto(p, m_v3);
    return index;
}

void Transaction::FreeOldStream(const DirectoryEntry& e)
{
    if (e.size == 0)
        return;
    if (e.size < m_h.miniStreamCutoff) {
        MiniStream& mini = m_r.MiniSectors();
        std::uint32_t m = e.start;
        const std::uint64_t count = DivUp(e.size, m_h.MiniSectorSize());
        std::vector<std::uint32_t> minis;
        for (std::uint64_t i = 0; i < count && m <= kMaxRegSect; ++i) {
            minis.push_back(m);
            m = mini.Next(m);
        }
        std::unordered_set<std::uint32_t> seen;
        Claim(seen, minis);
        for (std::uint32_t x : minis)
            SetMini(x, kFreeSect);
    } else {
        LazyChain chain(m_r.Table(), e.start, DivUp(e.size, m_ss));
        const std::uint64_t count = DivUp(e.size, m_ss);
        std::vector<std::uint32_t> sectors;
        for (std::uint64_t i = 0; i < count && chain.Has(i); ++i)
            sectors.push_back(chain.At(i));
        Claim(m_claimed, sectors);
        for (std::uint32_t s : sectors)
            SetFat(s, kFreeSect);
    }
}

std::pair<std::uint32_t, std::uint64_t> Transaction::WriteStream(const std::vector<std::uint8_t>& content)
{
    const std::uint64_t size = content.size();
    if (size == 0)
        return {kEndOfChain, 0};
    if (size >= m_h.miniStreamCutoff) {
        std::vector<std::uint32_t> sectors;
        for (std::uint64_t at = 0; at < size; at += m_ss) {
            const std::uint32_t s = AllocSector();
            std::vector<std::uint8_t> bytes(m_ss, 0);
            std::memcpy(bytes.data(), content.data() + at, static_cast<std::size_t>(std::min<std::uint64_t>(m_ss, size - at)));
            m_pending[s] = std::move(bytes);
            sectors.push_back(s);
        }
        for (std::size_t i = 0; i < sectors.size(); ++i)
            SetFat(sectors[i], i + 1 < sectors.size() ? sectors[i + 1] : kEndOfChain);
        return {sectors.front(), size};
    }
    const std::uint32_t ms = m_h.MiniSectorSize();
    std::vector<std::uint32_t> minis;
    for (std::uint64_t at = 0; at < size; at += ms)
        minis.push_back(AllocMini());
    for (std::size_t i = 0; i < minis.size(); ++i) {
        const std::uint64_t at = std::uint64_t{i} * ms;
        WriteMini(minis[i], content.data() + at, static_cast<std::size_t>(std::min<std::uint64_t>(ms, size - at)));
        SetMini(minis[i], i + 1 < minis.size() ? minis[i + 1] : kEndOfChain);
    }
    return {minis.front(), size};
}

void Transaction::Replace(std::optional<std::uint32_t> entry, const std::u16string& name,
                          const std::vector<std::uint8_t>& content)
{
    m_appendLimit += 2 * DivUp(content.size(), m_ss) + 16;
    if (entry) {
        const DirectoryEntry e = ReadEntry(*entry);
        if (e.type != EntryType::Stream)
            throw Error("directory entry is not a stream");
        FreeOldStream(e);
    }
    const auto [start, size] = WriteStream(content);

    // Mini table sectors that changed move to new places before the tables are linked.
    for (std::uint32_t k : m_dirtyMini) {
        std::uint8_t* p = Bytes(m_miniTable, k);
        for (std::uint32_t j = 0; j < m_per; ++j)
            Put32(p + 4 * j, m_mini[std::size_t{k} * m_per + j]);
    }

    const std::uint32_t index = entry ? *entry : NewEntry(name);
    DirectoryEntry stream = ReadEntry(index);
    stream.start = start;
    stream.size = size;
    WriteEntry(index, stream);
    const std::uint64_t rootSize = std::max<std::uint64_t>(m_oldRootSize, m_miniCount * m_h.MiniSectorSize());
    const std::uint32_t rootStart = m_container.locs.empty() ? m_oldRootStart : m_container.locs.front();
    if (rootSize != m_oldRootSize || rootStart != m_oldRootStart) {
        DirectoryEntry root = ReadEntry(0);
        root.start = rootStart;
        root.size = rootSize;
        WriteEntry(0, root);
    }

    Relink(m_container);
    Relink(m_miniTable);
    Relink(m_dir);
    m_h.firstDirectorySector = m_dir.locs.front();
    if (!m_v3 || m_h.directorySectorCount != 0)
        m_h.directorySectorCount = static_cast<std::uint32_t>(m_dir.locs.size());
    m_h.firstMiniFatSector = m_miniTable.locs.empty() ? kEndOfChain : m_miniTable.locs.front();
    m_h.miniFatSectorCount = static_cast<std::uint32_t>(m_miniTable.locs.size());

    FinishTables();
    Commit();
}

void Transaction::FinishTables()
{
    const std::uint32_t perDifat = layout::DifatEntriesPerSector(m_ss);
    for (;;) {
        bool changed = false;
        const std::vector<std::uint32_t> dirty(m_dirtyFat.begin(), m_dirtyFat.end());
        for (std::uint32_t k : dirty) {
            if (m_fatFresh[k])
                continue;
            const std::uint32_t old = m_fatLocs[k];
            const std::uint32_t moved = AllocSector();
            m_fatLocs[k] = moved;
            m_fatFresh[k] = true;
            SetFat(moved, kFatSect);
            SetFat(old, kFreeSect);
            changed = true;
        }
        const std::size_t fatCount = m_fatLocs.size();
        const std::size_t needed = fatCount > Header::kHeaderDifat ? DivUp(fatCount - Header::kHeaderDifat, perDifat) : 0;
        bool difatChanged = fatCount != m_oldFatSectors;
        for (std::size_t k = Header::kHeaderDifat; k < fatCount && !difatChanged; ++k)
            difatChanged = m_fatFresh[k];
        if (difatChanged && !m_difatFresh) {
            for (std::uint32_t old : m_difatLocs)
                SetFat(old, kFreeSect);
            m_difatLocs.clear();
            m_difatFresh = true;
            changed = true;
        }
        while (m_difatFresh && m_difatLocs.size() < needed) {
            const std::uint32_t s = AllocSector();
            SetFat(s, kDifSect);
            m_difatLocs.push_back(s);
            changed = true;
        }
        if (!changed)
            break;
    }

    for (std::size_t k = 0; k < m_fatLocs.size(); ++k) {
        if (!m_fatFresh[k])
            continue;
        std::vector<std::uint8_t> bytes(m_ss);
        for (std::uint32_t j = 0; j < m_per; ++j)
            Put32(bytes.data() + 4 * j, m_fat[k * m_per + j]);
        m_pending[m_fatLocs[k]] = std::move(bytes);
    }
    if (m_difatFresh) {
        for (std::size_t d = 0; d < m_difatLocs.size(); ++d) {
            std::vector<std::uint8_t> bytes(m_ss);
            for (std::uint32_t j = 0; j < perDifat; ++j) {
                const std::size_t k = Header::kHeaderDifat + d * perDifat + j;
                Put32(bytes.data() + 4 * j, k < m_fatLocs.size() ? m_fatLocs[k] : kFreeSect);
            }
            Put32(bytes.data() + layout::DifatNextLink(m_ss), d + 1 < m_difatLocs.size() ? m_difatLocs[d + 1] : kEndOfChain);
            m_pending[m_difatLocs[d]] = std::move(bytes);
        }
        m_h.firstDifatSector = m_difatLocs.empty() ? kEndOfChain : m_difatLocs.front();
        m_h.difatSectorCount = static_cast<std::uint32_t>(m_difatLocs.size());
    }
    m_h.fatSectorCount = static_cast<std::uint32_t>(m_fatLocs.size());
    for (std::size_t i = 0; i < Header::kHeaderDifat; ++i)
        m_h.difat[i] = i < m_fatLocs.size() ? m_fatLocs[i] : kFreeSect;
}

void Transaction::Commit()
{
    BlockFile& file = m_r.File();
    for (const auto& entry : m_pending)
        if (!Allowed(entry.first))
            throw Error("internal error: a save would overwrite data in use");

    // What the free sectors inside the file hold now, so that a save that fails can give the
    // file back byte for byte: those bytes, and the old length (appended sectors are cut off).
    SectorReader& sectors = m_r.Sectors();
    const std::uint64_t oldSize = sectors.FileSize();
    std::vector<std::uint32_t> inside;
    for (const auto& entry : m_pending)
        if (entry.first < m_fileSectors)
            inside.push_back(entry.first);
    sectors.Prefetch(inside, false);
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> before;
    for (std::uint32_t s : inside) {
        const std::uint8_t* old = sectors.Sector(s);
        before.emplace_back(s, std::vector<std::uint8_t>(old, old + m_ss));
    }

    bool headerWritten = false;
    try {
        // In sector order, consecutive sectors in one write: none of them is seen before the header is.
        std::vector<std::uint8_t> run;
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            const std::uint32_t first = it->first;
            run.assign(it->second.begin(), it->second.end());
            std::uint32_t last = first;
            for (++it; it != m_pending.end() && it->first == last + 1; ++it, ++last)
                run.insert(run.end(), it->second.begin(), it->second.end());
            file.Write(m_h.SectorOffset(first), run.data(), run.size());
        }
        file.Flush();
        const auto header = m_h.Serialize();
        headerWritten = true; // also when the write fails half-way
        file.Write(0, header.data(), header.size());
        file.Flush();
    } catch (...) {
        // Put everything back; whatever of that fails, the file still holds the old or the new
        // state, since the old state's sectors were never touched.
        try {
            if (headerWritten)
                file.Write(0, m_r.Head().raw.data(), m_r.Head().raw.size());
            for (const auto& [s, bytes] : before)
                file.Write(m_h.SectorOffset(s), bytes.data(), bytes.size());
            file.Truncate(oldSize);
            file.Flush();
        } catch (...) {
        }
        throw;
    }
}

} // namespace

InPlaceWriter::InPlaceWriter(CompoundReader& reader) : m_reader(reader) {}

void InPlaceWriter::ReplaceRootStream(std::optional<std::uint32_t> entry, const std::u16string& name,
                                      const std::vector<std::uint8_t>& content)
{
    // The save builds on what was read when the file was opened; a file that another program
    // has rewritten since then must not be patched with that knowledge.
    BlockFile& file = m_reader.File();
    std::array<std::uint8_t, Header::kSize> now{};
    file.Read(0, now.data(), now.size());
    if (now != m_reader.Head().raw || file.CurrentSize() != m_reader.Sectors().FileSize())
        throw Error("the file was changed by another program after it was opened");
    Transaction t(m_reader);
    t.Replace(entry, name, content);
}

} // namespace cfb
