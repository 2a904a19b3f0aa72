#pragma once
// Random access to the bytes of a compound file. The engine reads and writes only through this
// interface, so that tests can count the bytes moved, stop a save after any write, and the fuzz
// target can work on a buffer in memory.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace cfb {

class BlockFile {
public:
    virtual ~BlockFile() = default;
    // Current length of the file in bytes.
    virtual std::uint64_t Size() = 0;
    // Reads up to `length` bytes at `offset`; returns how many were read (fewer only at the end).
    virtual std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) = 0;
    // Writes all bytes at `offset`, growing the file when needed. Throws cfb::Error on failure.
    virtual void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) = 0;
    // Makes everything written so far durable on the disk before anything later is written.
    virtual void Flush() = 0;
    // False for a file opened for reading only; Write then throws.
    virtual bool Writable() const = 0;
};

// A file on disk. Opening for writing fails on a read-only or inaccessible file; opening never
// changes the file.
class DiskFile : public BlockFile {
public:
    // Throws cfb::Error with the system's reason when the file cannot be opened as asked.
    DiskFile(const std::filesystem::path& path, bool writable);
    std::uint64_t Size() override;
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override;
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override;
    void Flush() override;
    bool Writable() const override { return writable_; }

private:
    std::fstream stream_;
    std::filesystem::path path_;
    bool writable_;
};

// A file held in memory (fuzzing, tests).
class MemoryFile : public BlockFile {
public:
    explicit MemoryFile(std::vector<std::uint8_t> bytes, bool writable = true)
        : bytes_(std::move(bytes)), writable_(writable) {}
    std::uint64_t Size() override { return bytes_.size(); }
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override;
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override;
    void Flush() override {}
    bool Writable() const override { return writable_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    bool writable_;
};

// Passes everything through to another file and counts the bytes and calls; used by the
// benchmarks and by tests that check how little an operation touches.
class CountingFile : public BlockFile {
public:
    explicit CountingFile(BlockFile& inner) : inner_(inner) {}
    std::uint64_t Size() override { return inner_.Size(); }
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override;
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override;
    void Flush() override;
    bool Writable() const override { return inner_.Writable(); }

    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;
    int writes = 0;
    int flushes = 0;

private:
    BlockFile& inner_;
};

} // namespace cfb
