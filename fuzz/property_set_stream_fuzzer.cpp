// libFuzzer target over property set streams (the summary information streams of a document):
// any bytes are read or refused with cfb::Error. A stream read and rebuilt with its own
// user-defined section, or with that section edited, reads back with that section, and every
// other section keeps its bytes.

#include "FuzzCheck.h"

#include "compound/Cfb.h"
#include "compound/PropertySet.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The bytes of section `index` of `stream`, as far as the stream holds them.
Bytes SectionBytes(const cfb::PropertySetStream& stream, std::size_t index)
{
    const auto& ref = stream.refs[index];
    return Bytes(stream.bytes.begin() + ref.offset, stream.bytes.begin() + ref.offset + ref.size);
}

// A value comes back in the same bytes, give or take the zero bytes that pad it to four: a value
// of a type the engine keeps raw reaches up to the next one, a known one only as far as its type
// says.
bool SameValue(const cfb::SectionProperty& written, const cfb::SectionProperty& read)
{
    const bool readLonger = read.raw.size() > written.raw.size();
    const Bytes& shorter = readLonger ? written.raw : read.raw;
    const Bytes& longer = readLonger ? read.raw : written.raw;
    if (written.id != read.id || written.value.vt != read.value.vt || longer.size() - shorter.size() > 3
        || !std::equal(shorter.begin(), shorter.end(), longer.begin()))
        return false;
    return std::all_of(longer.begin() + std::ptrdiff_t(shorter.size()), longer.end(), [](std::uint8_t b) { return b == 0; });
}

bool SameSection(const cfb::Section& written, const cfb::Section& read)
{
    if (written.codePage != read.codePage || written.hasCodePage != read.hasCodePage
        || written.hasDictionary != read.hasDictionary || written.properties.size() != read.properties.size()
        || written.dictionary.size() != read.dictionary.size())
        return false;
    for (std::size_t i = 0; i < written.properties.size(); ++i)
        if (!SameValue(written.properties[i], read.properties[i]))
            return false;
    for (std::size_t i = 0; i < written.dictionary.size(); ++i) {
        const cfb::DictionaryEntry& a = written.dictionary[i];
        const cfb::DictionaryEntry& b = read.dictionary[i];
        if (a.id != b.id || a.lengthField != b.lengthField || a.nameBytes != b.nameBytes || a.name != b.name)
            return false;
    }
    return true;
}

// Rebuilds `stream` with `user` and reads the result: the user section comes back, and the
// stream header and every other section are as they were; or the rebuild is refused.
void RequireRebuilt(const cfb::PropertySetStream& stream, const cfb::Section& user)
{
    Bytes rebuilt;
    try {
        rebuilt = stream.Rebuild(user);
    } catch (const cfb::Error&) {
        return; // a stream whose other sections a rebuild would change: refused, nothing written
    }
    cfb::PropertySetStream read;
    try {
        read = cfb::PropertySetStream::Parse(rebuilt);
    } catch (const cfb::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        Require(false, "a stream rebuilt is readable");
    }
    Require(read.userIndex >= 0 && SameSection(user, read.user), "a stream rebuilt gives back its user section");
    Require(std::equal(rebuilt.begin(), rebuilt.begin() + 24, stream.bytes.begin()), "a stream rebuilt keeps its header");
    for (std::size_t i = 0; i < stream.refs.size(); ++i) {
        if (int(i) == stream.userIndex)
            continue;
        Require(read.refs[i].fmtid == stream.refs[i].fmtid && SectionBytes(read, i) == SectionBytes(stream, i),
                "a stream rebuilt keeps every other section");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    cfb::PropertySetStream stream;
    try {
        stream = cfb::PropertySetStream::Parse(Bytes(data, data + size));
    } catch (const cfb::Error&) {
        return 0;
    }
    RequireRebuilt(stream, stream.user);

    // An edit as a save makes one: the first user property replaced by a text named after it.
    cfb::Section edited = stream.user;
    std::string name = "Fuzz";
    for (const cfb::SectionProperty& p : edited.properties) {
        if (p.id <= 1)
            continue;
        if (const cfb::DictionaryEntry* entry = edited.NameOf(p.id))
            name = entry->name;
        edited.Remove(p.id);
        break;
    }
    // Program text is UTF-8: the value is the input's first bytes made well-formed.
    const std::string_view head(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 40));
    const std::string value = text::Utf8FromUtf16(text::Utf16FromUtf8(head));
    try {
        edited.AddText(name, value);
    } catch (const cfb::Error&) {
        return 0; // a name the section's code page cannot hold: refused, nothing written
    }
    RequireRebuilt(stream, edited);
    return 0;
}
