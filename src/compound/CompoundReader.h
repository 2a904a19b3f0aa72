#pragma once
// An open compound file for reading: header, allocation tables, directory and stream contents.
// Only what is asked for is read.

#include "compound/Directory.h"
#include "compound/MiniStream.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cfb {

class CompoundReader {
public:
    // Reads and checks the header. Throws cfb::Error("not a compound file") for anything that is
    // not one, another cfb::Error for a damaged header.
    explicit CompoundReader(BlockFile& file);
    CompoundReader(const CompoundReader&) = delete;
    CompoundReader& operator=(const CompoundReader&) = delete;

    const Header& Head() const { return m_header; }
    BlockFile& File() { return m_file; }
    SectorReader& Sectors() { return *m_sectors; }
    Fat& Table() { return *m_fat; }
    Directory& Entries() { return *m_directory; }
    MiniStream& MiniSectors();
    DirectoryEntry Root() { return m_directory->Entry(0); }

    // Index of the stream or storage `name` directly under the root, if there is one.
    std::optional<std::uint32_t> FindRootChild(const std::u16string& name);
    // The whole content of the stream at directory index `entry`. Streams longer than
    // `maxBytes` are refused (the engine never needs a large one in memory).
    std::vector<std::uint8_t> ReadStream(std::uint32_t entry, std::uint64_t maxBytes = 64u << 20);
    // True when the stream of that size lives in the mini stream.
    bool InMiniStream(std::uint64_t size) const { return size < m_header.miniStreamCutoff; }

private:
    BlockFile& m_file;
    Header m_header;
    std::unique_ptr<SectorReader> m_sectors;
    std::unique_ptr<Fat> m_fat;
    std::unique_ptr<Directory> m_directory;
    std::unique_ptr<MiniStream> m_mini;
};

} // namespace cfb
