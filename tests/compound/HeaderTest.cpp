// The header over literal bytes: every field read from its own offset, fields the engine does
// not own written back untouched, and the headers it must refuse.

#include "compound/Cfb.h"
#include "compound/Header.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

using Raw = std::array<std::uint8_t, 512>;

void Put(Raw& b, std::size_t at, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A version 3 header whose fields all hold different values, so that a field read from the
// wrong place shows.
Raw Literal()
{
    Raw b{};
    const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), b.begin());
    for (std::size_t i = 8; i < 24; ++i)
        b[i] = static_cast<std::uint8_t>(0xC0 + i); // class id
    Put(b, 0x18, 0x003E, 2);
    Put(b, 0x1A, 3, 2);
    Put(b, 0x1C, 0xFFFE, 2);
    Put(b, 0x1E, 9, 2);
    Put(b, 0x20, 6, 2);
    Put(b, 0x22, 0xABCD, 2); // reserved
    Put(b, 0x28, 0, 4);
    Put(b, 0x2C, 2, 4);
    Put(b, 0x30, 11, 4);
    Put(b, 0x34, 0x5EED, 4); // transaction signature
    Put(b, 0x38, 4096, 4);
    Put(b, 0x3C, 13, 4);
    Put(b, 0x40, 1, 4);
    Put(b, 0x44, 17, 4);
    Put(b, 0x48, 19, 4);
    for (std::size_t i = 0; i < 109; ++i)
        Put(b, 0x4C + 4 * i, i < 2 ? static_cast<std::uint32_t>(100 + i) : cfb::kFreeSect, 4);
    return b;
}

} // namespace

TEST(Header, FieldsComeFromTheirOwnOffsets)
{
    const Raw raw = Literal();
    const cfb::Header h = cfb::Header::Parse(raw.data(), raw.size());
    EXPECT_EQ(h.majorVersion, 3);
    EXPECT_EQ(h.SectorSize(), 512u);
    EXPECT_EQ(h.MiniSectorSize(), 64u);
    EXPECT_EQ(h.directorySectorCount, 0u);
    EXPECT_EQ(h.fatSectorCount, 2u);
    EXPECT_EQ(h.firstDirectorySector, 11u);
    EXPECT_EQ(h.miniStreamCutoff, 4096u);
    EXPECT_EQ(h.firstMiniFatSector, 13u);
    EXPECT_EQ(h.miniFatSectorCount, 1u);
    EXPECT_EQ(h.firstDifatSector, 17u);
    EXPECT_EQ(h.difatSectorCount, 19u);
    EXPECT_EQ(h.difat[0], 100u);
    EXPECT_EQ(h.difat[1], 101u);
    EXPECT_EQ(h.difat[108], cfb::kFreeSect);
    EXPECT_EQ(h.SectorOffset(0), 512u) << "the header takes the place of sector -1";
}

TEST(Header, SerializeChangesOnlyTheFieldsItWrites)
{
    const Raw raw = Literal();
    cfb::Header h = cfb::Header::Parse(raw.data(), raw.size());
    EXPECT_EQ(h.Serialize(), raw) << "a header written back unchanged keeps every byte";

    h.directorySectorCount = 0x01020304;
    h.fatSectorCount = 0x05060708;
    h.firstDirectorySector = 0x090A0B0C;
    h.firstMiniFatSector = 0x0D0E0F10;
    h.miniFatSectorCount = 0x11121314;
    h.firstDifatSector = 0x15161718;
    h.difatSectorCount = 0x191A1B1C;
    h.difat[108] = 0x1D1E1F20;
    Raw expected = raw;
    Put(expected, 0x28, 0x01020304, 4);
    Put(expected, 0x2C, 0x05060708, 4);
    Put(expected, 0x30, 0x090A0B0C, 4);
    Put(expected, 0x3C, 0x0D0E0F10, 4);
    Put(expected, 0x40, 0x11121314, 4);
    Put(expected, 0x44, 0x15161718, 4);
    Put(expected, 0x48, 0x191A1B1C, 4);
    Put(expected, 0x4C + 4 * 108, 0x1D1E1F20, 4);
    EXPECT_EQ(h.Serialize(), expected);
}

TEST(Header, Refusals)
{
    struct Case {
        const char* what;
        std::function<void(Raw&)> damage;
        const char* message; // null: any cfb::Error
    };
    const Case cases[] = {
        {"signature", [](Raw& b) { b[7] = 0xE0; }, "not a compound file"},
        {"big-endian byte order", [](Raw& b) { Put(b, 0x1C, 0xFEFF, 2); }, nullptr},
        {"1024-byte sectors", [](Raw& b) { Put(b, 0x1E, 10, 2); }, nullptr},
        {"mini sectors as large as sectors", [](Raw& b) { Put(b, 0x20, 9, 2); }, nullptr},
        {"mini sectors of 2 bytes", [](Raw& b) { Put(b, 0x20, 1, 2); }, nullptr},
        {"no directory", [](Raw& b) { Put(b, 0x30, cfb::kEndOfChain, 4); }, nullptr},
    };
    for (const Case& c : cases) {
        Raw b = Literal();
        c.damage(b);
        try {
            cfb::Header::Parse(b.data(), b.size());
            ADD_FAILURE() << "accepted: " << c.what;
        } catch (const cfb::Error& e) {
            if (c.message) {
                EXPECT_STREQ(e.what(), c.message) << c.what;
            }
        }
    }
    const Raw good = Literal();
    EXPECT_THROW(cfb::Header::Parse(good.data(), 511), cfb::Error) << "a header cut short";
    // Version 4 sectors in a header that says version 3: the shift decides.
    Raw v4 = Literal();
    Put(v4, 0x1E, 12, 2);
    EXPECT_EQ(cfb::Header::Parse(v4.data(), v4.size()).SectorSize(), 4096u);
}
