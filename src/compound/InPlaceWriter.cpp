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
    void Protect(const std::vector<std::uint32_t>& sectors) { protected_.insert(sectors.begin(), sectors.end()); }
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
    DirEntry ReadEntry(std::uint32_t index);
    // Writes the entry's fields through a copy of its sector made for this save.
    void WriteEntry(std::uint32_t index, const DirEntry& e);
    std::uint32_t NewEntry(const std::u16string& name);
    // --- steps
    void FreeOldStream(const DirEntry& e);
    std::pair<std::uint32_t, std::uint64_t> WriteStream(const std::vector<std::uint8_t>& content);
    void FinishTables();
    void Commit();

    CompoundReader& r_;
    Header h_;
    std::uint32_t ss_;
    std::uint32_t per_;
    std::uint32_t perDir_;
    std::uint32_t fileSectors_;
    bool v3_;

    std::vector<std::uint32_t> oldFat_, fat_;
    std::vector<std::uint32_t> fatLocs_;
    std::vector<bool> fatFresh_;
    std::set<std::uint32_t> dirtyFat_;
    std::uint32_t oldFatSectors_;
    std::vector<std::uint32_t> difatLocs_;
    bool difatFresh_ = false;
    std::unordered_set<std::uint32_t> protected_;
    std::unordered_set<std::uint32_t> claimed_; // sectors of the tables and the directory
    std::vector<std::uint32_t> freeList_;
    std::size_t freeNext_ = 0;
    std::uint64_t nextAppend_;
    std::uint64_t appendLimit_ = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> pending_;

    ChainEdit dir_, container_, miniTable_;
    std::vector<std::uint32_t> mini_;
    std::set<std::uint32_t> dirtyMini_;
    std::vector<std::uint32_t> miniFree_;
    std::size_t miniFreeNext_ = 0;
    std::uint64_t miniCount_;
    std::uint64_t oldRootSize_;
    std::uint32_t oldRootStart_;
};

Transaction::Transaction(CompoundReader& r)
    : r_(r),
      h_(r.Head()),
      ss_(h_.SectorSize()),
      per_(ss_ / 4),
      perDir_(ss_ / DirEntry::kSize),
      fileSectors_(r.Sectors().SectorCount()),
      v3_(h_.sectorShift == 9),
      oldFatSectors_(h_.numFatSectors)
{
    if (!r.File().Writable())
        throw Error("the file is open for reading only");
    Fat& fat = r.Table();
    oldFat_ = fat.AllEntries();
    fat_ = oldFat_;
    for (std::uint32_t i = 0; i < h_.numFatSectors; ++i) {
        fatLocs_.push_back(fat.FatSectorLocation(i));
        fatFresh_.push_back(false);
    }
    Protect(fatLocs_);
    difatLocs_ = fat.DifatSectorLocations();
    Protect(difatLocs_);
    dir_.Reset(fat.Chain(h_.firstDirSector, fileSectors_));
    Protect(dir_.locs);

    const DirEntry root = r.Root();
    oldRootSize_ = root.size;
    oldRootStart_ = root.start;
    container_.Reset(root.size > 0 && root.start <= kMaxRegSect ? fat.Chain(root.start, fileSectors_)
                                                                : std::vector<std::uint32_t>{});
    Protect(container_.locs);
    miniTable_.Reset(h_.firstMiniFatSector <= kMaxRegSect ? fat.Chain(h_.firstMiniFatSector, fileSectors_)
                                                          : std::vector<std::uint32_t>{});
    Protect(miniTable_.locs);
    r.Sectors().Prefetch(miniTable_.locs);
    for (std::uint32_t s : miniTable_.locs) {
        const std::uint8_t* bytes = r.Sectors().Sector(s);
        for (std::uint32_t j = 0; j < per_; ++j)
            mini_.push_back(Get32(bytes + 4 * j));
    }
    if (DivUp(oldRootSize_, ss_) > container_.locs.size())
        throw Error("the mini stream is shorter than the root entry says");
    miniCount_ = DivUp(oldRootSize_, h_.MiniSectorSize());
    for (std::uint64_t m = 0; m < std::min<std::uint64_t>(miniCount_, mini_.size()); ++m)
        if (mini_[m] == kFreeSect)
            miniFree_.push_back(static_cast<std::uint32_t>(m));

    // The tables and the directory must not share sectors: a save that moved one of them would
    // otherwise change the other behind its back.
    std::unordered_set<std::uint32_t> claimed;
    for (const std::vector<std::uint32_t>* chain : {&fatLocs_, &difatLocs_, &dir_.locs, &container_.locs, &miniTable_.locs})
        Claim(claimed, *chain);
    claimed_ = std::move(claimed);

    for (std::uint32_t s = 0; s < std::min<std::uint64_t>(fileSectors_, oldFat_.size()); ++s)
        if (oldFat_[s] == kFreeSect && !protected_.count(s))
            freeList_.push_back(s);
    nextAppend_ = fileSectors_;
    // Everything a save can move plus room for the new stream: a damaged table that asks for
    // more ends in an error instead of an ever-growing file.
    appendLimit_ = std::uint64_t{fileSectors_} + fatLocs_.size() + difatLocs_.size() + dir_.locs.size()
        + container_.locs.size() + miniTable_.locs.size() + 256;
}

