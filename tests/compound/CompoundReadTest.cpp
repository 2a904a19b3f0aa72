// Reading: documents written by LibreOffice and libgsf, files with the quirks of other writers,
// and damaged files. What the engine reads is compared with olefile and gsf.

#include "compound/CfbBuilder.h"
#include "compound/OleView.h"
#include "compound/TestData.h"

#include "compound/Cfb.h"
#include "compound/CodePage.h"
#include "compound/PropertySet.h"
#include "compound/CompoundReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <random>
#include <thread>

using namespace cfbtest;
using testdata::Fixture;
using testdata::Prop;

namespace {

int TypeFromVt(int vt)
{
    switch (vt) {
    case 30: case 31: case 8: return 1;
    case 2: case 3: case 18: case 19: case 22: case 23: return 2;
    case 4: case 5: return 3;
    case 11: return 4;
    case 64: case 7: return 5;
    default: return 0;
    }
}

// A FILETIME (100 ns steps since 1601) as olereader.py prints it, in UTC to the second.
std::string FiletimeIso(std::uint64_t ft)
{
    using namespace std::chrono;
    const sys_seconds t{seconds{static_cast<std::int64_t>(ft / 10000000) - 11644473600LL}};
    const sys_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss time{t - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return text;
}

// Passes reads through and fails the test when one of them covers a byte read before: while a
// document is open nothing is read twice.
class ReadOnceFile : public cfb::CountingFile {
public:
    using cfb::CountingFile::CountingFile;
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override
    {
        for (const auto& [at, n] : ranges_)
            EXPECT_TRUE(offset + length <= at || at + n <= offset)
                << "bytes " << offset << "+" << length << " were read before (" << at << "+" << n << ")";
        ranges_.emplace_back(offset, length);
        return cfb::CountingFile::Read(offset, out, length);
    }

private:
    std::vector<std::pair<std::uint64_t, std::size_t>> ranges_;
};

// Checks that the engine reads no byte of the file at `path` twice, then that it and olefile see
// the same custom properties. Called last in a test: where the independent readers are missing,
// it ends the test as skipped.
void ExpectSameAsOlefile(const std::filesystem::path& path)
{
    cfb::DiskFile disk(path, false);
    ReadOnceFile file(disk);
    cfb::CustomPropertyCollection c(file);
    std::vector<cfb::CustomProperty> props;
    for (std::size_t i = 0; i < c.Count(); ++i)
        props.push_back(c.Item(i));
    if (!olecheck::Missing().empty())
        GTEST_SKIP() << olecheck::Missing();
    const olecheck::OleView ole = olecheck::ReadWithOlefile(path);
    ASSERT_TRUE(ole.ok) << ole.error;
    ASSERT_EQ(props.size(), ole.properties.size()) << path.string();
    for (std::size_t i = 0; i < props.size(); ++i) {
        const cfb::CustomProperty& p = props[i];
        const testfiles::JsonValue& o = ole.properties[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(p.name, o["name"].toString());
        const int vt = o["vt"].toInt();
        EXPECT_EQ(p.value.vt, vt);
        EXPECT_EQ(p.typeCode, TypeFromVt(vt));
        const testfiles::JsonValue& v = o["value"];
        switch (p.typeCode) {
        case 1: EXPECT_EQ(p.value.text, v.toString()); break;
        case 2: EXPECT_EQ(p.value.integer, v.toInteger()); break;
        case 3: EXPECT_DOUBLE_EQ(p.value.real, v.toDouble()); break;
        case 4: EXPECT_EQ(p.value.boolean, v.toBool()); break;
        case 5: EXPECT_EQ(FiletimeIso(p.value.filetime), v.toString()); break;
        default: break;
        }
    }
    // gsf lists the same names (it sorts them).
    std::vector<std::string> ours;
    for (const cfb::CustomProperty& p : props)
        if (p.typeCode != 0) // gsf leaves out the types it does not read
            ours.push_back(p.name);
    std::sort(ours.begin(), ours.end());
    ours.erase(std::unique(ours.begin(), ours.end()), ours.end());
    EXPECT_EQ(ours, olecheck::GsfCustomNames(path));
}

std::filesystem::path WriteTemp(const testfiles::TempFolder& dir, const char* name, const Bytes& bytes)
{
    const std::filesystem::path path = dir / name;
    testdata::WriteBytes(path, bytes);
    return path;
}

} // namespace

class FixtureRead : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureRead, EngineAgreesWithOlefileAndGsf)
{
    ExpectSameAsOlefile(Fixture(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(IndependentWriters, FixtureRead,
                         ::testing::Values("lo_custom.doc", "lo_plain.doc", "gsf_v3.ole", "gsf_v4.ole", "gsf_none.ole",
                                           "gsf_cp1252.ole", "gsf_cp1250.ole"));

TEST(CompoundRead, LibreOfficeDocumentValues)
{
    const auto props = testdata::ListBytes(testdata::ReadBytes(Fixture("lo_custom.doc")));
    const std::vector<Prop> expected = {
        {"Checked", 4, "true"},
        {"Count", 3, "42"},
        {"Mass", 3, "12.5"},
        {"Material", 1, "S235"},
        {"Opomba", 1, "Čćžšđ ČŽŠ"},
        {"Released", 5, "ft:133604154000000000"},
    };
    EXPECT_EQ(props, expected);
}

TEST(CompoundRead, VersionFourAndUnsortedTableFromLibgsf)
{
    cfb::DiskFile file(Fixture("gsf_v4.ole"), false);
    cfb::CompoundReader reader(file);
    EXPECT_EQ(reader.Head().SectorSize(), 4096u);
    cfb::CustomPropertyCollection c(file);
    const auto props = testdata::List(c);
    ASSERT_EQ(props.size(), 6u);
    // libgsf writes the table from the highest id down; the engine keeps that order.
    EXPECT_EQ(props.front(), (Prop{"Weight", 3, "3.25"}));
    EXPECT_EQ(props[2], (Prop{"Quantity", 2, "42"}));
    EXPECT_EQ(props.back(), (Prop{"Approved", 4, "true"}));
}

TEST(CompoundRead, StreamWithoutUserSectionHasNoProperties)
{
    const auto bytes = testdata::ReadBytes(Fixture("gsf_none.ole"));
    cfb::MemoryFile f(bytes, false);
    cfb::CustomPropertyCollection c(f);
    EXPECT_TRUE(c.HasStream());
    EXPECT_EQ(c.Count(), 0u);
}

// The quirks of other writers, in one user section: values one byte off alignment, the table in
// no particular order, two dictionary names alike, a value type the engine does not interpret,
// and a first section without a code page.
Bytes QuirkyStream()
{
    const Bytes first = Section({{2, Lpstr("Velmar")}}); // no code page
    const Bytes user = Section(
        {
            {7, I2(-12)},
            {0, Dictionary({{7, u"Short"}, {5, u"Dup"}, {6, u"Dup"}, {3, u"Blob"}, {4, u"When"}, {2, u"Name"}}, false)},
            {5, Lpstr("first")},
            {1, I2(1252)},
            {3, Blob({1, 2, 3, 4, 5})},
            {6, Lpstr("second \xC8")}, // È in 1252
            {4, Filetime(133603290000000000ull)},
            {2, Lpwstr(u"Široko")},
        },
        /*misalign=*/true);
    return PropertyStream({{kDocSummaryFmtid, first}, {kUserFmtid, user}});
}

TEST(CompoundRead, ToleratesQuirksOfOtherWriters)
{
    testfiles::TempFolder dir;
    ASSERT_TRUE(dir.valid());
    const Bytes file = BuildCompound({{u"WordDocument", Bytes(5000, 1)}, {kDsiName, QuirkyStream()}});
    const std::filesystem::path path = WriteTemp(dir, "quirky.doc", file);
    const auto props = testdata::ListBytes(file);
    const std::vector<Prop> expected = {
        {"Short", 2, "-12"}, {"Dup", 1, "first"}, {"Blob", 0, "?"},
        {"Dup", 1, "second È"}, {"When", 5, "ft:133603290000000000"}, {"Name", 1, "Široko"},
    };
    EXPECT_EQ(props, expected);
    ExpectSameAsOlefile(path);
}

TEST(CompoundRead, DirectoryTreesAnyColourAndOrder)
{
    BuildOptions o;
    o.allRed = true;
    o.unsortedChain = true; // siblings in a right-leaning chain, not in name order
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})},
                                      {kUserFmtid, Section({{1, I2(1252)}, {0, Dictionary({{2, u"A"}}, false)}, {2, I4(7)}})}});
    const Bytes file = BuildCompound(
        {{u"Zeta", Bytes(10, 1)}, {u"Alpha", Bytes(5000, 2)}, {kDsiName, dsi}, {u"Beta", Bytes(3, 3)}}, o);
    EXPECT_EQ(testdata::ListBytes(file), (std::vector<Prop>{{"A", 2, "7"}}));
}

