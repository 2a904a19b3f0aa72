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

class Transaction {
public:
    explicit Transaction(CompoundReader& reader);
    void Replace(std::optional<std::uint32_t> entry, const std::u16string& name, const std::vector<std::uint8_t>& content);

private:
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
    void Commit();

    CompoundReader& m_r;
    Header m_h;
    std::uint32_t m_ss;
    std::uint32_t m_per;
    std::uint32_t m_perDir;
    std::uint32_t m_fileSectors;
    bool m_v3;

    SectorImages m_pending;
    FatEditor m_fat;
    EditedChain m_dir;
    MiniStreamEditor m_mini;
};

Transaction::Transaction(CompoundReader& r)
    : m_r(r),
      m_h(r.Head()),
      m_ss(m_h.SectorSize()),
      m_per(m_ss / 4),
      m_perDir(m_ss / DirectoryEntry::kSize),
      m_fileSectors(r.Sectors().SectorCount()),
      m_v3(m_h.sectorShift == 9),
      m_fat(r.Table(), m_pending),
      m_dir(m_fat, r.Table().Chain(m_h.firstDirectorySector, m_fileSectors)),
      m_mini(m_fat, r.MiniSectors())
{
    m_fat.StartAllocating();
}

const std::uint8_t* Transaction::PeekEntry(std::uint32_t index)
{
    const std::size_t k = index / m_perDir;
    if (k >= m_dir.Size())
        throw Error("directory link out of range");
    return m_dir.Read(k) + (index % m_perDir) * DirectoryEntry::kSize;
}

std::uint8_t* Transaction::EntryBytes(std::uint32_t index)
{
    const std::size_t k = index / m_perDir;
    if (k >= m_dir.Size())
        throw Error("directory link out of range");
    return m_dir.Change(k) + (index % m_perDir) * DirectoryEntry::kSize;
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
    const std::uint32_t total = static_cast<std::uint32_t>(m_dir.Size()) * m_perDir;
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
        m_dir.Append(std::move(sector));
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
    if (e.size < m_h.miniStreamCutoff)
        m_mini.FreeChain(e.start, e.size);
    else
        m_fat.FreeChain(e.start, e.size);
}

std::pair<std::uint32_t, std::uint64_t> Transaction::WriteStream(const std::vector<std::uint8_t>& content)
{
    const std::uint64_t size = content.size();
    if (size == 0)
        return {kEndOfChain, 0};
    if (size >= m_h.miniStreamCutoff)
        return {m_fat.WriteChain(content), size};
    return {m_mini.WriteChain(content), size};
}

void Transaction::Replace(std::optional<std::uint32_t> entry, const std::u16string& name,
                          const std::vector<std::uint8_t>& content)
{
    m_fat.AllowGrowth(2 * DivideRoundingUp(content.size(), m_ss) + 16);
    if (entry) {
        const DirectoryEntry e = ReadEntry(*entry);
        if (e.type != EntryType::Stream)
            throw Error("directory entry is not a stream");
        FreeOldStream(e);
    }
    const auto [start, size] = WriteStream(content);

    // Mini table sectors that changed move to new places before the tables are linked.
    m_mini.WriteTable();

    const std::uint32_t index = entry ? *entry : NewEntry(name);
    DirectoryEntry stream = ReadEntry(index);
    stream.start = start;
    stream.size = size;
    WriteEntry(index, stream);
    if (const auto root = m_mini.MovedRoot()) {
        DirectoryEntry rootEntry = ReadEntry(0);
        rootEntry.start = root->first;
        rootEntry.size = root->second;
        WriteEntry(0, rootEntry);
    }

    m_mini.Finish(m_h);
    m_dir.Link();
    m_h.firstDirectorySector = m_dir.Sectors().front();
    if (!m_v3 || m_h.directorySectorCount != 0)
        m_h.directorySectorCount = static_cast<std::uint32_t>(m_dir.Size());

    m_fat.Finish(m_h);
    Commit();
}

void Transaction::Commit()
{
    BlockFile& file = m_r.File();
    for (const auto& entry : m_pending)
        if (!m_fat.MayWrite(entry.first))
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