bool Transaction::Allowed(std::uint32_t s) const
{
    if (s >= fileSectors_)
        return true;
    return s < oldFat_.size() && oldFat_[s] == kFreeSect && !protected_.count(s);
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
    std::uint64_t s = freeNext_ < freeList_.size() ? freeList_[freeNext_++] : nextAppend_++;
    if (s >= kMaxRegSect)
        TooLarge();
    if (nextAppend_ > appendLimit_)
        TablesInconsistent();
    SetFat(static_cast<std::uint32_t>(s), kEndOfChain);
    return static_cast<std::uint32_t>(s);
}

void Transaction::EnsureFatCovers(std::uint32_t sector)
{
    std::vector<std::uint32_t> added;
    while (sector >= fat_.size() || (!added.empty() && added.back() >= fat_.size())) {
        if (nextAppend_ >= kMaxRegSect)
            TooLarge();
        if (nextAppend_ > appendLimit_)
            TablesInconsistent();
        const auto loc = static_cast<std::uint32_t>(nextAppend_++);
        fat_.resize(fat_.size() + per_, kFreeSect);
        fatLocs_.push_back(loc);
        fatFresh_.push_back(true);
        dirtyFat_.insert(static_cast<std::uint32_t>(fatLocs_.size() - 1));
        added.push_back(loc);
    }
    for (std::uint32_t loc : added) {
        fat_[loc] = kFatSect;
        dirtyFat_.insert(loc / per_);
    }
}

void Transaction::SetFat(std::uint32_t sector, std::uint32_t value)
{
    EnsureFatCovers(sector);
    if (fat_[sector] != value) {
        fat_[sector] = value;
        dirtyFat_.insert(sector / per_);
    }
}

void Transaction::Cow(ChainEdit& chain, std::size_t index)
{
    if (chain.fresh[index])
        return;
    const std::uint32_t old = chain.locs[index];
    const std::uint32_t copy = AllocSector();
    const std::uint8_t* bytes = r_.Sectors().Sector(old);
    pending_[copy].assign(bytes, bytes + ss_);
    SetFat(old, kFreeSect);
    chain.locs[index] = copy;
    chain.fresh[index] = true;
}

void Transaction::Append(ChainEdit& chain, std::vector<std::uint8_t> content)
{
    const std::uint32_t s = AllocSector();
    content.resize(ss_, 0);
    pending_[s] = std::move(content);
    chain.locs.push_back(s);
    chain.fresh.push_back(true);
}

std::uint8_t* Transaction::Bytes(ChainEdit& chain, std::size_t index)
{
    Cow(chain, index);
    return pending_[chain.locs[index]].data();
}

void Transaction::Relink(const ChainEdit& chain)
{
    for (std::size_t i = 0; i < chain.locs.size(); ++i)
        SetFat(chain.locs[i], i + 1 < chain.locs.size() ? chain.locs[i + 1] : kEndOfChain);
}

void Transaction::SetMini(std::uint32_t mini, std::uint32_t value)
{
    while (mini >= mini_.size()) {
        Append(miniTable_, std::vector<std::uint8_t>(ss_, 0xFF));
        mini_.resize(mini_.size() + per_, kFreeSect);
    }
    if (mini_[mini] != value) {
        mini_[mini] = value;
        dirtyMini_.insert(mini / per_);
    }
}

std::uint32_t Transaction::AllocMini()
{
    std::uint64_t m = miniFreeNext_ < miniFree_.size() ? miniFree_[miniFreeNext_++] : miniCount_++;
    if (m >= kMaxRegSect)
        throw Error("the mini stream would grow too large");
    SetMini(static_cast<std::uint32_t>(m), kEndOfChain);
    return static_cast<std::uint32_t>(m);
}