TEST(CompoundRead, GarbageInHighHalfOfVersion3SizesAndPartialLastSector)
{
    testfiles::TempFolder dir;
    ASSERT_TRUE(dir.valid());
    BuildOptions o;
    o.sizeHighGarbage = 0xDEADBEEF;
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})},
                                      {kUserFmtid, Section({{1, I2(1252)}, {0, Dictionary({{2, u"Part"}}, false)}, {2, Lpstr("X-1")}})}});
    Bytes file = BuildCompound({{u"Data", Bytes(6000, 4)}, {kDsiName, dsi}}, o);
    file.insert(file.end(), 200, 0x77); // a last sector that is cut short
    EXPECT_EQ(testdata::ListBytes(file), (std::vector<Prop>{{"Part", 1, "X-1"}}));
    ExpectSameAsOlefile(WriteTemp(dir, "garbage.doc", file));
}

TEST(CompoundRead, UnicodeSectionWithPaddedDictionary)
{
    testfiles::TempFolder dir;
    ASSERT_TRUE(dir.valid());
    const Bytes dsi = PropertyStream(
        {{kDocSummaryFmtid, Section({{1, I2(1200)}})},
         {kUserFmtid, Section({{1, I2(1200)},
                               {0, Dictionary({{2, u"Ab"}, {3, u"Čdefg"}}, true)},
                               {2, Lpwstr(u"ena")},
                               {3, I4(-5)}})}});
    const Bytes file = BuildCompound({{kDsiName, dsi}});
    EXPECT_EQ(testdata::ListBytes(file), (std::vector<Prop>{{"Ab", 1, "ena"}, {"Čdefg", 2, "-5"}}));
    ExpectSameAsOlefile(WriteTemp(dir, "unicode.doc", file));
}

