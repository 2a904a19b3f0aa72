#pragma once
// Fixture files and small helpers shared by the compound engine tests.

#include "compound/DiskFile.h"
#include "compound/CustomPropertyCollection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace testdata {

inline std::filesystem::path Fixture(const char* name)
{
    return std::filesystem::path(KRDL_SOURCE_DIR "/tests/data/compound") / name;
}

// The whole file, or nothing when it cannot be read.
inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the file anew; fails the test when it cannot.
inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ASSERT_TRUE(out) << "cannot write " << path.string();
}

struct Prop {
    std::string name;
    int type;
    std::string text; // the value as the tests compare it
    bool operator==(const Prop&) const = default;
};

inline void PrintTo(const Prop& p, std::ostream* os)
{
    *os << "{" << p.name << ", " << p.type << ", " << p.text << "}";
}

inline std::string ValueText(const cfb::PropertyValue& v)
{
    switch (v.vt) {
    case 30: case 31: case 8: return v.text;
    case 11: return v.boolean ? "true" : "false";
    case 4: case 5: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%g", v.real);
        return buf;
    }
    case 64: return "ft:" + std::to_string(v.filetime);
    case 21: return std::to_string(v.unsignedInteger);
    default: return v.known ? std::to_string(v.integer) : "?";
    }
}

inline std::vector<Prop> List(cfb::CustomPropertyCollection& c)
{
    std::vector<Prop> out;
    for (std::size_t i = 0; i < c.Count(); ++i) {
        const cfb::CustomProperty p = c.Item(i);
        out.push_back({p.name, p.typeCode, ValueText(p.value)});
    }
    return out;
}

// A file whose bytes are `bytes` followed by zeros up to `size`, without holding them: a large
// sparse file. Writes go to the bytes held.
class SparseFile : public cfb::MemoryFile {
public:
    SparseFile(std::vector<std::uint8_t> bytes, std::uint64_t size) : cfb::MemoryFile(std::move(bytes)), size_(size) {}
    std::uint64_t Size() override { return std::max<std::uint64_t>(size_, cfb::MemoryFile::Size()); }
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override
    {
        if (offset >= Size())
            return 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, Size() - offset));
        const std::size_t held = cfb::MemoryFile::Read(offset, out, n);
        std::fill(out + held, out + n, 0);
        return n;
    }

private:
    std::uint64_t size_;
};

inline std::vector<Prop> ListBytes(const std::vector<std::uint8_t>& bytes)
{
    cfb::MemoryFile f(bytes, false);
    cfb::CustomPropertyCollection c(f);
    return List(c);
}

// The document's own properties that `c` (made with them) holds, with their variant types.
inline std::vector<Prop> SystemList(const cfb::CustomPropertyCollection& c)
{
    std::vector<Prop> out;
    for (const cfb::SystemPropertyDefinition& definition : cfb::SystemPropertyDefinitions())
        if (const cfb::PropertyValue* value = c.SystemValue(definition))
            out.push_back({definition.name, value->vt, ValueText(*value)});
    return out;
}

inline std::vector<Prop> SystemListBytes(const std::vector<std::uint8_t>& bytes)
{
    cfb::MemoryFile f(bytes, false);
    const cfb::CustomPropertyCollection c(f, true);
    return SystemList(c);
}

} // namespace testdata
