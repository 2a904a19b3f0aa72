#pragma once
// A compound file on disk, read and written at explicit offsets through the platform's
// positioned file: one system call per read, nothing buffered twice.

#include "compound/BlockFile.h"
#include "compound/Cfb.h"
#include "platform/PositionedFile.h"

#include <filesystem>
#include <string>

namespace cfb {

// Why a file could not be opened: what() is the reason ("the file does not exist", "it is a
// folder", "the file is read-only", ...). AboutWriting() tells a file that exists but cannot be
// written (read-only, locked) from one that cannot be opened at all.
class OpenError : public Error {
public:
    OpenError(const std::string& reason, bool aboutWriting) : Error(reason), m_aboutWriting(aboutWriting) {}
    bool AboutWriting() const { return m_aboutWriting; }

private:
    bool m_aboutWriting;
};

// The system failed to read bytes that are there (an I/O error, a lost network share).
class ReadError : public Error {
public:
    using Error::Error;
};

class DiskFile : public BlockFile {
public:
    // Opens an existing regular file; opening never changes it. A file opened for writing is
    // held against other writers (this program's or another's) until the DiskFile is
    // destroyed, unless `lockForWriting` is false (benchmarks of the lock's cost only). Readers
    // take no lock and are never refused because of one. With `followLink` false a symbolic
    // link at the path is refused ("it is a symbolic link"). Throws OpenError when it cannot be
    // opened as asked, also when another writer holds it.
    DiskFile(const std::filesystem::path& path, bool writable, bool lockForWriting = true, bool followLink = true);
    // platform::FileIdentity of the file opened, whatever the path names now.
    std::string Identity() const { return m_file.Identity(); }
    std::uint64_t Size() override { return m_size; }
    std::uint64_t CurrentSize() override;
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override;
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override;
    void Flush() override;
    void Truncate(std::uint64_t size) override;
    bool Writable() const override { return m_writable; }

private:
    platform::PositionedFile m_file;
    std::uint64_t m_size = 0;
    bool m_writable;
};

} // namespace cfb