TEST(CompoundRead, DifatBeyondHeaderReadsFewBytes)
{
    testfiles::TempFolder dir;
    ASSERT_TRUE(dir.valid());
    BuildOptions o;
    o.paddingSectors = 14200; // more than 109 FAT sectors
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})},
                                      {kUserFmtid, Section({{1, I2(1252)}, {0, Dictionary({{2, u"Big"}}, false)}, {2, Lpstr("yes")}})}});
    const Bytes file = BuildCompound({{kDsiName, dsi}}, o);
    cfb::MemoryFile mem(file, false);
    cfb::CompoundReader reader(mem);
    ASSERT_GT(reader.Head().fatSectorCount, 109u);
    ASSERT_GT(reader.Head().difatSectorCount, 0u);
    // The filler stream's chain runs through FAT sectors listed only in the DIFAT chain.
    const auto filler = reader.FindRootChild(u"Filler");
    ASSERT_TRUE(filler.has_value());
    const auto content = reader.ReadStream(*filler);
    EXPECT_EQ(content.size(), 14200u * 512);
    EXPECT_EQ(content.back(), 0x5A);

    cfb::MemoryFile fresh(file, false);
    ReadOnceFile counting(fresh);
    cfb::CustomPropertyCollection c(counting);
    EXPECT_EQ(testdata::List(c), (std::vector<Prop>{{"Big", 1, "yes"}}));
    // The header, the DIFAT sector, and 4 KB windows around the directory and mini table, the
    // FAT sector and the mini stream.
    EXPECT_LT(counting.BytesRead(), 16u * 1024) << "opening must read only what it needs";
    EXPECT_LE(counting.Reads(), 5);
    ExpectSameAsOlefile(WriteTemp(dir, "difat.doc", file));
}

TEST(CompoundRead, FileWithoutPropertyStream)
{
    const Bytes file = BuildCompound({{u"WordDocument", Bytes(100, 1)}});
    cfb::MemoryFile f(file, false);
    cfb::CustomPropertyCollection c(f);
    EXPECT_FALSE(c.HasStream());
    EXPECT_EQ(c.Count(), 0u);
}