void Transaction::WriteMini(std::uint32_t mini, const std::uint8_t* data, std::size_t length)
{
    const std::uint32_t ms = h_.MiniSectorSize();
    const std::uint64_t offset = std::uint64_t{mini} * ms;
    const std::size_t index = static_cast<std::size_t>(offset / ss_);
    while (index >= container_.locs.size())
        Append(container_, {});
    std::uint8_t* p = Bytes(container_, index) + offset % ss_;
    std::memcpy(p, data, length);
    std::memset(p + length, 0, ms - length);
}

const std::uint8_t* Transaction::PeekEntry(std::uint32_t index)
{
    const std::size_t k = index / perDir_;
    if (k >= dir_.locs.size())
        throw Error("directory link out of range");
    const std::uint32_t s = dir_.locs[k];
    const std::uint8_t* base = dir_.fresh[k] ? pending_[s].data() : r_.Sectors().Sector(s);
    return base + (index % perDir_) * DirEntry::kSize;
}

std::uint8_t* Transaction::EntryBytes(std::uint32_t index)
{
    const std::size_t k = index / perDir_;
    if (k >= dir_.locs.size())
        throw Error("directory link out of range");
    return Bytes(dir_, k) + (index % perDir_) * DirEntry::kSize;
}

DirEntry Transaction::ReadEntry(std::uint32_t index)
{
    return DirEntry::Parse(PeekEntry(index), v3_);
}

void Transaction::WriteEntry(std::uint32_t index, const DirEntry& e)
{
    e.WriteInto(EntryBytes(index), v3_);
}

std::uint32_t Transaction::NewEntry(const std::u16string& name)
{
    const std::uint32_t total = static_cast<std::uint32_t>(dir_.locs.size()) * perDir_;
    // An unused entry may be taken only when no link points at it (some writers leave links
    // to entries they emptied).
    std::unordered_set<std::uint32_t> linked;
    std::vector<std::uint32_t> unused;
    for (std::uint32_t i = 0; i < total; ++i) {
        const DirEntry e = ReadEntry(i);
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
        std::vector<std::uint8_t> sector(ss_, 0);
        for (std::uint32_t i = 0; i < perDir_; ++i)
            DirEntry{}.WriteInto(sector.data() + i * DirEntry::kSize, v3_);
        Append(dir_, std::move(sector));
    }

    // Hang the entry into the root's tree as a leaf, at the place the tree's order gives it.
    std::uint32_t parent = kNoStream;
    bool toLeft = false;
    std::uint32_t at = ReadEntry(0).child;
    for (std::uint32_t steps = 0; at != kNoStream; ++steps) {
        if (steps > total)
            throw Error("loop in the directory tree");
        const DirEntry e = ReadEntry(at);
        const int c = CompareNames(name, e.name);
        if (c == 0)
            throw Error("the directory already holds an entry of that name");
        parent = at;
        toLeft = c < 0;
        at = toLeft ? e.left : e.right;
    }
    Color parentColor = Color::Black;
    if (parent == kNoStream) {
        DirEntry root = ReadEntry(0);
        root.child = index;
        WriteEntry(0, root);
    } else {
        DirEntry p = ReadEntry(parent);
        parentColor = p.color;
        (toLeft ? p.left : p.right) = index;
        WriteEntry(parent, p);
    }

    DirEntry e;
    e.name = name;
    e.type = EntryType::Stream;
    // A red leaf under a black parent keeps the tree's black height; under a red parent (a tree
    // some writer coloured its own way) a black leaf avoids two reds in a row.
    e.color = parentColor == Color::Black ? Color::Red : Color::Black;
    e.start = kEndOfChain;
    e.size = 0;
    std::uint8_t* p = EntryBytes(index);
    std::memset(p, 0, DirEntry::kSize);
    e.WriteInto(p, v3_);
    return index;
}

void Transaction::FreeOldStream(const DirEntry& e)
{
    if (e.size == 0)
        return;
    if (e.size < h_.miniStreamCutoff) {
        MiniStream& mini = r_.Mini();
        std::uint32_t m = e.start;
        const std::uint64_t count = DivUp(e.size, h_.MiniSectorSize());
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
        LazyChain chain(r_.Table(), e.start, DivUp(e.size, ss_));
        const std::uint64_t count = DivUp(e.size, ss_);
        std::vector<std::uint32_t> sectors;
        for (std::uint64_t i = 0; i < count && chain.Has(i); ++i)
            sectors.push_back(chain.At(i));
        Claim(claimed_, sectors);
        for (std::uint32_t s : sectors)
            SetFat(s, kFreeSect);
    }
}

