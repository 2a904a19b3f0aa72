#pragma once
// The property set stream format: a stream header with one (FMTID, offset) pair per section,
// then the sections. A section is a size, a table of (property id, offset) pairs and typed
// values. Id 0 is the dictionary (names of the user-defined properties), id 1 the code page.
//
// Reading is tolerant and bounded: offsets need not be aligned, the table may list ids in any
// order, a section may lack the code page, the dictionary may repeat names; every length is
// checked against the section. Values of types the engine does not interpret are kept as raw
// bytes, and everything outside the section that is edited is kept byte for byte.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cfb {

using Fmtid = std::array<std::uint8_t, 16>;
// FMTID of the DocumentSummaryInformation section, D5CDD502-2E9C-101B-9397-08002B2CF9AE.
extern const Fmtid kFmtidDocSummary;
// FMTID of the user-defined (custom) section, D5CDD505-2E9C-101B-9397-08002B2CF9AE.
extern const Fmtid kFmtidUserDefined;

// Variant types of the values the engine interprets.
enum VarType : std::uint16_t {
    VT_EMPTY = 0, VT_NULL = 1, VT_I2 = 2, VT_I4 = 3, VT_R4 = 4, VT_R8 = 5, VT_CY = 6, VT_DATE = 7,
    VT_BSTR = 8, VT_ERROR = 10, VT_BOOL = 11, VT_I1 = 16, VT_UI1 = 17, VT_UI2 = 18, VT_UI4 = 19,
    VT_I8 = 20, VT_UI8 = 21, VT_INT = 22, VT_UINT = 23, VT_LPSTR = 30, VT_LPWSTR = 31,
    VT_FILETIME = 64,
};

// A decoded value. Which member holds it depends on `vt`; `known` is false for types the engine
// keeps only as raw bytes.
struct PropertyValue {
    std::uint16_t vt = VT_EMPTY;
    bool known = false;
    std::string text;           // VT_LPSTR, VT_LPWSTR, VT_BSTR (UTF-8)
    std::int64_t integer = 0;   // VT_I1..VT_UI4, VT_INT, VT_UINT, VT_I8, VT_ERROR
    std::uint64_t unsignedInteger = 0; // VT_UI8
    double real = 0;            // VT_R4, VT_R8, VT_DATE (days since 1899-12-30), VT_CY (in units)
    bool boolean = false;       // VT_BOOL
    std::uint64_t filetime = 0; // VT_FILETIME (100 ns since 1601-01-01 UTC)
};

struct SectionProperty {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> raw; // the stored typed value as it is in the file (type word on)
    PropertyValue value;
};

struct DictionaryEntry {
    std::uint32_t id = 0;
    std::uint32_t lengthField = 0;       // as stored: bytes (ANSI) or characters (Unicode)
    std::vector<std::uint8_t> nameBytes; // as stored, terminator included
    std::string name;                    // decoded, UTF-8, up to the terminator
};

class Section {
public:
    // Parses a section of `size` bytes. `fallbackCodePage` serves when it has no code page.
    static Section Parse(const std::uint8_t* data, std::size_t size, std::uint16_t fallbackCodePage);
    // An empty user-defined section in code page `codePage`.
    static Section NewUserSection(std::uint16_t codePage);
    std::vector<std::uint8_t> Serialize() const;

    std::uint16_t codePage = 1252;
    bool hasCodePage = false;
    bool hasDictionary = false;
    std::vector<SectionProperty> properties; // in the order of the section's table
    std::vector<DictionaryEntry> dictionary;

    // Adds the code page property (id 1) with `codePage` when the section has none, so that
    // every reader takes the section in the code page it was written in, not a guess of its own.
    void DeclareCodePage();
    // The name the dictionary gives id `id`, if any (first entry for the id).
    const DictionaryEntry* NameOf(std::uint32_t id) const;
    // The property `id`, if the section has it.
    const SectionProperty* Find(std::uint32_t id) const;
    // Gives property `id` the stored typed value `raw` (type word first) where it stands in the
    // table, or adds it at the end. Throws cfb::Error when `raw` does not decode.
    void SetStored(std::uint32_t id, std::vector<std::uint8_t> raw);
    // The string type the section writes text in: that of its first string value, VT_LPSTR
    // when it has none (the type the summary sets prescribe).
    std::uint16_t StringType() const;
    // Removes the property and its dictionary entries.
    void Remove(std::uint32_t id);
    // Adds a text property at the end of the table; the value is VT_LPSTR in an ANSI code page
    // when it fits, VT_LPWSTR otherwise. Throws cfb::Error when the name cannot be written in
    // the section's code page. Returns the new id.
    std::uint32_t AddText(const std::string& name, const std::string& value);
    // Adds a property at the end of the table with `raw` as its stored typed value (type word
    // first, as SectionProperty::raw), e.g. one read from this section earlier. Throws
    // cfb::Error like AddText, or when a value of a known type is cut short. Returns the new id.
    std::uint32_t AddStored(const std::string& name, std::vector<std::uint8_t> raw);

private:
    // A dictionary entry for `name` under a new id (the dictionary added when missing).
    std::uint32_t AddName(const std::string& name);
};

// Decodes one typed value at `data` (at most `available` bytes). Returns the decoded value and
// the number of bytes it takes, or nothing when the type is not one the engine interprets.
// Throws cfb::Error when a known type's length runs past `available`.
std::optional<std::pair<PropertyValue, std::size_t>> DecodeValue(const std::uint8_t* data, std::size_t available,
                                                                 std::uint16_t codePage);

class PropertySetStream {
public:
    struct SectionRef {
        Fmtid fmtid{};
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    // Parses the stream. Throws cfb::Error when the stream header or the user-defined section is
    // damaged; other sections are decoded when possible and otherwise only kept.
    static PropertySetStream Parse(std::vector<std::uint8_t> bytes);
    // A stream that does not exist yet.
    static PropertySetStream Empty();

    // The stream with `user` in place of the user-defined section (added when missing). Every
    // other byte of the stream is kept; only section offsets move. Throws cfb::Error for a
    // stream in which that would change another section: one that overlaps the user-defined
    // section, or, when that is added at the end, one that declares a size past the end of the
    // stream; and for a stream that has no room for one more section.
    std::vector<std::uint8_t> Rebuild(const Section& user) const;

    // Index of the first section with `fmtid`, if there is one.
    std::optional<std::size_t> SectionIndex(const Fmtid& fmtid) const;
    // Section `index` decoded; one without a code page takes the first section's, or 1252.
    // Throws cfb::Error for a damaged section.
    Section ParseSection(std::size_t index) const;
    // The stream with `section` in place of section `index`; every other byte is kept, only the
    // offsets of later sections move. Throws cfb::Error when another section overlaps it.
    std::vector<std::uint8_t> ReplaceSection(std::size_t index, const Section& section) const;
    // A new stream of one section `section` with FMTID `fmtid`.
    static std::vector<std::uint8_t> NewStream(const Fmtid& fmtid, const Section& section);

    std::vector<std::uint8_t> bytes;
    std::vector<SectionRef> refs;
    int userIndex = -1;
    Section user;                 // the user-defined section, or a new empty one
};

} // namespace cfb