TEST(CompoundRead, NotACompoundFile)
{
    for (const Bytes& bytes : {Bytes{}, Bytes(100, 0), Bytes(2000, 'x')}) {
        cfb::MemoryFile f(bytes, false);
        try {
            cfb::CustomPropertyCollection c(f);
            ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
        } catch (const cfb::Error& e) {
            EXPECT_STREQ(e.what(), "not a compound file");
        }
    }
}

namespace {

Bytes SimpleDoc()
{
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})},
                                      {kUserFmtid, Section({{1, I2(1252)}, {0, Dictionary({{2, u"K"}}, false)}, {2, Lpstr("v")}})}});
    return BuildCompound({{u"Body", Bytes(4600, 9)}, {kDsiName, dsi}});
}

// Expects a clean cfb::Error (or a successful read): never a crash or a hang.
void ExpectErrorOrRead(const Bytes& bytes)
{
    cfb::MemoryFile f(bytes, false);
    try {
        cfb::CustomPropertyCollection c(f);
        for (std::size_t i = 0; i < c.Count(); ++i)
            (void)c.Item(i);
    } catch (const cfb::Error&) {
    }
}

} // namespace

TEST(CompoundRead, DamagedFilesGiveErrors)
{
    const Bytes good = SimpleDoc();
    ASSERT_EQ(testdata::ListBytes(good).size(), 1u);
    const std::uint32_t dirStart = cfb::Get32(good.data() + 48);
    const std::uint32_t fatSector = cfb::Get32(good.data() + 76);
    auto fatEntry = [&](std::uint32_t s) { return 512 + std::size_t{fatSector} * 512 + 4 * s; };

    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const std::vector<Case> cases = {
        {"FAT count beyond the file", [](Bytes& b) { Put32(b, 44, 0x7FFFFFFF); }},
        {"FAT sector beyond the file", [](Bytes& b) { Put32(b, 76, 0x00FFFFFF); }},
        {"directory beyond the file", [](Bytes& b) { Put32(b, 48, 0x00FFFFFF); }},
        {"root entry is not a root", [&](Bytes& b) { b[512 + std::size_t{dirStart} * 512 + 66] = 2; }},
        {"bad sector shift", [](Bytes& b) { Put16(b, 30, 20); }},
        {"DIFAT loop", [](Bytes& b) { Put32(b, 44, 120); Put32(b, 68, 0); Put32(b, 72, 5); }},
        {"truncated to the header", [](Bytes& b) { b.resize(512); }},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        c.damage(bad);
        cfb::MemoryFile f(bad, false);
        EXPECT_THROW(cfb::CustomPropertyCollection{f}, cfb::Error) << c.what;
    }
    // Loops in chains the reader follows end (with an error or with what could be read).
    Bytes loops = good;
    Put32(loops, fatEntry(dirStart), dirStart);
    const std::uint32_t miniTable = cfb::Get32(good.data() + 60);
    Put32(loops, fatEntry(miniTable), miniTable);
    Put32(loops, 64, 0);
    ExpectErrorOrRead(loops);
    // A directory tree whose child link points back at the root.
    Bytes cycle = good;
    Put32(cycle, 512 + std::size_t{dirStart} * 512 + 128 + 68, 0);
    Put32(cycle, 512 + std::size_t{dirStart} * 512 + 128 + 72, 1);
    ExpectErrorOrRead(cycle);
}

