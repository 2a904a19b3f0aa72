#include "compound/BlockFile.h"

#include "compound/Cfb.h"

#include <algorithm>
#include <cstring>

namespace cfb {

std::size_t MemoryFile::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length)
{
    if (offset >= m_bytes.size())
        return 0;
    const std::size_t copied = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_bytes.size() - offset));
    std::memcpy(out, m_bytes.data() + offset, copied);
    return copied;
}

void MemoryFile::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length)
{
    if (!m_writable)
        throw Error("the file is open for reading only");
    if (offset + length > m_bytes.size())
        m_bytes.resize(static_cast<std::size_t>(offset + length), 0);
    std::memcpy(m_bytes.data() + offset, data, length);
}

std::size_t CountingFile::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length)
{
    const std::size_t copied = m_inner.Read(offset, out, length);
    m_bytesRead += copied;
    ++m_reads;
    return copied;
}

void CountingFile::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length)
{
    m_inner.Write(offset, data, length);
    m_bytesWritten += length;
    ++m_writes;
}

void CountingFile::Flush()
{
    m_inner.Flush();
    ++m_flushes;
}

} // namespace cfb
