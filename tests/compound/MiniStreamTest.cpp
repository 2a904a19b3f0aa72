// The mini stream's write half over a literal file: where new mini sectors go, what the mini
// table and the root entry say afterwards, that the committed mini stream and mini table are
// copied before they change, and the damage that ends a save.

#include "compound/LiteralFile.h"
#include "compound/MiniStream.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

using namespace literal;

namespace {

// Sector 0 is the FAT, 1 the directory, 2 the mini stream (four mini sectors, 256 bytes, mini
// sector `i` filled with 0x10 + i, old bytes 0xEE after them) and 3 the mini table: mini sectors 0-1 and 3 hold streams,
// 2 is free. Sectors 4 and 5 are free.
const std::vector<std::uint32_t> kTable = {kFat, kEnd, kEnd, kEnd, kFree, kFree};
const std::vector<std::uint32_t> kMiniTable = {1, kEnd, kFree, kEnd, kFree, kFree};

Bytes MiniStreamSector()
{
    Bytes bytes(512, 0xEE);
    for (std::size_t i = 0; i < 4; ++i)
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(64 * i), 64, static_cast<std::uint8_t>(0x10 + i));
    return bytes;
}

struct MiniFile : LiteralFile {
    MiniFile() : LiteralFile(kTable, {{2, MiniStreamSector()}, {3, TableSector(kMiniTable)}}, 3) {}
    cfb::MiniStream committed{fat, 2, 256};
};

using Root = std::optional<std::pair<std::uint32_t, std::uint64_t>>;

} // namespace

TEST(MiniStreamEditor, PlacesMiniSectorsAndCopiesWhatChanges)
{
    struct Case {
        const char* what;
        std::function<std::uint32_t(cfb::MiniStreamEditor&)> edit; // returns the mini sector it placed
        std::uint32_t placed;
        std::vector<std::uint32_t> miniTable;
        Root root;
    };
    const Case cases[] = {
        {"a free mini sector first", [](cfb::MiniStreamEditor& e) { return e.Allocate(); }, 2,
         {1, kEnd, kEnd, kEnd, kFree, kFree}, std::nullopt},
        {"then one at the end of the stream",
         [](cfb::MiniStreamEditor& e) {
             e.Allocate();
             return e.Allocate();
         },
         4, {1, kEnd, kEnd, kEnd, kEnd, kFree}, Root{{2, 320}}},
        {"a stream copied that keeps its size", [](cfb::MiniStreamEditor& e) { return e.WriteChain(Bytes(50, 0xAB)); },
         2, {1, kEnd, kEnd, kEnd, kFree, kFree}, Root{{4, 256}}},
        {"a chain linked in order, the stream copied",
         [](cfb::MiniStreamEditor& e) { return e.WriteChain(Bytes(100, 0xAB)); }, 2,
         {1, kEnd, 4, kEnd, kEnd, kFree}, Root{{4, 320}}},
        {"a freed chain", [](cfb::MiniStreamEditor& e) {
             e.FreeChain(0, 100);
             return kEnd;
         },
         kEnd, {kFree, kFree, kFree, kEnd, kFree, kFree}, std::nullopt},
        {"no content, no change", [](cfb::MiniStreamEditor& e) { return e.WriteChain({}); }, kEnd, kMiniTable,
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MiniFile file;
        cfb::MiniStreamEditor editor(file.editor, file.committed);
        file.editor.StartAllocating();
        EXPECT_EQ(c.edit(editor), c.placed);
        editor.WriteTable();
        EXPECT_EQ(editor.MovedRoot(), c.root);
        cfb::Header out = file.header;
        editor.Finish(out);
        EXPECT_EQ(out.firstMiniFatSector != 3, c.miniTable != kMiniTable) << "a changed mini table moves";
        EXPECT_EQ(out.miniFatSectorCount, 1u);
        const std::uint8_t* table = file.After(out.firstMiniFatSector);
        for (std::size_t i = 0; i < c.miniTable.size(); ++i)
            EXPECT_EQ(cfb::Get32(table + 4 * i), c.miniTable[i]) << "mini sector " << i;
        for (const auto& [sector, bytes] : file.images)
            EXPECT_TRUE(file.editor.MayWrite(sector)) << "sector " << sector << " is in use";
    }
}

TEST(MiniStreamEditor, WrittenMiniSectorsLandBesideTheOthers)
{
    MiniFile file;
    cfb::MiniStreamEditor editor(file.editor, file.committed);
    file.editor.StartAllocating();
    ASSERT_EQ(editor.WriteChain(Bytes(100, 0xAB)), 2u);
    const Root root = editor.MovedRoot();
    ASSERT_TRUE(root.has_value());
    const std::uint8_t* stream = file.After(root->first);
    const std::uint8_t expected[] = {0x10, 0x11, 0xAB, 0x13, 0xAB};
    for (std::size_t mini = 0; mini < 5; ++mini)
        EXPECT_EQ(stream[64 * mini], expected[mini]) << "mini sector " << mini;
    EXPECT_EQ(stream[64 * 4 + 35], 0xAB);
    EXPECT_EQ(stream[64 * 4 + 36], 0) << "the last mini sector is padded with zeros";
    EXPECT_EQ(file.sectors.Sector(2)[64 * 2], 0x12) << "the committed stream is left alone";
}

TEST(MiniStreamEditor, FullTableGrowsByASector)
{
    // A mini stream of 16 sectors (2-17) with 128 one-sector streams fills the mini table at 18.
    std::vector<std::uint32_t> table = {kFat, kEnd};
    for (std::uint32_t sector = 2; sector < 17; ++sector)
        table.push_back(sector + 1);
    table.insert(table.end(), {kEnd, kEnd});
    LiteralFile file(table, {{18, TableSector(std::vector<std::uint32_t>(128, kEnd))}}, 18);
    cfb::MiniStream committed(file.fat, 2, 128 * 64);
    cfb::MiniStreamEditor editor(file.editor, committed);
    file.editor.StartAllocating();
    EXPECT_EQ(editor.Allocate(), 128u);
    editor.WriteTable();
    EXPECT_EQ(editor.MovedRoot(), (Root{{2, 129 * 64}}));
    cfb::Header out = file.header;
    editor.Finish(out);
    EXPECT_EQ(out.firstMiniFatSector, 18u) << "the full table sector did not change";
    EXPECT_EQ(out.miniFatSectorCount, 2u);
    EXPECT_EQ(cfb::Get32(file.After(19)), kEnd);
    EXPECT_EQ(cfb::Get32(file.After(19) + 4), kFree);
}

TEST(MiniStreamEditor, DamageEndsTheSave)
{
    struct Case {
        const char* what;
        std::vector<std::uint32_t> miniTable;
        std::uint64_t rootSize;
        std::function<void(cfb::MiniStreamEditor&)> edit;
        const char* message;
    };
    const Case cases[] = {
        {"a root entry longer than its mini stream", kMiniTable, 4096, [](cfb::MiniStreamEditor&) {},
         "shorter than the root entry says"},
        {"a mini chain in a circle", {1, 0, kFree, kEnd}, 256,
         [](cfb::MiniStreamEditor& e) { e.FreeChain(0, 192); }, "share sector 0"},
    };
    for (const Case& c : cases) {
        LiteralFile file(kTable, {{3, TableSector(c.miniTable)}}, 3);
        cfb::MiniStream committed(file.fat, 2, c.rootSize);
        try {
            cfb::MiniStreamEditor editor(file.editor, committed);
            c.edit(editor);
            ADD_FAILURE() << "accepted: " << c.what;
        } catch (const cfb::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
        }
    }
}
