#include "compound/Fat.h"

#include "compound/Cfb.h"
#include "compound/Layout.h"

#include <algorithm>
#include <unordered_set>

namespace cfb {

SectorReader::SectorReader(BlockFile& file, const Header& header)
    : file_(file), header_(header), sectorSize_(header.SectorSize()), fileSize_(file.Size())
{
    const std::uint64_t headerBytes = sectorSize_; // the header occupies the first sector
    const std::uint64_t body = fileSize_ > headerBytes ? fileSize_ - headerBytes : 0;
    const std::uint64_t count = (body + sectorSize_ - 1) / sectorSize_;
    sectorCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, kMaxRegSect));
}

const std::vector<std::uint8_t>& SectorReader::Sector(std::uint32_t sector)
{
    if (auto it = cache_.find(sector); it != cache_.end())
        return it->second;
    if (sector >= sectorCount_)
        throw Error("sector " + std::to_string(sector) + " lies beyond the end of the file");
    std::vector<std::uint8_t> bytes(sectorSize_, 0);
    file_.Read(header_.SectorOffset(sector), bytes.data(), sectorSize_);
    return cache_.emplace(sector, std::move(bytes)).first->second;
}

void SectorReader::ReadPart(std::uint32_t sector, std::uint32_t offset, std::uint8_t* out, std::uint32_t length)
{
    if (sector >= sectorCount_)
        throw Error("sector " + std::to_string(sector) + " lies beyond the end of the file");
    if (offset > sectorSize_ || length > sectorSize_ - offset)
        throw Error("read outside a sector");
    if (auto it = cache_.find(sector); it != cache_.end()) {
        std::copy_n(it->second.data() + offset, length, out);
        return;
    }
    std::fill_n(out, length, 0);
    file_.Read(header_.SectorOffset(sector) + offset, out, length);
}

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
            : Get32(sectors_.Sector(difatChain_.back()).data() + layout::DifatNextLink(sectors_.SectorSize()));
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
        loc = Get32(sectors_.Sector(difatChain_[k]).data() + 4 * j);
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
    std::uint8_t entry[4];
    const auto& cached = sectors_.Sector(loc);
    std::copy_n(cached.data() + 4 * (sector % perSector_), 4, entry);
    return Get32(entry);
}

std::vector<std::uint32_t> Fat::AllEntries()
{
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(capacity_));
    const std::uint32_t n = sectors_.Head().numFatSectors;
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto& s = sectors_.Sector(FatSectorLocation(i));
        for (std::uint32_t j = 0; j < perSector_; ++j)
            out.push_back(Get32(s.data() + 4 * j));
    }
    return out;
}

std::vector<std::uint32_t> Fat::Chain(std::uint32_t start, std::uint64_t maxSectors)
{
    LazyChain chain(*this, start, maxSectors);
    return chain.All();
}

LazyChain::LazyChain(Fat& fat, std::uint32_t start, std::uint64_t maxSectors)
    : fat_(fat), maxSectors_(std::min<std::uint64_t>(maxSectors, fat.Sectors().SectorCount())), next_(start)
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
    known_.push_back(next_);
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
