#pragma once
// Random access to the bytes of a compound file. The engine reads and writes only through this
// interface (DiskFile for files on disk), so that tests can count the bytes moved, delay reads,
// stop a save after any write, and the fuzz target can work on a buffer in memory.

#include <cstdint>
#include <vector>

namespace cfb {

class BlockFile {
public:
    virtual ~BlockFile() = default;
    // Length of the file in bytes as this object knows it: found when it was opened, then
    // changed only by its own writes and truncation (asks the system nothing).
    virtual std::uint64_t Size() = 0;
    // Length of the file now, also when another program changed it.
    virtual std::uint64_t CurrentSize() { return Size(); }
    // Reads up to `length` bytes at `offset`; returns how many were read (fewer only at the end).
    // Throws cfb::Error when the system reports a read error.
    virtual std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) = 0;
    // Writes all bytes at `offset`, growing the file when needed. Throws cfb::Error on failure.
    virtual void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) = 0;
    // Makes everything written so far durable on the disk before anything later is written.
    virtual void Flush() = 0;
    // Cuts the file back to `size` bytes. Throws cfb::Error on failure.
    virtual void Truncate(std::uint64_t size) = 0;
    // False for a file opened for reading only; Write then throws.
    virtual bool Writable() const = 0;
};

// A file held in memory (fuzzing, tests).
class MemoryFile : public BlockFile {
public:
    explicit MemoryFile(std::vector<std::uint8_t> bytes, bool writable = true)
        : m_bytes(std::move(bytes)), m_writable(writable) {}
    std::uint64_t Size() override { return m_bytes.size(); }
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override;
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override;
    void Flush() override {}
    void Truncate(std::uint64_t size) override { m_bytes.resize(static_cast<std::size_t>(size)); }
    bool Writable() const override { return m_writable; }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
    bool m_writable;
};

// Passes everything through to another file and counts the bytes and calls; used by the
// benchmarks and by tests that check how little an operation touches.
class CountingFile : public BlockFile {
public:
    explicit CountingFile(BlockFile& inner) : m_inner(inner) {}
    std::uint64_t Size() override { return m_inner.Size(); }
    std::uint64_t CurrentSize() override { return m_inner.CurrentSize(); }
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override;
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override;
    void Flush() override;
    void Truncate(std::uint64_t size) override { m_inner.Truncate(size); }
    bool Writable() const override { return m_inner.Writable(); }

    std::uint64_t BytesRead() const { return m_bytesRead; }
    int Reads() const { return m_reads; }
    std::uint64_t BytesWritten() const { return m_bytesWritten; }
    int Writes() const { return m_writes; }
    int Flushes() const { return m_flushes; }

private:
    BlockFile& m_inner;
    std::uint64_t m_bytesRead = 0;
    int m_reads = 0;
    std::uint64_t m_bytesWritten = 0;
    int m_writes = 0;
    int m_flushes = 0;
};

} // namespace cfb
