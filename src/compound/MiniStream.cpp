#include "compound/MiniStream.h"

#include "compound/Cfb.h"

#include <algorithm>

namespace cfb {

namespace {
std::uint64_t DivUp(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }
}

MiniStream::MiniStream(Fat& fat, std::uint32_t rootStart, std::uint64_t rootSize)
    : fat_(fat),
      miniSize_(fat.Sectors().Head().MiniSectorSize()),
      rootSize_(rootSize),
      tableSectors_(fat.Sectors().Head().numMiniFatSectors),
      container_(fat, rootStart, DivUp(rootSize, fat.Sectors().SectorSize())),
      table_(fat, fat.Sectors().Head().firstMiniFatSector,
             // Some writers leave the count at zero; the chain itself is then the authority.
             fat.Sectors().Head().numMiniFatSectors ? fat.Sectors().Head().numMiniFatSectors
                                                    : fat.Sectors().SectorCount())
{
}

std::uint64_t MiniStream::Capacity() const
{
    return tableSectors_ * (fat_.Sectors().SectorSize() / 4);
}

std::uint32_t MiniStream::Next(std::uint32_t mini)
{
    const std::uint32_t per = fat_.Sectors().SectorSize() / 4;
    const std::uint32_t sector = table_.At(mini / per);
    return Get32(fat_.Sectors().Sector(sector) + 4 * (mini % per));
}

std::vector<std::uint32_t> MiniStream::AllEntries()
{
    std::vector<std::uint32_t> out;
    const std::uint32_t per = fat_.Sectors().SectorSize() / 4;
    const std::vector<std::uint32_t>& sectors = table_.All();
    fat_.Sectors().Prefetch(sectors);
    for (std::uint32_t sector : sectors) {
        const std::uint8_t* s = fat_.Sectors().Sector(sector);
        for (std::uint32_t j = 0; j < per; ++j)
            out.push_back(Get32(s + 4 * j));
    }
    return out;
}

std::pair<std::uint32_t, std::uint32_t> MiniStream::Locate(std::uint32_t mini)
{
    const std::uint64_t offset = static_cast<std::uint64_t>(mini) * miniSize_;
    if (offset + miniSize_ > DivUp(rootSize_, miniSize_) * miniSize_)
        throw Error("mini sector " + std::to_string(mini) + " lies beyond the mini stream");
    const std::uint32_t ss = fat_.Sectors().SectorSize();
    return {container_.At(offset / ss), static_cast<std::uint32_t>(offset % ss)};
}

void MiniStream::Read(std::uint32_t mini, std::uint32_t offset, std::uint8_t* out, std::uint32_t length)
{
    if (offset > miniSize_ || length > miniSize_ - offset)
        throw Error("read outside a mini sector");
    auto [sector, at] = Locate(mini);
    std::copy_n(fat_.Sectors().Sector(sector) + at + offset, length, out);
}

std::vector<std::uint32_t> MiniStream::Chain(std::uint32_t start, std::uint64_t maxSectors)
{
    std::vector<std::uint32_t> out;
    const std::uint64_t limit = std::min<std::uint64_t>(maxSectors, MiniSectorCount() + 1);
    std::uint32_t s = start;
    while (s != kEndOfChain && s != kFreeSect) {
        if (s > kMaxRegSect)
            throw Error("broken mini sector chain");
        if (out.size() >= limit)
            throw Error("mini sector chain longer than its data (a loop in the mini table?)");
        out.push_back(s);
        s = Next(s);
    }
    return out;
}

} // namespace cfb
