#include "compound/CompoundReader.h"

#include "compound/Cfb.h"

#include <algorithm>

namespace cfb {

namespace {

Header ReadHeader(BlockFile& file)
{
    std::uint8_t bytes[Header::kSize] = {};
    const std::size_t got = file.Read(0, bytes, sizeof bytes);
    return Header::Parse(bytes, got);
}

} // namespace

CompoundReader::CompoundReader(BlockFile& file) : file_(file), header_(ReadHeader(file))
{
    sectors_ = std::make_unique<SectorReader>(file_, header_);
    fat_ = std::make_unique<Fat>(*sectors_);
    // What the header already locates, in one go: the first directory sector, the first mini
    // table sector and the table sectors that link them on.
    std::vector<std::uint32_t> first{header_.firstDirSector};
    if (header_.firstMiniFatSector <= kMaxRegSect)
        first.push_back(header_.firstMiniFatSector);
    std::vector<std::uint32_t> difatRun;
    const std::vector<std::uint32_t> links = fat_->LinkSectorsFor(first, difatRun);
    first.insert(first.end(), links.begin(), links.end());
    sectors_->Prefetch(first);
    sectors_->Prefetch(difatRun, false);
    directory_ = std::make_unique<Directory>(*fat_);
    const DirEntry root = directory_->Entry(0);
    if (root.type != EntryType::Root)
        throw Error("the first directory entry is not the root");
}

MiniStream& CompoundReader::Mini()
{
    if (!mini_) {
        const DirEntry root = Root();
        mini_ = std::make_unique<MiniStream>(*fat_, root.start, root.size);
    }
    return *mini_;
}

std::optional<std::uint32_t> CompoundReader::FindRootChild(const std::u16string& name)
{
    return directory_->FindChild(0, name);
}

std::vector<std::uint8_t> CompoundReader::ReadStream(std::uint32_t entry, std::uint64_t maxBytes)
{
    const DirEntry e = directory_->Entry(entry);
    if (e.type != EntryType::Stream)
        throw Error("directory entry is not a stream");
    if (e.size > maxBytes)
        throw Error("a stream of " + std::to_string(e.size) + " bytes, more than the " + std::to_string(maxBytes)
                    + " bytes the program reads from one stream");
    std::vector<std::uint8_t> out(static_cast<std::size_t>(e.size));
    if (e.size == 0)
        return out;
    if (InMiniStream(e.size)) {
        MiniStream& mini = Mini();
        const std::uint32_t ms = mini.MiniSectorSize();
        const std::uint64_t count = (e.size + ms - 1) / ms;
        std::vector<std::uint32_t> chain;
        chain.reserve(static_cast<std::size_t>(count));
        for (std::uint32_t s = e.start; chain.size() < count;) {
            if (s > kMaxRegSect)
                throw Error("mini sector chain shorter than its stream");
            chain.push_back(s);
            if (chain.size() < count)
                s = mini.Next(s);
        }
        // Every ordinary sector the stream's mini sectors lie in, read together first.
        std::vector<std::uint32_t> containers;
        for (std::uint32_t m : chain)
            containers.push_back(mini.Locate(m).first);
        sectors_->Prefetch(containers);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t at = static_cast<std::size_t>(i * ms);
            const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, e.size - at));
            mini.Read(chain[static_cast<std::size_t>(i)], 0, out.data() + at, n);
        }
    } else {
        const std::uint32_t ss = header_.SectorSize();
        const std::uint64_t count = (e.size + ss - 1) / ss;
        LazyChain chain(*fat_, e.start, count);
        std::vector<std::uint32_t> sectors;
        sectors.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i)
            sectors.push_back(chain.At(i));
        sectors_->ReadChain(sectors, e.size, out.data());
    }
    return out;
}

} // namespace cfb
