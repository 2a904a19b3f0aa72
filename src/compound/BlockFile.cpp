#include "compound/BlockFile.h"

#include "compound/Cfb.h"

#include <algorithm>
#include <cstring>

namespace cfb {

std::size_t MemoryFile::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length)
{
    if (offset >= bytes_.size())
        return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, bytes_.size() - offset));
    std::memcpy(out, bytes_.data() + offset, n);
    return n;
}

void MemoryFile::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length)
{
    if (!writable_)
        throw Error("the file is open for reading only");
    if (offset + length > bytes_.size())
        bytes_.resize(static_cast<std::size_t>(offset + length), 0);
    std::memcpy(bytes_.data() + offset, data, length);
}

std::size_t CountingFile::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length)
{
    const std::size_t n = inner_.Read(offset, out, length);
    bytesRead += n;
    ++reads;
    return n;
}

void CountingFile::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length)
{
    inner_.Write(offset, data, length);
    bytesWritten += length;
    ++writes;
}

void CountingFile::Flush()
{
    inner_.Flush();
    ++flushes;
}

} // namespace cfb
