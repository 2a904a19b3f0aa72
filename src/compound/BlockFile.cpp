#include "compound/BlockFile.h"

#include "compound/Cfb.h"
#include "platform/FileSync.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <limits>

namespace cfb {

namespace {

std::string SystemReason()
{
    const int e = errno;
    return e != 0 ? std::generic_category().message(e) : std::string("access denied or file locked");
}

} // namespace

DiskFile::DiskFile(const std::filesystem::path& path, bool writable) : path_(path), writable_(writable)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw Error(ec ? ec.message() : std::string("not a regular file"));
    if (writable) {
        // A file without write permission counts as read-only also for a privileged user, who
        // could otherwise open it for writing anyway.
        const auto perms = std::filesystem::status(path, ec).permissions();
        if (!ec && (perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none)
            throw Error("the file is read-only");
    }
    errno = 0;
    auto mode = std::ios::binary | std::ios::in;
    if (writable)
        mode |= std::ios::out; // in|out opens an existing file without truncating it
    stream_.open(path, mode);
    if (!stream_.is_open())
        throw Error(SystemReason());
}

std::uint64_t DiskFile::Size()
{
    stream_.clear();
    stream_.seekg(0, std::ios::end);
    const auto end = stream_.tellg();
    if (end < 0)
        throw Error("cannot determine the file size");
    return static_cast<std::uint64_t>(end);
}

std::size_t DiskFile::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length)
{
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()))
        return 0;
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset));
    if (!stream_)
        return 0;
    stream_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(length));
    const auto got = stream_.gcount();
    stream_.clear();
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void DiskFile::Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length)
{
    if (!writable_)
        throw Error("the file is open for reading only");
    stream_.clear();
    stream_.seekp(static_cast<std::streamoff>(offset));
    stream_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
    if (!stream_)
        throw Error("write failed: " + SystemReason());
}

void DiskFile::Flush()
{
    if (!writable_)
        return;
    stream_.flush();
    if (!stream_)
        throw Error("flush failed: " + SystemReason());
    // The header is the commit point of a save: what was written before it must be on the
    // disk before it, also across a power cut, not only handed to the operating system.
    if (!platform::SyncFileToDisk(path_))
        throw Error("flush failed: " + SystemReason());
}

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