std::pair<std::uint32_t, std::uint64_t> Transaction::WriteStream(const std::vector<std::uint8_t>& content)
{
    const std::uint64_t size = content.size();
    if (size == 0)
        return {kEndOfChain, 0};
    if (size >= h_.miniStreamCutoff) {
        std::vector<std::uint32_t> sectors;
        for (std::uint64_t at = 0; at < size; at += ss_) {
            const std::uint32_t s = AllocSector();
            std::vector<std::uint8_t> bytes(ss_, 0);
            std::memcpy(bytes.data(), content.data() + at, static_cast<std::size_t>(std::min<std::uint64_t>(ss_, size - at)));
            pending_[s] = std::move(bytes);
            sectors.push_back(s);
        }
        for (std::size_t i = 0; i < sectors.size(); ++i)
            SetFat(sectors[i], i + 1 < sectors.size() ? sectors[i + 1] : kEndOfChain);
        return {sectors.front(), size};
    }
    const std::uint32_t ms = h_.MiniSectorSize();
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
    appendLimit_ += 2 * DivUp(content.size(), ss_) + 16;
    if (entry) {
        const DirEntry e = ReadEntry(*entry);
        if (e.type != EntryType::Stream)
            throw Error("directory entry is not a stream");
        FreeOldStream(e);
    }
    const auto [start, size] = WriteStream(content);

    // Mini table sectors that changed move to new places before the tables are linked.
    for (std::uint32_t k : dirtyMini_) {
        std::uint8_t* p = Bytes(miniTable_, k);
        for (std::uint32_t j = 0; j < per_; ++j)
            Put32(p + 4 * j, mini_[std::size_t{k} * per_ + j]);
    }

    const std::uint32_t index = entry ? *entry : NewEntry(name);
    DirEntry stream = ReadEntry(index);
    stream.start = start;
    stream.size = size;
    WriteEntry(index, stream);
    const std::uint64_t rootSize = std::max<std::uint64_t>(oldRootSize_, miniCount_ * h_.MiniSectorSize());
    const std::uint32_t rootStart = container_.locs.empty() ? oldRootStart_ : container_.locs.front();
    if (rootSize != oldRootSize_ || rootStart != oldRootStart_) {
        DirEntry root = ReadEntry(0);
        root.start = rootStart;
        root.size = rootSize;
        WriteEntry(0, root);
    }

    Relink(container_);
    Relink(miniTable_);
    Relink(dir_);
    h_.firstDirSector = dir_.locs.front();
    if (!v3_ || h_.numDirSectors != 0)
        h_.numDirSectors = static_cast<std::uint32_t>(dir_.locs.size());
    h_.firstMiniFatSector = miniTable_.locs.empty() ? kEndOfChain : miniTable_.locs.front();
    h_.numMiniFatSectors = static_cast<std::uint32_t>(miniTable_.locs.size());

    FinishTables();
    Commit();
}

