// The allocation table's write half over a literal file: where new sectors go, that the
// committed state's sectors are never handed out, how the table moves and grows, and the
// damage that ends a save.

#include "compound/LiteralFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace literal;

namespace {

// Sector 0 is the FAT, 1 the directory, 2 and 3 a stream; 4 and 5 are free.
const std::vector<std::uint32_t> kCommitted = {kFat, kEnd, 3, kEnd, kFree, kFree};

std::uint32_t AllocateOne(cfb::FatEditor& editor) { return editor.Allocate(); }

} // namespace

TEST(FatEditor, PlacesNewSectorsOnlyWhereTheCommittedStateHasNone)
{
    struct Case {
        const char* what;
        std::vector<std::uint32_t> reserved; // a structure of the committed state
        std::function<std::uint32_t(cfb::FatEditor&)> edit; // returns the sector it placed
        std::uint32_t placed;
        std::vector<std::uint32_t> table; // the new table, the FAT sector at its last kFat
    };
    const Case cases[] = {
        {"the first free sector", {}, AllocateOne, 4, {kFree, kEnd, 3, kEnd, kEnd, kFat}},
        {"not a reserved one", {4}, AllocateOne, 5, {kFree, kEnd, 3, kEnd, kFree, kEnd, kFat}},
        {"appended when none is free", {4, 5}, AllocateOne, 6, {kFree, kEnd, 3, kEnd, kFree, kFree, kEnd, kFat}},
        {"a chain linked in order", {}, [](cfb::FatEditor& e) { return e.WriteChain(Bytes(600, 7)); }, 4,
         {kFree, kEnd, 3, kEnd, 5, kEnd, kFat}},
        {"not a sector freed in the same save", {},
         [](cfb::FatEditor& e) {
             e.FreeChain(2, 1024);
             return e.Allocate();
         },
         4, {kFree, kEnd, kFree, kFree, kEnd, kFat}},
        {"a copy that frees the committed place", {}, [](cfb::FatEditor& e) { return e.Move(1); }, 4,
         {kFree, kFree, 3, kEnd, kEnd, kFat}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LiteralFile file(kCommitted);
        file.editor.Reserve(c.reserved);
        file.editor.StartAllocating();
        EXPECT_EQ(c.edit(file.editor), c.placed);
        cfb::Header out = file.header;
        EXPECT_EQ(file.FinishTable(out, c.table.size()), c.table);
        EXPECT_EQ(out.difat[0], c.table.size() - 1) << "the changed FAT sector moves";
        EXPECT_EQ(out.fatSectorCount, 1u);
        for (const auto& [sector, bytes] : file.images)
            EXPECT_TRUE(file.editor.MayWrite(sector)) << "sector " << sector << " is in use";
        for (std::uint32_t sector = 0; sector < kCommitted.size(); ++sector) {
            const bool reserved = std::find(c.reserved.begin(), c.reserved.end(), sector) != c.reserved.end();
            EXPECT_EQ(file.editor.MayWrite(sector), kCommitted[sector] == kFree && !reserved) << "sector " << sector;
        }
    }
}

TEST(FatEditor, NewSectorsHoldTheirContentAndUnchangedTablesStay)
{
    LiteralFile file(kCommitted);
    file.editor.StartAllocating();
    EXPECT_EQ(file.editor.WriteChain(Bytes(600, 7)), 4u);
    EXPECT_EQ(file.editor.Move(2), 6u);
    Bytes tail(512, 0);
    std::fill_n(tail.begin(), 88, 7);
    const Bytes expected[] = {Bytes(512, 7), tail, Bytes(512, 3)}; // sectors 4, 5 and 6
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_TRUE(std::equal(expected[i].begin(), expected[i].end(), file.After(4 + i))) << "sector " << 4 + i;
    EXPECT_EQ(file.editor.WriteChain({}), kEnd) << "no content, no sector";

    LiteralFile untouched(kCommitted);
    untouched.editor.StartAllocating();
    cfb::Header out = untouched.header;
    untouched.editor.Finish(out);
    EXPECT_TRUE(untouched.images.empty());
    EXPECT_EQ(out.Serialize(), untouched.header.Serialize());
}

TEST(FatEditor, FullTableGrowsByASectorAfterTheNewOne)
{
    std::vector<std::uint32_t> full(128, kEnd);
    full[0] = kFat;
    LiteralFile file(full);
    file.editor.StartAllocating();
    EXPECT_EQ(file.editor.Allocate(), 128u);
    cfb::Header out = file.header;
    file.editor.Finish(out);
    EXPECT_EQ(out.fatSectorCount, 2u);
    EXPECT_EQ(out.difat[0], 0u) << "the full sector did not change";
    EXPECT_EQ(out.difat[1], 129u);
    EXPECT_EQ(out.difatSectorCount, 0u);
    const std::uint8_t* added = file.After(129);
    EXPECT_EQ(cfb::Get32(added), kEnd);
    EXPECT_EQ(cfb::Get32(added + 4), kFat);
    EXPECT_EQ(cfb::Get32(added + 8), kFree);
}

TEST(FatEditor, DamageEndsTheSave)
{
    struct Case {
        const char* what;
        std::vector<std::uint32_t> table;
        std::function<void(cfb::FatEditor&)> edit;
        const char* message;
    };
    const Case cases[] = {
        {"two structures in one sector", kCommitted,
         [](cfb::FatEditor& e) {
             e.Reserve({1});
             e.Reserve({3, 1});
             e.StartAllocating();
         },
         "share sector 1"},
        {"a freed chain that runs into the directory", {kFat, kEnd, 1, kEnd},
         [](cfb::FatEditor& e) {
             e.Reserve({1});
             e.StartAllocating();
             e.FreeChain(2, 1024);
         },
         "share sector 1"},
        {"growth beyond what the save can need", kCommitted,
         [](cfb::FatEditor& e) {
             e.StartAllocating();
             for (int i = 0; i < 300; ++i)
                 e.Allocate();
         },
         "allocation table does not match the file"},
    };
    for (const Case& c : cases) {
        LiteralFile file(c.table);
        try {
            c.edit(file.editor);
            ADD_FAILURE() << "accepted: " << c.what;
        } catch (const cfb::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
        }
    }
}
