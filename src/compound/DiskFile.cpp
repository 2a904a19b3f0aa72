#include "compound/DiskFile.h"

#include "compound/Cfb.h"

#include <algorithm>

namespace cfb {

namespace {

using Problem = platform::PositionedFile::Problem;

std::string Reason(const platform::PositionedFile::Status& s)
{
    switch (s.problem) {
    case Problem::None: return {};
    case Problem::NotFound: return "the file does not exist";
    case Problem::Folder: return "it is a folder";
    case Problem::Fifo: return "it is a FIFO";
    case Problem::Socket: return "it is a socket";
    case Problem::Device: return "it is a device";
    case Problem::NotRegular: return "it is not a regular file";
    case Problem::Link: return "it is a symbolic link";
    case Problem::ReadOnly: return "the file is read-only";
    case Problem::Locked: return "it is locked by another program or by another save in progress";
    case Problem::System: break;
    }
    return s.ec ? s.ec.message() : std::string("the system refused to open it");
}

} // namespace

DiskFile::DiskFile(const std::filesystem::path& path, bool writable, bool lockForWriting, bool followLink)
    : m_writable(writable)
{
    using platform::PositionedFile;
    const auto status = m_file.Open(path, writable ? PositionedFile::Access::Write : PositionedFile::Access::Read,
                                   lockForWriting ? PositionedFile::Lock::Exclusive : PositionedFile::Lock::None,
                                   followLink ? PositionedFile::Links::Follow : PositionedFile::Links::NoFollow);
    if (!status)
        throw OpenError(Reason(status), writable && (status.problem == Problem::ReadOnly || status.problem == Problem::Locked
                                                     || status.problem == Problem::System));
    m_size = m_file.SizeAtOpen();
}

std::uint64_t DiskFile::CurrentSize()
{
    std::uint64_t size = 0;
    std::error_code ec;
    if (!m_file.CurrentSize(size, ec))
        throw Error("cannot determine the file size: " + ec.message());
    return size;
}

std::size_t DiskFile::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length)
{
    std::error_code ec;
    const std::size_t got = m_file.ReadAt(offset, out, length, ec);
    if (ec)
        throw ReadError("read failed: " + ec.message());
    return got;
}

void DiskFile::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length)
{
    if (!m_writable)
        throw Error("the file is open for reading only");
    std::error_code ec;
    if (!m_file.WriteAt(offset, data, length, ec)) {
        // Part of it may have landed beyond the old end.
        std::uint64_t now = 0;
        std::error_code ignored;
        if (m_file.CurrentSize(now, ignored))
            m_size = std::max(m_size, now);
        throw Error("write failed: " + ec.message());
    }
    m_size = std::max(m_size, offset + length);
}

void DiskFile::Flush()
{
    if (!m_writable)
        return;
    // The header is the commit point of a save: what was written before it must be on the
    // disk before it, also across a power cut, not only handed to the operating system.
    std::error_code ec;
    if (!m_file.Sync(ec))
        throw Error("flush failed: " + ec.message());
}

void DiskFile::Truncate(std::uint64_t size)
{
    if (!m_writable)
        throw Error("the file is open for reading only");
    std::error_code ec;
    if (!m_file.Truncate(size, ec))
        throw Error("truncating the file failed: " + ec.message());
    m_size = size;
}

} // namespace cfb
