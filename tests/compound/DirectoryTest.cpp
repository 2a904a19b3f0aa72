// Directory entries over literal bytes and the order of sibling names: the quirks of stored
// names and sizes, and that writing an entry leaves the bytes the engine does not own.

#include "compound/Cfb.h"
#include "compound/Directory.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Entry = std::array<std::uint8_t, 128>;

// An entry named "Ab" of a stream of 0x1234 bytes at sector 7, whose name area holds garbage
// after the terminator and whose class id, state bits and times are set.
Entry Literal()
{
    Entry e{};
    e[0] = 'A';
    e[2] = 'b';
    e[6] = 0x5A; // after the terminator
    cfb::Put16(e.data() + 0x40, 6);
    e[0x42] = 2;
    e[0x43] = 1;
    cfb::Put32(e.data() + 0x44, 3);
    cfb::Put32(e.data() + 0x48, 4);
    cfb::Put32(e.data() + 0x4C, cfb::kNoStream);
    for (std::size_t i = 0x50; i < 0x74; ++i)
        e[i] = static_cast<std::uint8_t>(i); // class id, state bits, created, modified
    cfb::Put32(e.data() + 0x74, 7);
    cfb::Put32(e.data() + 0x78, 0x1234);
    cfb::Put32(e.data() + 0x7C, 0xDEADBEEF); // garbage high half of a version 3 size
    return e;
}

} // namespace

TEST(DirectoryEntry, ParseReadsEachField)
{
    const Entry raw = Literal();
    const cfb::DirectoryEntry v3 = cfb::DirectoryEntry::Parse(raw.data(), true);
    EXPECT_EQ(v3.name, u"Ab");
    EXPECT_EQ(v3.type, cfb::EntryType::Stream);
    EXPECT_EQ(v3.color, cfb::Color::Black);
    EXPECT_EQ(v3.left, 3u);
    EXPECT_EQ(v3.right, 4u);
    EXPECT_EQ(v3.child, cfb::kNoStream);
    EXPECT_EQ(v3.start, 7u);
    EXPECT_EQ(v3.size, 0x1234u) << "version 3 ignores the high half";
    EXPECT_EQ(cfb::DirectoryEntry::Parse(raw.data(), false).size, 0xDEADBEEF00001234u);
}

TEST(DirectoryEntry, NameLengthFieldOnlyBoundsTheName)
{
    struct Case {
        std::uint16_t lengthField;
        std::u16string expected;
    };
    Entry e = Literal();
    for (std::size_t i = 0; i < 32; ++i)
        cfb::Put16(e.data() + 2 * i, static_cast<std::uint16_t>(u'a' + i % 26)); // no terminator at all
    const Case cases[] = {
        {4, u"a"},                               // the field says one character and a terminator
        {0, u"abcdefghijklmnopqrstuvwxyzabcdef"}, // impossible: up to 32 characters
        {200, u"abcdefghijklmnopqrstuvwxyzabcdef"},
        {1, u"abcdefghijklmnopqrstuvwxyzabcdef"},
    };
    for (const Case& c : cases) {
        cfb::Put16(e.data() + 0x40, c.lengthField);
        EXPECT_EQ(cfb::DirectoryEntry::Parse(e.data(), true).name, c.expected) << c.lengthField;
    }
    cfb::Put16(e.data() + 0x40, 64);
    cfb::Put16(e.data() + 6, 0);
    EXPECT_EQ(cfb::DirectoryEntry::Parse(e.data(), true).name, u"abc") << "a zero ends the name early";
}

TEST(DirectoryEntry, WriteIntoKeepsWhatItDoesNotOwn)
{
    const Entry raw = Literal();
    cfb::DirectoryEntry e = cfb::DirectoryEntry::Parse(raw.data(), false);
    Entry out = raw;
    e.WriteInto(out.data(), false);
    EXPECT_EQ(out, raw) << "an unchanged entry is written back byte for byte";

    e.start = 0x01020304;
    e.left = cfb::kNoStream;
    e.color = cfb::Color::Red;
    e.WriteInto(out.data(), true);
    Entry expected = raw;
    cfb::Put32(expected.data() + 0x74, 0x01020304);
    cfb::Put32(expected.data() + 0x44, cfb::kNoStream);
    expected[0x43] = 0;
    cfb::Put32(expected.data() + 0x7C, 0); // a version 3 size leaves no garbage behind
    EXPECT_EQ(out, expected);

    e.name = std::u16string(1, u'Z'); // (assigning the literal trips a false GCC 12 warning)
    e.WriteInto(out.data(), true);
    EXPECT_EQ(cfb::Get16(out.data() + 0x40), 4);
    EXPECT_EQ(out[0], 'Z');
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[6], 0) << "a new name clears the old garbage after the old one";
    EXPECT_EQ(cfb::DirectoryEntry::Parse(out.data(), true).name, u"Z");
    EXPECT_TRUE(std::equal(out.begin() + 0x50, out.begin() + 0x74, raw.begin() + 0x50));
}

TEST(DirectoryEntry, NameOrder)
{
    struct Case {
        std::u16string a, b;
        int expected;
    };
    const Case cases[] = {
        {u"Zz", u"Aaa", -1},        // shorter names first, whatever their letters
        {u"abc", u"ABC", 0},         // ASCII case does not count
        {u"abd", u"ABC", 1},
        {u"\u00e9t\u00e9", u"\u00c9T\u00c9", 0}, // nor Latin-1 case
        {u"\u00f7", u"\u00d7", 1},   // division and multiplication signs are no letters
        {u"\u00ff", u"\u0178", -1},  // y with diaeresis stays as it is
        {u"\u010d", u"\u010c", 1},   // letters beyond Latin-1 compare as they are
        {u"_", u"a", 1},             // '_' (0x5F) sorts after the upper-cased 'A' (0x41)
    };
    for (const Case& c : cases) {
        const int got = cfb::CompareNames(c.a, c.b);
        const int sign = (got > 0) - (got < 0);
        EXPECT_EQ(sign, c.expected);
        const int back = cfb::CompareNames(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.expected) << "the order is symmetric";
    }
}