void Transaction::FinishTables()
{
    const std::uint32_t perDifat = layout::DifatEntriesPerSector(ss_);
    for (;;) {
        bool changed = false;
        const std::vector<std::uint32_t> dirty(dirtyFat_.begin(), dirtyFat_.end());
        for (std::uint32_t k : dirty) {
            if (fatFresh_[k])
                continue;
            const std::uint32_t old = fatLocs_[k];
            const std::uint32_t moved = AllocSector();
            fatLocs_[k] = moved;
            fatFresh_[k] = true;
            SetFat(moved, kFatSect);
            SetFat(old, kFreeSect);
            changed = true;
        }
        const std::size_t fatCount = fatLocs_.size();
        const std::size_t needed = fatCount > Header::kHeaderDifat ? DivUp(fatCount - Header::kHeaderDifat, perDifat) : 0;
        bool difatChanged = fatCount != oldFatSectors_;
        for (std::size_t k = Header::kHeaderDifat; k < fatCount && !difatChanged; ++k)
            difatChanged = fatFresh_[k];
        if (difatChanged && !difatFresh_) {
            for (std::uint32_t old : difatLocs_)
                SetFat(old, kFreeSect);
            difatLocs_.clear();
            difatFresh_ = true;
            changed = true;
        }
        while (difatFresh_ && difatLocs_.size() < needed) {
            const std::uint32_t s = AllocSector();
            SetFat(s, kDifSect);
            difatLocs_.push_back(s);
            changed = true;
        }
        if (!changed)
            break;
    }

    for (std::size_t k = 0; k < fatLocs_.size(); ++k) {
        if (!fatFresh_[k])
            continue;
        std::vector<std::uint8_t> bytes(ss_);
        for (std::uint32_t j = 0; j < per_; ++j)
            Put32(bytes.data() + 4 * j, fat_[k * per_ + j]);
        pending_[fatLocs_[k]] = std::move(bytes);
    }
    if (difatFresh_) {
        for (std::size_t d = 0; d < difatLocs_.size(); ++d) {
            std::vector<std::uint8_t> bytes(ss_);
            for (std::uint32_t j = 0; j < perDifat; ++j) {
                const std::size_t k = Header::kHeaderDifat + d * perDifat + j;
                Put32(bytes.data() + 4 * j, k < fatLocs_.size() ? fatLocs_[k] : kFreeSect);
            }
            Put32(bytes.data() + layout::DifatNextLink(ss_), d + 1 < difatLocs_.size() ? difatLocs_[d + 1] : kEndOfChain);
            pending_[difatLocs_[d]] = std::move(bytes);
        }
        h_.firstDifatSector = difatLocs_.empty() ? kEndOfChain : difatLocs_.front();
        h_.numDifatSectors = static_cast<std::uint32_t>(difatLocs_.size());
    }
    h_.numFatSectors = static_cast<std::uint32_t>(fatLocs_.size());
    for (std::size_t i = 0; i < Header::kHeaderDifat; ++i)
        h_.difat[i] = i < fatLocs_.size() ? fatLocs_[i] : kFreeSect;
}

void Transaction::Commit()
{
    BlockFile& file = r_.File();
    for (const auto& entry : pending_)
        if (!Allowed(entry.first))
            throw Error("internal error: a save would overwrite data in use");

    // What the free sectors inside the file hold now, so that a save that fails can give the
    // file back byte for byte: those bytes, and the old length (appended sectors are cut off).
    SectorReader& sectors = r_.Sectors();
    const std::uint64_t oldSize = sectors.FileSize();
    std::vector<std::uint32_t> inside;
    for (const auto& entry : pending_)
        if (entry.first < fileSectors_)
            inside.push_back(entry.first);
    sectors.Prefetch(inside, false);
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> before;
    for (std::uint32_t s : inside) {
        const std::uint8_t* old = sectors.Sector(s);
        before.emplace_back(s, std::vector<std::uint8_t>(old, old + ss_));
    }

    bool headerWritten = false;
    try {
        // In sector order, consecutive sectors in one write: none of them is seen before the header is.
        std::vector<std::uint8_t> run;
        for (auto it = pending_.begin(); it != pending_.end();) {
            const std::uint32_t first = it->first;
            run.assign(it->second.begin(), it->second.end());
            std::uint32_t last = first;
            for (++it; it != pending_.end() && it->first == last + 1; ++it, ++last)
                run.insert(run.end(), it->second.begin(), it->second.end());
            file.Write(h_.SectorOffset(first), run.data(), run.size());
        }
        file.Flush();
        const auto header = h_.Serialize();
        headerWritten = true; // also when the write fails half-way
        file.Write(0, header.data(), header.size());
        file.Flush();
    } catch (...) {
        // Put everything back; whatever of that fails, the file still holds the old or the new
        // state, since the old state's sectors were never touched.
        try {
            if (headerWritten)
                file.Write(0, r_.Head().raw.data(), r_.Head().raw.size());
            for (const auto& [s, bytes] : before)
                file.Write(h_.SectorOffset(s), bytes.data(), bytes.size());
            file.Truncate(oldSize);
            file.Flush();
        } catch (...) {
        }
        throw;
    }
}

} // namespace

InPlaceWriter::InPlaceWriter(CompoundReader& reader) : reader_(reader) {}

void InPlaceWriter::ReplaceRootStream(std::optional<std::uint32_t> entry, const std::u16string& name,
                                      const std::vector<std::uint8_t>& content)
{
    // The save builds on what was read when the file was opened; a file that another program
    // has rewritten since then must not be patched with that knowledge.
    BlockFile& file = reader_.File();
    std::array<std::uint8_t, Header::kSize> now{};
    file.Read(0, now.data(), now.size());
    if (now != reader_.Head().raw || file.CurrentSize() != reader_.Sectors().FileSize())
        throw Error("the file was changed by another program after it was opened");
    Transaction t(reader_);
    t.Replace(entry, name, content);
}

} // namespace cfb