TEST(CompoundRead, DirectoryCycleInAHugeFileEndsAtOnce)
{
    // An entry whose sibling link points at itself, in a sparse file of 2 TB: the walk must end
    // after the directory's few entries, not after as many steps as the file could hold entries
    // (which took hours). Run on a thread of its own, so that a walk that does not end shows as
    // a failure instead of a test that never ends.
    Bytes file = SimpleDoc();
    const std::uint32_t dirStart = cfb::Get32(file.data() + 48);
    const std::size_t dir = 512 + std::size_t{dirStart} * 512;
    Put32(file, dir + 76, 1);           // the root's tree starts at entry 1 ("Body")
    Put32(file, dir + 128 + 68, 1);     // whose smaller sibling is itself
    Put32(file, dir + 128 + 72, 1);     // and so is its larger one
    auto sparse = std::make_shared<testdata::SparseFile>(file, std::uint64_t{2} << 40);
    auto result = std::make_shared<std::promise<std::size_t>>();
    std::future<std::size_t> done = result->get_future();
    std::thread([sparse, result] {
        try {
            cfb::CustomPropertyCollection c(*sparse);
            result->set_value(c.HasStream() ? 1 : 0);
        } catch (...) {
            result->set_exception(std::current_exception());
        }
    }).detach();
    ASSERT_EQ(done.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "the directory walk does not end";
    EXPECT_EQ(done.get(), 0u) << "the property stream hangs nowhere in the tree now";
}

TEST(CompoundRead, DamagedSectionsGiveErrors)
{
    const auto withUser = [](const Bytes& user) {
        return BuildCompound({{kDsiName, PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})}, {kUserFmtid, user}})}});
    };
    Bytes hugeCount = Section({{1, I2(1252)}});
    Put32(hugeCount, 4, 0x10000000);
    Bytes offsetOut = Section({{1, I2(1252)}, {2, I4(1)}});
    Put32(offsetOut, 20, 5000);
    Bytes longString = Section({{1, I2(1252)}, {2, Lpstr("abc")}});
    Put32(longString, 36, 0x7FFFFFF0);
    Bytes longDictionary = Section({{1, I2(1252)}, {0, Dictionary({{2, u"x"}}, false)}});
    Put32(longDictionary, 32, 0x01000000);
    int n = 0;
    for (const Bytes& section : {hugeCount, offsetOut, longString, longDictionary}) {
        cfb::MemoryFile f(withUser(section), false);
        EXPECT_THROW(cfb::CustomPropertyCollection{f}, cfb::Error) << "case " << n;
        ++n;
    }
}

TEST(CompoundRead, CodePageSlotOffsetNearTheTopOfItsRangeIsOutside)
{
    // The user section has no code page, so the reader looks for the first section's, whose
    // slot points 3 bytes short of 4 GiB: out of the section, however the sum is computed.
    Bytes first = Section({{1, I2(1252)}});
    Put32(first, 12, 0xFFFFFFFD);
    ExpectErrorOrRead(BuildCompound(
        {{kDsiName, PropertyStream({{kDocSummaryFmtid, first}, {kUserFmtid, Section({{2, I4(1)}})}})}}));
}

TEST(CompoundRead, RandomDamageNeverCrashes)
{
    std::mt19937 rng(20241209);
    const std::vector<Bytes> seeds = {SimpleDoc(), testdata::ReadBytes(Fixture("lo_custom.doc")),
                                      testdata::ReadBytes(Fixture("gsf_v4.ole"))};
    for (int round = 0; round < 600; ++round) {
        Bytes b = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % b.size();
            switch (rng() % 3) {
            case 0: b[at] = static_cast<std::uint8_t>(rng()); break;
            case 1: b[at] = 0xFF; break;
            default: if (at + 4 <= b.size()) Put32(b, at, static_cast<std::uint32_t>(rng() % 64)); break;
            }
        }
        if (rng() % 10 == 0)
            b.resize(rng() % b.size());
        ExpectErrorOrRead(b);
    }
}

TEST(CodePage, RoundTripsAndRefusals)
{
    const std::string text = "Žaga čevapčiči";
    const auto cp1250 = cfb::EncodeCodePage(text, 1250);
    ASSERT_TRUE(cp1250.has_value());
    EXPECT_EQ(cfb::DecodeCodePage(cp1250->data(), cp1250->size(), 1250), text);
    EXPECT_FALSE(cfb::EncodeCodePage(text, 1252).has_value()) << "č has no place in Windows-1252";
    const auto wide = cfb::Utf8ToUtf16Le("a€😀");
    EXPECT_EQ(wide.size(), 8u);
    EXPECT_EQ(cfb::Utf16LeToUtf8(wide.data(), wide.size()), "a€😀");
    const std::uint8_t lone[] = {0x00, 0xD8, 'a', 0};
    EXPECT_EQ(cfb::Utf16LeToUtf8(lone, 4), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(cfb::DecodeCodePage(reinterpret_cast<const std::uint8_t*>("\x81"), 1, 1252), "\xC2\x81");
}
