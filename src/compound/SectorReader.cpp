#include "compound/SectorReader.h"

#include "compound/Cfb.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace cfb {

namespace {
constexpr std::uint32_t kWindowBytes = 4096;
// One read takes at most this much, so that a long list does not become one huge buffer.
constexpr std::uint64_t kMaxReadBytes = 1u << 20;
}

SectorReader::SectorReader(BlockFile& file, const Header& header)
    : m_file(file),
      m_header(header),
      m_sectorSize(header.SectorSize()),
      m_sectorsPerWindow(std::max<std::uint32_t>(1, kWindowBytes / header.SectorSize())),
      m_fileSize(file.Size())
{
    const std::uint64_t headerBytes = m_sectorSize; // the header occupies the first sector
    const std::uint64_t body = m_fileSize > headerBytes ? m_fileSize - headerBytes : 0;
    const std::uint64_t count = (body + m_sectorSize - 1) / m_sectorSize;
    m_sectorCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, kMaxRegSect));
}

void SectorReader::CheckInside(std::uint32_t sector) const
{
    if (sector >= m_sectorCount)
        throw Error("sector " + std::to_string(sector) + " lies beyond the end of the file");
}

const std::uint8_t* SectorReader::Find(std::uint32_t sector) const
{
    auto it = m_runs.upper_bound(sector);
    if (it == m_runs.begin())
        return nullptr;
    --it;
    if (sector - it->first >= it->second.count)
        return nullptr;
    return it->second.bytes.get() + std::size_t{sector - it->first} * m_sectorSize;
}

const std::uint8_t* SectorReader::Sector(std::uint32_t sector)
{
    if (const std::uint8_t* kept = Find(sector))
        return kept;
    CheckInside(sector);
    Prefetch({sector});
    return Find(sector);
}

void SectorReader::Prefetch(const std::vector<std::uint32_t>& sectors, bool withNeighbours)
{
    // The windows of the missing sectors, merged where they touch; with neighbours also across a
    // gap of one window, since one more read costs more than 4 KB more in one read.
    const std::uint32_t window = withNeighbours ? m_sectorsPerWindow : 1;
    const std::uint32_t gap = withNeighbours ? m_sectorsPerWindow : 0;
    std::vector<std::uint32_t> starts;
    for (std::uint32_t sector : sectors)
        if (sector < m_sectorCount && !Kept(sector))
            starts.push_back(sector - sector % window);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::size_t i = 0;
    while (i < starts.size()) {
        std::uint64_t first = starts[i];
        std::uint64_t end = first + window;
        const std::uint64_t most = std::max<std::uint64_t>(window, kMaxReadBytes / m_sectorSize);
        while (++i < starts.size() && starts[i] <= end + gap && std::uint64_t{starts[i]} + window - first <= most)
            end = std::uint64_t{starts[i]} + window;
        end = std::min<std::uint64_t>(end, m_sectorCount);
        // Read what is not kept yet, in the stretches between kept sectors.
        while (first < end) {
            while (first < end && Kept(static_cast<std::uint32_t>(first)))
                ++first;
            std::uint64_t stop = first;
            while (stop < end && !Kept(static_cast<std::uint32_t>(stop)))
                ++stop;
            if (first < stop)
                ReadRun(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(stop - first));
            first = stop;
        }
    }
}

void SectorReader::ReadRun(std::uint32_t first, std::uint32_t count)
{
    const std::size_t bytes = std::size_t{count} * m_sectorSize;
    auto block = std::make_unique<std::uint8_t[]>(bytes); // zeroed: a short read leaves zeros
    m_file.Read(m_header.SectorOffset(first), block.get(), bytes);
    m_runs.emplace(first, Run{count, std::move(block)});
}

void SectorReader::ReadChain(const std::vector<std::uint32_t>& chain, std::uint64_t length, std::uint8_t* out)
{
    std::uint64_t done = 0;
    std::size_t i = 0;
    while (i < chain.size() && done < length) {
        const std::uint32_t sector = chain[i];
        CheckInside(sector);
        if (const std::uint8_t* kept = Find(sector)) {
            const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(m_sectorSize, length - done));
            std::memcpy(out + done, kept, part);
            done += part;
            ++i;
            continue;
        }
        // A run of consecutive sectors that are not kept: one read.
        std::size_t j = i + 1;
        while (j < chain.size() && chain[j] == chain[j - 1] + 1 && chain[j] < m_sectorCount && !Kept(chain[j]))
            ++j;
        const std::size_t part =
            static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t{m_sectorSize} * (j - i), length - done));
        const std::size_t got = m_file.Read(m_header.SectorOffset(sector), out + done, part);
        std::memset(out + done + got, 0, part - got);
        done += part;
        i = j;
    }
    if (done < length)
        throw Error("sector chain shorter than its data");
}

} // namespace cfb
