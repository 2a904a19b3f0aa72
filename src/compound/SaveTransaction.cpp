#include "compound/SaveTransaction.h"

#include "compound/Cfb.h"

#include <array>

namespace cfb {

void SaveTransaction::ReplaceRootStream(CompoundReader& reader, std::optional<std::uint32_t> entry,
                                        const std::u16string& name, const std::vector<std::uint8_t>& content)
{
    ReplaceRootStreams(reader, {RootStreamContent{entry, name, content}});
}

void SaveTransaction::ReplaceRootStreams(CompoundReader& reader, const std::vector<RootStreamContent>& streams)
{
    // The save builds on what was read when the file was opened; a file that another program
    // has rewritten since then must not be patched with that knowledge.
    BlockFile& file = reader.File();
    std::array<std::uint8_t, Header::kSize> now{};
    file.Read(0, now.data(), now.size());
    if (now != reader.Head().raw || file.CurrentSize() != reader.Sectors().FileSize())
        throw Error("the file was changed by another program after it was opened");
    if (!file.Writable())
        throw Error("the file is open for reading only");
    SaveTransaction(reader).Replace(streams);
}

SaveTransaction::SaveTransaction(CompoundReader& reader)
    : m_reader(reader),
      m_header(reader.Head()),
      m_fat(reader.Table(), m_images),
      m_directory(m_fat),
      m_mini(m_fat, reader.MiniSectors())
{
    m_fat.StartAllocating();
}

void SaveTransaction::Replace(const std::vector<RootStreamContent>& streams)
{
    for (const RootStreamContent& stream : streams) {
        // Room for the stream twice over (its sectors and the table sectors they need) and more.
        m_fat.AllowGrowth(2 * DivideRoundingUp(stream.content.size(), m_header.SectorSize()) + 16);
        if (stream.entry) {
            const DirectoryEntry old = m_directory.Entry(*stream.entry);
            if (old.type != EntryType::Stream)
                throw Error("directory entry is not a stream");
            if (old.size < m_header.miniStreamCutoff)
                m_mini.FreeChain(old.start, old.size);
            else
                m_fat.FreeChain(old.start, old.size);
        }
        const bool small = stream.content.size() < m_header.miniStreamCutoff;
        const std::uint32_t start = small ? m_mini.WriteChain(stream.content) : m_fat.WriteChain(stream.content);
        const std::uint32_t index = stream.entry ? *stream.entry : m_directory.InsertStream(stream.name);
        m_directory.Resize(index, start, stream.content.size());
    }
    m_mini.WriteTable();
    if (const auto root = m_mini.MovedRoot())
        m_directory.Resize(0, root->first, root->second);
    // The allocation table last: finishing the others links their chains in it.
    m_mini.Finish(m_header);
    m_directory.Finish(m_header);
    m_fat.Finish(m_header);
    Commit();
}

void SaveTransaction::Commit()
{
    for (const auto& [sector, bytes] : m_images)
        if (!m_fat.MayWrite(sector))
            throw Error("internal error: a save would overwrite data in use");
    const SectorCopies reused = ReusedSectors();
    BlockFile& file = m_reader.File();
    bool headerWritten = false;
    try {
        WriteImages();
        file.Flush();
        const auto header = m_header.Serialize();
        headerWritten = true; // also when the write fails half-way
        file.Write(0, header.data(), header.size());
        file.Flush();
    } catch (...) {
        Rollback(reused, headerWritten);
        throw;
    }
}

// What the free sectors inside the file that the save writes hold now, so that a save that
// fails can give them back.
SaveTransaction::SectorCopies SaveTransaction::ReusedSectors()
{
    SectorReader& sectors = m_reader.Sectors();
    std::vector<std::uint32_t> inside;
    for (const auto& [sector, bytes] : m_images)
        if (sector < sectors.SectorCount())
            inside.push_back(sector);
    sectors.Prefetch(inside, false);
    SectorCopies copies;
    for (std::uint32_t sector : inside) {
        const std::uint8_t* old = sectors.Sector(sector);
        copies.emplace_back(sector, std::vector<std::uint8_t>(old, old + m_header.SectorSize()));
    }
    return copies;
}

// In sector order, consecutive sectors in one write: none of them is seen before the header is.
void SaveTransaction::WriteImages()
{
    std::vector<std::uint8_t> run;
    for (auto it = m_images.begin(); it != m_images.end();) {
        const std::uint32_t first = it->first;
        run.assign(it->second.begin(), it->second.end());
        std::uint32_t last = first;
        for (++it; it != m_images.end() && it->first == last + 1; ++it, ++last)
            run.insert(run.end(), it->second.begin(), it->second.end());
        m_reader.File().Write(m_header.SectorOffset(first), run.data(), run.size());
    }
}

// Puts everything back: the header, the reused sectors and the old length (appended sectors are
// cut off). Whatever of that fails, the file still holds the old or the new state, since the
// old state's sectors were never touched.
void SaveTransaction::Rollback(const SectorCopies& reused, bool headerWritten)
{
    BlockFile& file = m_reader.File();
    try {
        if (headerWritten)
            file.Write(0, m_reader.Head().raw.data(), m_reader.Head().raw.size());
        for (const auto& [sector, bytes] : reused)
            file.Write(m_header.SectorOffset(sector), bytes.data(), bytes.size());
        file.Truncate(m_reader.Sectors().FileSize());
        file.Flush();
    } catch (...) {
    }
}

} // namespace cfb
