// Directory entries over literal bytes and the order of sibling names: the quirks of stored
// names and sizes, that writing an entry leaves the bytes the engine does not own, and the
// directory's write half: where a new stream entry goes and how it is hung into the tree.

#include "compound/Cfb.h"
#include "compound/Directory.h"
#include "compound/LiteralFile.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

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

namespace {

// One entry of a literal directory sector; an empty name is an unused entry.
struct RawEntry {
    std::u16string name;
    std::uint8_t color = 1; // black
    std::uint32_t left = cfb::kNoStream;
    std::uint32_t right = cfb::kNoStream;
    std::uint32_t child = cfb::kNoStream;
};

// Entry 0 is the root; the others are streams of 0x1234 bytes at sector 7 (or unused entries
// that still hold such bytes) with a class id, state bits and times that no edit may touch.
literal::Bytes DirectorySector(const std::vector<RawEntry>& entries)
{
    literal::Bytes bytes(512, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        std::uint8_t* e = &bytes[128 * i];
        const RawEntry raw = i < entries.size() ? entries[i] : RawEntry{};
        for (std::size_t c = 0; c < raw.name.size(); ++c)
            cfb::Put16(e + 2 * c, raw.name[c]);
        cfb::Put16(e + 0x40, raw.name.empty() ? 0 : static_cast<std::uint16_t>(2 * raw.name.size() + 2));
        e[0x42] = i == 0 ? 5 : raw.name.empty() ? 0 : 2;
        e[0x43] = raw.color;
        cfb::Put32(e + 0x44, raw.left);
        cfb::Put32(e + 0x48, raw.right);
        cfb::Put32(e + 0x4C, raw.child);
        if (i != 0) { // an unused entry keeps what a writer left in it
            std::fill(e + 0x50, e + 0x74, static_cast<std::uint8_t>(0x40 + i));
            cfb::Put32(e + 0x74, 7);
            cfb::Put32(e + 0x78, 0x1234);
        }
    }
    return bytes;
}

// The FAT at sector 0, the directory at 1, sectors 2 and 3 free.
struct DirectoryFile : literal::LiteralFile {
    explicit DirectoryFile(const std::vector<RawEntry>& entries)
        : LiteralFile({literal::kFat, literal::kEnd, literal::kFree, literal::kFree}, {{1, DirectorySector(entries)}})
    {
        editor.StartAllocating();
    }
    cfb::DirectoryEditor directory{editor};
};

const RawEntry kRoot{u"Root Entry", 1, cfb::kNoStream, cfb::kNoStream, 1};

} // namespace

TEST(DirectoryEditor, InsertStreamTakesAFreeEntryAndHangsItWhereItsNameBelongs)
{
    struct Case {
        const char* what;
        std::vector<RawEntry> entries;
        std::u16string name;
        std::uint32_t index;
        std::optional<std::uint32_t> parent; // none: the root's child
        bool left;
        cfb::Color color;
    };
    const RawEntry mm{u"Mm"};
    const Case cases[] = {
        {"right of a black parent, red", {kRoot, mm}, u"Zz", 2, 1, false, cfb::Color::Red},
        {"left, shorter names first", {kRoot, mm}, u"Z", 2, 1, true, cfb::Color::Red},
        {"under a red parent, black", {kRoot, {u"Mm", 0}}, u"Zz", 2, 1, false, cfb::Color::Black},
        {"into an empty root", {{u"Root Entry"}}, u"A", 1, std::nullopt, false, cfb::Color::Red},
        {"not into an unused entry that is still linked", {kRoot, {u"Mm", 1, cfb::kNoStream, cfb::kNoStream, 2}},
         u"Zz", 3, 1, false, cfb::Color::Red},
        {"into a new sector when every entry is used", {kRoot, {u"Mm", 1, 2, 3}, {u"Ab"}, {u"Zz"}}, u"Qq", 4, 3, true,
         cfb::Color::Red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DirectoryFile file(c.entries);
        EXPECT_EQ(file.directory.InsertStream(std::u16string(c.name)), c.index);
        const cfb::DirectoryEntry added = file.directory.Entry(c.index);
        EXPECT_EQ(added.name, c.name);
        EXPECT_EQ(added.type, cfb::EntryType::Stream);
        EXPECT_EQ(added.color, c.color);
        EXPECT_EQ(added.left, cfb::kNoStream);
        EXPECT_EQ(added.start, cfb::kEndOfChain);
        EXPECT_EQ(added.size, 0u);
        const cfb::DirectoryEntry parent = file.directory.Entry(c.parent.value_or(0));
        EXPECT_EQ(!c.parent ? parent.child : c.left ? parent.left : parent.right, c.index);
        cfb::Header out = file.header;
        file.directory.Finish(out);
        EXPECT_NE(out.firstDirectorySector, 1u) << "the changed directory sector moves";
        EXPECT_EQ(out.directorySectorCount, 0u) << "a version 3 count of zero stays zero";
        if (c.index < 4) {
            const std::uint8_t* bytes = file.After(out.firstDirectorySector) + 128 * c.index;
            EXPECT_TRUE(std::all_of(bytes + 0x50, bytes + 0x74, [](std::uint8_t b) { return b == 0; }))
                << "what the unused entry held is cleared";
        }
        const literal::Bytes committed = DirectorySector(c.entries);
        EXPECT_TRUE(std::equal(committed.begin(), committed.end(), file.sectors.Sector(1)));
    }
}

TEST(DirectoryEditor, ResizeChangesOnlyStartAndSize)
{
    DirectoryFile file({kRoot, {u"Mm"}});
    file.directory.Resize(1, 9, 0xABCDE);
    cfb::Header out = file.header;
    file.directory.Finish(out);
    literal::Bytes expected = DirectorySector({kRoot, {u"Mm"}});
    cfb::Put32(&expected[128 + 0x74], 9);
    cfb::Put32(&expected[128 + 0x78], 0xABCDE);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.After(out.firstDirectorySector)));
}

TEST(DirectoryEditor, DamagedTreeEndsTheInsert)
{
    struct Case {
        const char* what;
        RawEntry stream;
        const char* name;
        const char* message;
    };
    const Case cases[] = {
        {"the name already there, in another case", {u"Mm"}, "mM", "already holds an entry of that name"},
        {"a loop", {u"Mm", 1, cfb::kNoStream, 1}, "Zz", "loop in the directory tree"},
        {"a link beyond the directory", {u"Mm", 1, cfb::kNoStream, 9}, "Zz", "directory link out of range"},
    };
    for (const Case& c : cases) {
        DirectoryFile file({kRoot, c.stream});
        try {
            file.directory.InsertStream(std::u16string(c.name, c.name + 2));
            ADD_FAILURE() << "accepted: " << c.what;
        } catch (const cfb::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
        }
    }
}
