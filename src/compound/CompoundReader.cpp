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

CompoundReader::CompoundReader(BlockFile& file) : m_file(file), m_header(ReadHeader(file))
{
    m_sectors = std::make_unique<SectorReader>(m_file, m_header);
    m_fat = std::make_unique<Fat>(*m_sectors);
    // What the header already locates, in one go: the first directory sector, the first mini
    // table sector and the table sectors that link them on.
    std::vector<std::uint32_t> first{m_header.firstDirectorySector};
    if (m_header.firstMiniFatSector <= kMaxRegSect)
        first.push_back(m_header.firstMiniFatSector);
    std::vector<std::uint32_t> difatRun;
    const std::vector<std::uint32_t> links = m_fat->LinkSectorsFor(first, difatRun);
    first.insert(first.end(), links.begin(), links.end());
    m_sectors->Prefetch(first);
    m_sectors->Prefetch(difatRun, false);
    m_directory = std::make_unique<Directory>(*m_fat);
    const DirectoryEntry root = m_directory->Entry(0);
    if (root.type != EntryType::Root)
        throw Error("the first directory entry is not the root");
}

MiniStream& CompoundReader::MiniSectors()
{
    if (!m_mini) {
        const DirectoryEntry root = Root();
        m_mini = std::make_unique<MiniStream>(*m_fat, root.start, root.size);
    }
    return *m_mini;
}

std::optional<std::uint32_t> CompoundReader::FindRootChild(const std::u16string& name)
{
    return m_directory->FindChild(0, name);
}

std::vector<std::uint8_t> CompoundReader::ReadStream(std::uint32_t entry, std::uint64_t maxBytes)
{
    const DirectoryEntry stream = m_directory->Entry(entry);
    if (stream.type != EntryType::Stream)
        throw Error("directory entry is not a stream");
    if (stream.size > maxBytes)
        throw Error("a stream of " + std::to_string(stream.size) + " bytes, more than the " + std::to_string(maxBytes)
                    + " bytes the program reads from one stream");
    std::vector<std::uint8_t> out(static_cast<std::size_t>(stream.size));
    if (stream.size == 0)
        return out;
    if (InMiniStream(stream.size)) {
        MiniStream& mini = MiniSectors();
        const std::uint32_t miniSectorSize = mini.MiniSectorSize();
        const std::uint64_t count = (stream.size + miniSectorSize - 1) / miniSectorSize;
        std::vector<std::uint32_t> chain;
        chain.reserve(static_cast<std::size_t>(count));
        for (std::uint32_t miniSector = stream.start; chain.size() < count;) {
            if (miniSector > kMaxRegSect)
                throw Error("mini sector chain shorter than its stream");
            chain.push_back(miniSector);
            if (chain.size() < count)
                miniSector = mini.Next(miniSector);
        }
        // Every ordinary sector the stream's mini sectors lie in, read together first.
        std::vector<std::uint32_t> containers;
        for (std::uint32_t miniSector : chain)
            containers.push_back(mini.Locate(miniSector).first);
        m_sectors->Prefetch(containers);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t at = static_cast<std::size_t>(i * miniSectorSize);
            const std::uint32_t length = static_cast<std::uint32_t>(std::min<std::uint64_t>(miniSectorSize, stream.size - at));
            mini.Read(chain[static_cast<std::size_t>(i)], 0, out.data() + at, length);
        }
    } else {
        const std::uint32_t sectorSize = m_header.SectorSize();
        const std::uint64_t count = (stream.size + sectorSize - 1) / sectorSize;
        LazyChain chain(*m_fat, stream.start, count);
        std::vector<std::uint32_t> sectors;
        sectors.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i)
            sectors.push_back(chain.At(i));
        m_sectors->ReadChain(sectors, stream.size, out.data());
    }
    return out;
}

} // namespace cfb
