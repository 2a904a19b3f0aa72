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

    const Header& Head() const { return header_; }
    BlockFile& File() { return file_; }
    SectorReader& Sectors() { return *sectors_; }
    Fat& Table() { return *fat_; }
    Directory& Dir() { return *directory_; }
    MiniStream& Mini();
    DirEntry Root() { return directory_->Entry(0); }

    // Index of the stream or storage `name` directly under the root, if there is one.
    std::optional<std::uint32_t> FindRootChild(const std::u16string& name);
    // The whole content of the stream at directory index `entry`. Streams longer than
    // `maxBytes` are refused (the engine never needs a large one in memory).
    std::vector<std::uint8_t> ReadStream(std::uint32_t entry, std::uint64_t maxBytes = 64u << 20);
    // True when the stream of that size lives in the mini stream.
    bool InMiniStream(std::uint64_t size) const { return size < header_.miniStreamCutoff; }

private:
    BlockFile& file_;
    Header header_;
    std::unique_ptr<SectorReader> sectors_;
    std::unique_ptr<Fat> fat_;
    std::unique_ptr<Directory> directory_;
    std::unique_ptr<MiniStream> mini_;
};

} // namespace cfb
