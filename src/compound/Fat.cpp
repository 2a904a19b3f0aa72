#include "compound/Fat.h"

#include "compound/Cfb.h"
#include "compound/Layout.h"

#include <algorithm>
#include <unordered_set>

namespace cfb {

Fat::Fat(SectorReader& sectors) : sectors_(sectors), perSector_(sectors.SectorSize() / 4)
{
    const Header& h = sectors.Head();
    // Every FAT sector is a sector of the file, so a larger count is impossible.
    if (h.numFatSectors > static_cast<std::uint64_t>(sectors.SectorCount()) + 1)
        throw Error("the header claims more FAT sectors than the file holds");
    capacity_ = static_cast<std::uint64_t>(h.numFatSectors) * perSector_;
}

void Fat::WalkDifatTo(std::size_t count)
{
    const Header& h = sectors_.Head();
    while (difatChain_.size() < count && !difatEnded_) {
        const std::uint32_t next = difatChain_.empty()
            ? h.firstDifatSector
            : Get32(sectors_.Sector(difatChain_.back()) + layout::DifatNextLink(sectors_.SectorSize()));
        if (next < sectors_.SectorCount() && !sectors_.Kept(next)) {
            // Writers put the DIFAT sectors one after another: read the rest of the way at once.
            std::vector<std::uint32_t> run;
            for (std::size_t k = difatChain_.size(); k < count && next + (k - difatChain_.size()) < sectors_.SectorCount(); ++k)
                run.push_back(static_cast<std::uint32_t>(next + (k - difatChain_.size())));
            sectors_.Prefetch(run, false);
        }
        if (next == kEndOfChain || next == kFreeSect) {
            difatEnded_ = true;
            break;
        }
        if (next > kMaxRegSect || next >= sectors_.SectorCount())
            throw Error("broken DIFAT chain");
        if (difatChain_.size() >= sectors_.SectorCount()
            || std::find(difatChain_.begin(), difatChain_.end(), next) != difatChain_.end())
            throw Error("loop in the DIFAT chain");
        difatChain_.push_back(next);
    }
}

std::uint32_t Fat::FatSectorLocation(std::uint32_t index)
{
    const Header& h = sectors_.Head();
    if (index >= h.numFatSectors)
        throw Error("FAT sector index out of range");
    std::uint32_t loc;
    if (index < Header::kHeaderDifat) {
        loc = h.difat[index];
    } else {
        const std::uint32_t perDifat = layout::DifatEntriesPerSector(sectors_.SectorSize());
        const std::size_t k = (index - Header::kHeaderDifat) / perDifat;
        const std::size_t j = (index - Header::kHeaderDifat) % perDifat;
        WalkDifatTo(k + 1);
        if (difatChain_.size() <= k)
            throw Error("the DIFAT chain ends before the FAT does");
        loc = Get32(sectors_.Sector(difatChain_[k]) + 4 * j);
    }
    if (loc > kMaxRegSect || loc >= sectors_.SectorCount())
        throw Error("a FAT sector lies beyond the end of the file");
    return loc;
}

std::vector<std::uint32_t> Fat::DifatSectorLocations()
{
    const Header& h = sectors_.Head();
    const std::uint32_t perDifat = layout::DifatEntriesPerSector(sectors_.SectorSize());
    const std::size_t needed = h.numFatSectors > Header::kHeaderDifat
        ? (h.numFatSectors - Header::kHeaderDifat + perDifat - 1) / perDifat
        : 0;
    WalkDifatTo(needed);
    std::vector<std::uint32_t> out(difatChain_.begin(),
                                   difatChain_.begin() + static_cast<std::ptrdiff_t>(std::min(needed, difatChain_.size())));
    return out;
}

std::uint32_t Fat::Next(std::uint32_t sector)
{
    if (sector >= capacity_)
        throw Error("sector " + std::to_string(sector) + " is not covered by the allocation table");
    const std::uint32_t loc = FatSectorLocation(sector / perSector_);
    return Get32(sectors_.Sector(loc) + 4 * (sector % perSector_));
}

std::vector<std::uint32_t> Fat::AllEntries()
{
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(capacity_));
    const std::uint32_t n = sectors_.Head().numFatSectors;
    std::vector<std::uint32_t> locations;
    for (std::uint32_t i = 0; i < n; ++i)
        locations.push_back(FatSectorLocation(i));
    sectors_.Prefetch(locations);
    for (std::uint32_t loc : locations) {
        const std::uint8_t* s = sectors_.Sector(loc);
        for (std::uint32_t j = 0; j < perSector_; ++j)
            out.push_back(Get32(s + 4 * j));
    }
    return out;
}

std::vector<std::uint32_t> Fat::LinkSectorsFor(const std::vector<std::uint32_t>& sectors,
                                               std::vector<std::uint32_t>& difatRun) const
{
    const Header& h = sectors_.Head();
    const std::uint32_t perDifat = layout::DifatEntriesPerSector(sectors_.SectorSize());
    std::vector<std::uint32_t> out;
    std::size_t difatNeeded = 0;
    for (std::uint32_t s : sectors) {
        if (s > kMaxRegSect)
            continue;
        const std::uint32_t index = s / perSector_;
        if (index >= h.numFatSectors)
            continue;
        if (index < Header::kHeaderDifat)
            out.push_back(h.difat[index]);
        else
            difatNeeded = std::max<std::size_t>(difatNeeded, (index - Header::kHeaderDifat) / perDifat + 1);
    }
    if (difatNeeded && difatChain_.empty() && h.firstDifatSector <= kMaxRegSect)
        for (std::size_t k = 0; k < difatNeeded; ++k)
            difatRun.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{h.firstDifatSector} + k, kMaxRegSect)));
    return out;
}

std::vector<std::uint32_t> Fat::Chain(std::uint32_t start, std::uint64_t maxSectors)
{
    LazyChain chain(*this, start, maxSectors);
    return chain.All();
}

LazyChain::LazyChain(Fat& fat, std::uint32_t start, std::uint64_t maxSectors)
    : fat_(fat), maxSectors_(std::min<std::uint64_t>(maxSectors, fat.Sectors().SectorCount())), next_(start), mark_(start)
{
}

bool LazyChain::Extend()
{
    if (next_ == kEndOfChain || next_ == kFreeSect)
        return false;
    if (next_ > kMaxRegSect || next_ >= fat_.Sectors().SectorCount())
        throw Error("broken sector chain");
    if (known_.size() >= maxSectors_)
        throw Error("sector chain longer than its data (a loop in the allocation table?)");
    if (!known_.empty() && next_ == mark_)
        throw Error("loop in a sector chain");
    known_.push_back(next_);
    if (++sinceMark_ == markPeriod_) {
        mark_ = next_;
        sinceMark_ = 0;
        markPeriod_ *= 2;
    }
    next_ = fat_.Next(next_);
    return true;
}

std::uint32_t LazyChain::At(std::uint64_t index)
{
    while (known_.size() <= index)
        if (!Extend())
            throw Error("sector chain shorter than its data");
    return known_[static_cast<std::size_t>(index)];
}

bool LazyChain::Has(std::uint64_t index)
{
    while (known_.size() <= index)
        if (!Extend())
            return false;
    return true;
}

const std::vector<std::uint32_t>& LazyChain::All()
{
    while (Extend()) {
    }
    return known_;
}

} // namespace cfb
