// Typed values over literal bytes: every type the engine interprets, including the ones no
// fixture document holds, the length each takes, and values cut short by their section.

#include "compound/Cfb.h"
#include "compound/PropertySet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
    const char* what;
    Bytes bytes;
    std::uint16_t codePage;
    std::size_t used;
    std::string expected; // decoded value as text
};

std::string Text(const cfb::PropertyValue& v)
{
    switch (v.vt) {
    case cfb::VT_EMPTY: case cfb::VT_NULL: return "-";
    case cfb::VT_LPSTR: case cfb::VT_LPWSTR: case cfb::VT_BSTR: return v.text;
    case cfb::VT_BOOL: return v.boolean ? "true" : "false";
    case cfb::VT_R4: case cfb::VT_R8: case cfb::VT_DATE: case cfb::VT_CY: {
        char b[40];
        std::snprintf(b, sizeof b, "%.6g", v.real);
        return b;
    }
    case cfb::VT_UI8: return std::to_string(v.unsignedInteger);
    case cfb::VT_FILETIME: return "ft" + std::to_string(v.filetime);
    default: return std::to_string(v.integer);
    }
}

} // namespace

TEST(PropertySet, DecodeValueOfEveryInterpretedType)
{
    const Case cases[] = {
        {"empty", {0, 0, 0, 0}, 1252, 4, "-"},
        {"I1", {16, 0, 0, 0, 0xFE, 0, 0, 0}, 1252, 5, "-2"},
        {"UI1", {17, 0, 0, 0, 0xFE, 0, 0, 0}, 1252, 5, "254"},
        {"I2", {2, 0, 0, 0, 0xFE, 0xFF, 0, 0}, 1252, 6, "-2"},
        {"UI2", {18, 0, 0, 0, 0xFE, 0xFF, 0, 0}, 1252, 6, "65534"},
        {"BOOL any bits set", {11, 0, 0, 0, 0x01, 0x00, 0, 0}, 1252, 6, "true"},
        {"I4", {3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 1252, 8, "-1"},
        {"ERROR", {10, 0, 0, 0, 0x05, 0x40, 0x00, 0x80}, 1252, 8, "-2147467259"},
        {"UI4", {19, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 1252, 8, "4294967295"},
        {"R4", {4, 0, 0, 0, 0x00, 0x00, 0x50, 0x40}, 1252, 8, "3.25"},
        {"R8", {5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x29, 0x40}, 1252, 12, "12.5"},
        {"DATE", {7, 0, 0, 0, 0, 0, 0, 0, 0, 0x60, 0xE2, 0x40}, 1252, 12, "37632"},
        {"CY in ten-thousandths", {6, 0, 0, 0, 0x50, 0xC3, 0, 0, 0, 0, 0, 0}, 1252, 12, "5"},
        {"I8", {20, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1252, 12, "-1"},
        {"UI8", {21, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1252, 12, "18446744073709551615"},
        {"FILETIME", {64, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}, 1252, 12, "ft8589934593"},
        {"LPSTR in 1250, ends at its zero", {30, 0, 0, 0, 4, 0, 0, 0, 0x8A, 'a', 0, 'x'}, 1250, 12, "\xC5\xA0" "a"},
        {"LPSTR without a zero", {30, 0, 0, 0, 2, 0, 0, 0, 'h', 'i'}, 1252, 10, "hi"},
        {"LPSTR in a Unicode section", {30, 0, 0, 0, 4, 0, 0, 0, 0x0D, 0x01, 0, 0}, 1200, 12, "\xC4\x8D"},
        {"BSTR", {8, 0, 0, 0, 2, 0, 0, 0, 'o', 'k'}, 1252, 10, "ok"},
        {"LPWSTR counts characters", {31, 0, 0, 0, 2, 0, 0, 0, 0x0C, 0x01, 0, 0}, 1252, 12, "\xC4\x8C"},
    };
    for (const Case& c : cases) {
        const auto decoded = cfb::DecodeValue(c.bytes.data(), c.bytes.size(), c.codePage);
        ASSERT_TRUE(decoded.has_value()) << c.what;
        EXPECT_TRUE(decoded->first.known) << c.what;
        EXPECT_EQ(Text(decoded->first), c.expected) << c.what;
        EXPECT_EQ(decoded->second, c.used) << c.what;
    }
}

TEST(PropertySet, DecodeValueRefusesWhatRunsPastItsSection)
{
    const Bytes cases[] = {
        {3, 0},                                // not even the type word
        {3, 0, 0, 0, 1, 2, 3},                 // an I4 one byte short
        {5, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7},     // an R8 one byte short
        {30, 0, 0, 0, 5, 0, 0, 0, 'a', 'b'},   // a string longer than what is left
        {30, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, // a length that would wrap around
        {31, 0, 0, 0, 0, 0, 0, 0x80, 'a', 0},  // characters beyond the section
        {31, 0, 0, 0, 2, 0, 0, 0, 'a', 0, 'b'}, // half a character short
    };
    for (const Bytes& b : cases)
        EXPECT_THROW(cfb::DecodeValue(b.data(), b.size(), 1252), cfb::Error) << b.size() << " bytes";
    const Bytes vector = {0x1E, 0x10, 0, 0, 1, 0, 0, 0}; // VT_VECTOR | VT_LPSTR: kept raw
    EXPECT_FALSE(cfb::DecodeValue(vector.data(), vector.size(), 1252).has_value());
}

TEST(PropertySet, RebuildRefusesAStreamWhoseOtherSectionsItWouldChange)
{
    // One summary section at 53 that declares 16 MB: a user section added at the end of the
    // stream would become part of it.
    const Bytes pastTheEnd = {
        0xFE, 0xFF, 0, 0, 4, 10, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
        0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10, 0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE, 53, 0, 0, 0,
        0x18, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0x10, 0, 0, 0, 2, 0, 0, 0, 0xE4, 0x04, 0, 0};
    // Sixteen sections already, all a reader takes: no room for the user section.
    Bytes full(28 + 16 * 20, 0);
    full[0] = 0xFE, full[1] = 0xFF, full[24] = 16;
    for (std::size_t i = 0; i < 16; ++i) {
        std::copy(cfb::kFmtidDocSummary.begin(), cfb::kFmtidDocSummary.end(), full.begin() + 28 + 20 * i);
        full[28 + 20 * i + 16] = std::uint8_t(full.size());
        full[28 + 20 * i + 17] = std::uint8_t(full.size() >> 8);
    }
    full.insert(full.end(), {8, 0, 0, 0, 0, 0, 0, 0});
    for (const Bytes& stream : {pastTheEnd, full}) {
        const cfb::PropertySetStream parsed = cfb::PropertySetStream::Parse(stream);
        EXPECT_THROW(parsed.Rebuild(parsed.user), cfb::Error) << stream.size() << " bytes";
    }
}

TEST(PropertySet, AValueKeptRawKeepsItsTypeWhenTheNextOneStartsInsideIt)
{
    // Id 2 at 24, of a type kept raw (0x1041), and id 3 at 25, one byte later: an I1 whose type
    // word is the second byte of the first one's.
    const Bytes section = {32, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 24, 0, 0, 0, 3, 0, 0, 0, 25, 0, 0, 0,
                           0x41, 0x10, 0, 0, 0, 0, 0, 0};
    const cfb::Section read = cfb::Section::Parse(section.data(), section.size(), 1252);
    const Bytes written = read.Serialize();
    const cfb::Section again = cfb::Section::Parse(written.data(), written.size(), 1252);
    ASSERT_EQ(again.properties.size(), 2u);
    EXPECT_EQ(again.properties[0].value.vt, 0x1041);
    EXPECT_EQ(again.properties[0].raw, read.properties[0].raw);
    EXPECT_EQ(again.properties[1].value.vt, cfb::VT_I1);
}
