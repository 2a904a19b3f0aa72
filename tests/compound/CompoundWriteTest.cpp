// Saving in place: round trips read back by olefile and gsf, bytes the engine does not own, the
// rule that a save writes only into free or appended sectors and the header last, and what a
// save stopped after any single write leaves behind.

#include "compound/CfbBuilder.h"
#include "compound/OleView.h"
#include "compound/TestData.h"

#include "compound/Cfb.h"
#include "compound/CodePage.h"
#include "compound/CompoundReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

using namespace cfbtest;
using testdata::Fixture;
using testdata::Prop;

namespace {

// Passes writes through to a file in memory, records them, and can stop the save: after
// `allowedWrites` writes the next write fails (with `tear`, after writing half of its bytes).
// With `failOnce`, only that write fails, as on a disk that filled up and then had room again;
// `failingFlush` makes that flush (counted from 0) fail once instead.
class ScriptedFile : public cfb::BlockFile {
public:
    struct Op {
        bool flush;
        std::uint64_t offset;
        std::size_t length;
    };
    explicit ScriptedFile(cfb::MemoryFile& inner, int allowedWrites = -1, bool tear = false, bool failOnce = false,
                          int failingFlush = -1)
        : inner_(inner), allowed_(allowedWrites), tear_(tear), failOnce_(failOnce), failingFlush_(failingFlush) {}
    std::uint64_t Size() override { return inner_.Size(); }
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override
    {
        return inner_.Read(offset, out, length);
    }
    void Write(std::uint64_t offset, const std::uint8_t* data, std::size_t length) override
    {
        if (allowed_ >= 0 && writes_ == allowed_ && !failed_) {
            if (tear_)
                inner_.Write(offset, data, length / 2);
            failed_ = failOnce_;
            throw cfb::Error("stopped by the test");
        }
        inner_.Write(offset, data, length);
        ops.push_back({false, offset, length});
        ++writes_;
    }
    void Flush() override
    {
        if (flushes_++ == failingFlush_)
            throw cfb::Error("flush stopped by the test");
        ops.push_back({true, 0, 0});
    }
    void Truncate(std::uint64_t size) override { inner_.Truncate(size); }
    bool Writable() const override { return true; }
    int Writes() const { return writes_; }
    int Flushes() const { return flushes_; }
    std::vector<Op> ops;

private:
    cfb::MemoryFile& inner_;
    int allowed_;
    bool tear_;
    bool failOnce_;
    int failingFlush_;
    bool failed_ = false;
    int writes_ = 0;
    int flushes_ = 0;
};

using Edit = std::function<void(cfb::CustomPropertyCollection&)>;

struct Scenario {
    const char* name;
    Bytes original;
    Edit edit;
    // The streams of the document's own sets it edits (with the document summary stream: its
    // first section).
    std::vector<std::u16string> systemStreams = {};
};

Bytes FixtureBytes(const char* name)
{
    return testdata::ReadBytes(Fixture(name));
}

void RemoveFirstAddTwo(cfb::CustomPropertyCollection& c)
{
    c.Remove(0);
    c.AddText("Nova", "vrednost");
    c.AddText("Šifra", "Čas 1");
}

Bytes WithoutPropertyStream()
{
    BuildOptions o;
    o.rootClsid = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x01};
    return BuildCompound({{u"WordDocument", Bytes(5000, 0x31)}, {u"Small", Bytes(100, 0x32)}, {u"Zed", Bytes(700, 0x33)}}, o);
}

Bytes BigWithDifat()
{
    BuildOptions o;
    o.paddingSectors = 14200;
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}, {2, Lpstr("Company")}})},
                                      {kUserFmtid, Section({{1, I2(1252)}, {0, Dictionary({{2, u"Big"}}, false)}, {2, Lpstr("yes")}})}});
    return BuildCompound({{u"Small", Bytes(300, 7)}, {kDsiName, dsi}}, o);
}

// A user section without a code page beside a Unicode first section: read and written in
// Unicode, the first section's code page.
Bytes UserSectionWithoutCodePage(const std::vector<RawProperty>& user)
{
    return BuildCompound({{kDsiName, PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1200)}})}, {kUserFmtid, Section(user)}})}});
}

std::vector<Scenario> Scenarios()
{
    return {
        {"gsf version 3, mini stream", FixtureBytes("gsf_v3.ole"), RemoveFirstAddTwo},
        {"gsf version 4", FixtureBytes("gsf_v4.ole"), RemoveFirstAddTwo},
        {"LibreOffice, grows past the mini stream cutoff", FixtureBytes("lo_custom.doc"),
         [](cfb::CustomPropertyCollection& c) {
             for (int i = 0; i < 120; ++i)
                 c.AddText("Property " + std::to_string(i), "a value that takes some room " + std::to_string(i));
         }},
        {"LibreOffice, remove all", FixtureBytes("lo_custom.doc"),
         [](cfb::CustomPropertyCollection& c) {
             while (c.Count())
                 c.Remove(c.Count() - 1);
         }},
        {"no property stream yet", WithoutPropertyStream(),
         [](cfb::CustomPropertyCollection& c) {
             c.AddText("Material", "S235");
             c.AddText("Številka", "Č-12");
         }},
        {"stream without user section", FixtureBytes("gsf_none.ole"),
         [](cfb::CustomPropertyCollection& c) { c.AddText("Material", "S355"); }},
        {"empty user section without a code page", UserSectionWithoutCodePage({}),
         [](cfb::CustomPropertyCollection& c) {
             c.AddText("A", "1");
             c.AddText("Šifra", "Č-12");
         }},
        {"Unicode names in a user section without a code page",
         UserSectionWithoutCodePage({{0, Dictionary({{2, u"Alpha"}, {3, u"Številka"}}, true)},
                                     {2, Lpwstr(u"a")},
                                     {3, Lpwstr(u"Č")}}),
         [](cfb::CustomPropertyCollection& c) {
             c.Remove(0);
             c.AddText("Nova", "x");
         }},
        {"custom and the document's own properties in one save", SolidEdgeDocument(),
         [](cfb::CustomPropertyCollection& c) {
             c.AddText("Nova", "vrednost");
             c.SetSystemText(*cfb::FindSystemProperty("Title"), "Nosilec");
             c.SetSystemText(*cfb::FindSystemProperty("Company"), "Krdl");
             c.SetSystemText(*cfb::FindSystemProperty("Document Number"), "D-101");
         },
         {kSummaryName, kProjectName, kDsiName}},
        {"DIFAT beyond the header", BigWithDifat(),
         [](cfb::CustomPropertyCollection& c) {
             c.Remove(0);
             c.AddText("Big", "changed");
         }},
    };
}

// Every stream of the file, by directory index and name, except the property stream and `edited`.
std::map<std::string, Bytes> OtherStreams(const Bytes& file, const std::vector<std::u16string>& edited = {})
{
    cfb::MemoryFile f(file, false);
    cfb::CompoundReader r(f);
    std::map<std::string, Bytes> out;
    const std::size_t entries = r.Entries().Sectors().size() * r.Entries().EntriesPerSector();
    for (std::uint32_t i = 1; i < entries; ++i) {
        const cfb::DirectoryEntry e = r.Entries().Entry(i);
        if (e.type != cfb::EntryType::Stream || e.name == kDsiName
            || std::find(edited.begin(), edited.end(), e.name) != edited.end())
            continue;
        out[cfb::Utf16ToUtf8(e.name)] = r.ReadStream(i, 1u << 30);
    }
    return out;
}

struct Outcome {
    Bytes bytes;
    std::vector<Prop> expected; // what the collection held just before Save
    std::vector<Prop> expectedSystem;
    std::vector<ScriptedFile::Op> ops;
    int writes = 0;
    bool threw = false;
};

Outcome RunScenario(const Scenario& s, int allowedWrites = -1, bool tear = false, bool failOnce = false,
                    int failingFlush = -1)
{
    cfb::MemoryFile mem(s.original);
    ScriptedFile file(mem, allowedWrites, tear, failOnce, failingFlush);
    Outcome out;
    {
        cfb::CustomPropertyCollection c(file, true);
        s.edit(c);
        out.expected = testdata::List(c);
        out.expectedSystem = testdata::SystemList(c);
        try {
            c.Save();
        } catch (const cfb::Error&) {
            out.threw = true;
        }
    }
    out.bytes = mem.Bytes();
    out.ops = file.ops;
    out.writes = file.Writes();
    return out;
}

class SaveScenario : public ::testing::TestWithParam<int> {
protected:
    Scenario S() const { return Scenarios()[static_cast<std::size_t>(GetParam())]; }
};

} // namespace

TEST_P(SaveScenario, IndependentReadersSeeTheNewPropertiesAndEverythingElseUnchanged)
{
    const Scenario s = S();
    SCOPED_TRACE(s.name);
    const Outcome o = RunScenario(s);
    ASSERT_FALSE(o.threw);
    ASSERT_NE(o.expected, testdata::ListBytes(s.original)) << "the scenario must change something";
    EXPECT_EQ(testdata::ListBytes(o.bytes), o.expected);
    EXPECT_EQ(testdata::SystemListBytes(o.bytes), o.expectedSystem);
    EXPECT_EQ(OtherStreams(o.bytes, s.systemStreams), OtherStreams(s.original, s.systemStreams));

    if (!olecheck::Missing().empty())
        GTEST_SKIP() << olecheck::Missing();
    testfiles::TempFolder dir;
    ASSERT_TRUE(dir.valid());
    const std::filesystem::path before = dir / "before.bin";
    const std::filesystem::path after = dir / "after.bin";
    testdata::WriteBytes(before, s.original);
    testdata::WriteBytes(after, o.bytes);
    const olecheck::OleView oldView = olecheck::ReadWithOlefile(before);
    const olecheck::OleView newView = olecheck::ReadWithOlefile(after);
    ASSERT_TRUE(newView.ok) << newView.error;
    ASSERT_EQ(newView.properties.size(), o.expected.size());
    for (std::size_t i = 0; i < o.expected.size(); ++i)
        EXPECT_EQ(newView.properties[i]["name"].toString(), o.expected[i].name);
    EXPECT_EQ(newView.rootClsid, oldView.rootClsid);
    const bool firstSectionEdited = std::ranges::find(s.systemStreams, kDsiName) != s.systemStreams.end();
    if (!oldView.firstSection.empty() && !firstSectionEdited) {
        EXPECT_EQ(newView.firstSection, oldView.firstSection) << "the first section must stay byte for byte";
    }
    const std::string dsi = "\x05" "DocumentSummaryInformation";
    auto oldStreams = oldView.streams, newStreams = newView.streams;
    oldStreams.erase(dsi);
    newStreams.erase(dsi);
    for (const std::u16string& edited : s.systemStreams) {
        oldStreams.erase(cfb::Utf16ToUtf8(edited));
        newStreams.erase(cfb::Utf16ToUtf8(edited));
    }
    EXPECT_EQ(newStreams, oldStreams);
    EXPECT_TRUE(newView.streams.contains(dsi));

    EXPECT_TRUE(olecheck::Gsf({"list", after.string()}).has_value()) << "gsf cannot read the saved file";
    std::vector<std::string> names;
    for (const Prop& p : o.expected)
        names.push_back(p.name);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(olecheck::GsfCustomNames(after), names);
}

TEST_P(SaveScenario, WritesOnlyFreeOrAppendedSectorsAndTheHeaderLast)
{
    const Scenario s = S();
    SCOPED_TRACE(s.name);
    const Outcome o = RunScenario(s);
    ASSERT_FALSE(o.threw);
    cfb::MemoryFile oldFile(s.original, false);
    cfb::CompoundReader old(oldFile);
    const std::vector<std::uint32_t> fat = old.Table().AllEntries();
    const std::uint32_t ss = old.Head().SectorSize();
    const std::uint32_t sectors = old.Sectors().SectorCount();

    ASSERT_GE(o.ops.size(), 3u);
    const auto& last = o.ops[o.ops.size() - 1];
    const auto& header = o.ops[o.ops.size() - 2];
    const auto& flushBefore = o.ops[o.ops.size() - 3];
    EXPECT_TRUE(last.flush);
    EXPECT_FALSE(header.flush);
    EXPECT_EQ(header.offset, 0u);
    EXPECT_EQ(header.length, 512u);
    EXPECT_TRUE(flushBefore.flush) << "the new sectors must be flushed before the header";
    for (std::size_t i = 0; i + 2 < o.ops.size(); ++i) {
        const auto& op = o.ops[i];
        if (op.flush)
            continue;
        ASSERT_GE(op.offset, ss) << "only the last write may touch the header";
        ASSERT_EQ(op.offset % ss, 0u);
        for (std::uint64_t at = op.offset; at < op.offset + op.length; at += ss) {
            const std::uint64_t sector = at / ss - 1;
            EXPECT_TRUE(sector >= sectors || fat[sector] == cfb::kFreeSect) << "sector " << sector << " was in use";
        }
    }
}

TEST_P(SaveScenario, StoppedAfterAnyWriteLeavesOldOrNewProperties)
{
    const Scenario s = S();
    SCOPED_TRACE(s.name);
    const std::vector<Prop> before = testdata::ListBytes(s.original);
    const std::vector<Prop> systemBefore = testdata::SystemListBytes(s.original);
    const auto streams = OtherStreams(s.original);
    const Outcome full = RunScenario(s);
    ASSERT_GT(full.writes, 1);
    for (bool tear : {false, true}) {
        for (int k = 0; k < full.writes; ++k) {
            SCOPED_TRACE("stopped after write " + std::to_string(k) + (tear ? " (torn)" : ""));
            const Outcome o = RunScenario(s, k, tear);
            ASSERT_TRUE(o.threw);
            // Only the last write commits; a tear of the header itself is outside what a
            // single-sector write on a disk can produce and is not simulated.
            if (tear && k == full.writes - 1)
                continue;
            EXPECT_EQ(testdata::ListBytes(o.bytes), before);
            EXPECT_EQ(testdata::SystemListBytes(o.bytes), systemBefore);
            EXPECT_EQ(OtherStreams(o.bytes), streams);
        }
    }
    const Outcome all = RunScenario(s, full.writes);
    EXPECT_FALSE(all.threw);
    EXPECT_EQ(testdata::ListBytes(all.bytes), full.expected);
    EXPECT_EQ(testdata::SystemListBytes(all.bytes), full.expectedSystem);
}

TEST_P(SaveScenario, FailedSaveLeavesTheFileByteIdentical)
{
    // A write or a flush that fails once (a full disk, a file size limit, a network error) ends
    // the save with an error and the file exactly as it was: sectors reused inside the file
    // written back, appended sectors cut off, the header as it was.
    const Scenario s = S();
    SCOPED_TRACE(s.name);
    const Outcome full = RunScenario(s);
    ASSERT_GE(full.writes, 2);
    for (int k = 0; k < full.writes; ++k) {
        for (bool tear : {false, true}) {
            SCOPED_TRACE("write " + std::to_string(k) + (tear ? " torn" : ""));
            const Outcome o = RunScenario(s, k, tear, true);
            ASSERT_TRUE(o.threw);
            EXPECT_TRUE(o.bytes == s.original);
        }
    }
    for (int f = 0; f < 2; ++f) {
        SCOPED_TRACE("flush " + std::to_string(f));
        const Outcome o = RunScenario(s, -1, false, false, f);
        ASSERT_TRUE(o.threw);
        EXPECT_TRUE(o.bytes == s.original);
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, SaveScenario, ::testing::Range(0, static_cast<int>(Scenarios().size())));

TEST(CompoundWrite, NewStreamHasBothSectionsInUnicode)
{
    if (!olecheck::Missing().empty())
        GTEST_SKIP() << olecheck::Missing();
    testfiles::TempFolder dir;
    ASSERT_TRUE(dir.valid());
    const Scenario s = Scenarios()[4];
    const Outcome o = RunScenario(s);
    const std::filesystem::path path = dir / "new.doc";
    testdata::WriteBytes(path, o.bytes);
    const olecheck::OleView view = olecheck::ReadWithOlefile(path);
    ASSERT_TRUE(view.ok) << view.error;
    EXPECT_EQ(view.codePage, 1200);
    EXPECT_FALSE(view.firstSection.empty());
    const testfiles::JsonValue& p = olecheck::OleProperty(view, "Številka");
    EXPECT_EQ(p["value"].toString(), "Č-12");
    EXPECT_EQ(p["vt"].toInt(), 31);
    EXPECT_NE(olecheck::Gsf({"props", path.string(), "Material"}).value_or("").find("\"S235\""), std::string::npos);
}

TEST(CompoundWrite, AnsiSectionKeepsItsCodePage)
{
    testfiles::TempFolder dir;
    ASSERT_TRUE(dir.valid());
    struct Case {
        const char* fixture;
        int codePage;
        int vtOfCzech; // VT_LPSTR when "Čebula" fits the code page, VT_LPWSTR when not
    };
    for (const Case& c : {Case{"gsf_cp1252.ole", 1252, 31}, Case{"gsf_cp1250.ole", 1250, 30}}) {
        SCOPED_TRACE(c.fixture);
        cfb::MemoryFile mem(FixtureBytes(c.fixture));
        {
            cfb::CustomPropertyCollection col(mem);
            EXPECT_EQ(col.CodePage(), c.codePage);
            col.AddText("Fits", "Žaga");
            col.AddText("Czech", "Čebula");
            col.Save();
        }
        if (!olecheck::Missing().empty())
            continue;
        const std::filesystem::path path = dir / c.fixture;
        testdata::WriteBytes(path, mem.Bytes());
        const olecheck::OleView view = olecheck::ReadWithOlefile(path);
        EXPECT_EQ(view.codePage, c.codePage);
        EXPECT_EQ(olecheck::OleProperty(view, "Fits")["vt"].toInt(), 30);
        EXPECT_EQ(olecheck::OleProperty(view, "Fits")["value"].toString(), "Žaga");
        EXPECT_EQ(olecheck::OleProperty(view, "Czech")["vt"].toInt(), c.vtOfCzech);
        EXPECT_EQ(olecheck::OleProperty(view, "Czech")["value"].toString(), "Čebula");
    }
    if (!olecheck::Missing().empty())
        GTEST_SKIP() << olecheck::Missing();
}

TEST(CompoundWrite, NameOutsideTheCodePageIsRefusedAndNothingWritten)
{
    const Bytes original = FixtureBytes("gsf_cp1252.ole");
    cfb::MemoryFile mem(original);
    cfb::CustomPropertyCollection col(mem);
    EXPECT_THROW(col.AddText("Čas", "x"), cfb::Error);
    EXPECT_FALSE(col.Modified());
    col.Save();
    EXPECT_EQ(mem.Bytes(), original);
}

TEST(CompoundWrite, SaveThatWouldNotReadBackAsWrittenWritesNothing)
{
    // Reading ends a name or a text value at its first zero character.
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {{"Na\0me"s, "x"}, {"Name", "va\0lue"s}};
    const Bytes original = FixtureBytes("gsf_v3.ole");
    for (const auto& [name, value] : cases) {
        cfb::MemoryFile mem(original);
        cfb::CustomPropertyCollection col(mem);
        col.AddText(name, value);
        EXPECT_THROW(col.Save(), cfb::Error) << name;
        EXPECT_TRUE(mem.Bytes() == original) << name;
    }
}

TEST(CompoundWrite, SaveWithoutChangesAndReadingWriteNothing)
{
    const Bytes original = FixtureBytes("lo_custom.doc");
    cfb::MemoryFile mem(original);
    ScriptedFile file(mem);
    {
        cfb::CustomPropertyCollection col(file);
        for (std::size_t i = 0; i < col.Count(); ++i)
            (void)col.Item(i);
        col.Save();
        col.AddText("Dropped", "never saved");
    }
    EXPECT_TRUE(file.ops.empty());
    EXPECT_EQ(mem.Bytes(), original);
}

TEST(CompoundWrite, RepeatedSavesReuseFreedSectors)
{
    cfb::MemoryFile mem(FixtureBytes("gsf_v3.ole"));
    std::vector<std::size_t> sizes;
    for (int round = 0; round < 30; ++round) {
        cfb::CustomPropertyCollection col(mem);
        for (std::size_t i = 0; i < col.Count(); ++i)
            if (col.Item(i).name == "Round") {
                col.Remove(i);
                break;
            }
        col.AddText("Round", std::string(static_cast<std::size_t>(round % 3) * 40 + 1, 'r'));
        col.Save();
        sizes.push_back(mem.Bytes().size());
    }
    EXPECT_LE(sizes.back(), sizes[2] + 2 * 512) << "the file keeps growing: freed sectors are not reused";
    EXPECT_EQ(testdata::ListBytes(mem.Bytes()).back().name, "Round");
}

TEST(CompoundWrite, SaveOfBigFileWritesFewBytes)
{
    cfb::MemoryFile mem(BigWithDifat());
    cfb::CountingFile counting(mem);
    cfb::CustomPropertyCollection col(counting);
    col.AddText("Another", "value");
    col.Save();
    EXPECT_LT(counting.BytesWritten(), 64u * 1024);
    EXPECT_EQ(testdata::ListBytes(mem.Bytes()).size(), 2u);
}

TEST(CompoundWrite, ReadOnlyFileRefusesToSave)
{
    cfb::MemoryFile mem(FixtureBytes("gsf_v3.ole"), false);
    cfb::CustomPropertyCollection col(mem);
    col.AddText("X", "y");
    EXPECT_THROW(col.Save(), cfb::Error);
}

TEST(CompoundWrite, DamagedTablesEndTheSaveWithAnErrorAndNoChange)
{
    // A root entry that claims a mini stream far longer than its chain (found by fuzzing: the
    // save used to append sectors for it without end).
    Bytes file = FixtureBytes("gsf_v3.ole");
    const std::uint32_t dirStart = cfb::Get32(file.data() + 48);
    Put32(file, 512 + std::size_t{dirStart} * 512 + 120, 0x7FFFFFF0);
    cfb::MemoryFile mem(file);
    cfb::CustomPropertyCollection col(mem);
    col.AddText("X", "y");
    EXPECT_THROW(col.Save(), cfb::Error);
    EXPECT_EQ(mem.Bytes(), file);
}

namespace {

// A document whose FAT is exactly full, with `fatSectors` FAT sectors: any new sector needs a
// new FAT sector (and past 109 FAT sectors, a new DIFAT sector).
Bytes FullFat(std::uint32_t fatSectors)
{
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})},
                                      {kUserFmtid, Section({{1, I2(1252)}, {0, Dictionary({{2, u"Full"}}, false)}, {2, Lpstr("yes")}})}});
    for (std::uint32_t padding = fatSectors * 128 - 200; padding < fatSectors * 128; ++padding) {
        BuildOptions o;
        o.paddingSectors = padding;
        Bytes file = BuildCompound({{u"Small", Bytes(200, 1)}, {kDsiName, dsi}}, o);
        const std::uint64_t sectors = file.size() / 512 - 1;
        if (cfb::Get32(file.data() + 44) == fatSectors && sectors == std::uint64_t{fatSectors} * 128)
            return file;
    }
    return {};
}

} // namespace

TEST(CompoundWrite, GrowsTheFatAndStartsTheDifatWhenFull)
{
    for (std::uint32_t fatSectors : {3u, 109u}) {
        SCOPED_TRACE("FAT sectors: " + std::to_string(fatSectors));
        const Bytes original = FullFat(fatSectors);
        ASSERT_FALSE(original.empty()) << "no padding gives an exactly full FAT";
        const Scenario s{"full FAT", original, [](cfb::CustomPropertyCollection& c) {
                             c.Remove(0);
                             c.AddText("Full", std::string(300, 'f'));
                         }};
        const Outcome o = RunScenario(s);
        ASSERT_FALSE(o.threw);
        cfb::MemoryFile after(o.bytes, false);
        cfb::CompoundReader r(after);
        EXPECT_EQ(r.Head().fatSectorCount, fatSectors + 1);
        EXPECT_EQ(r.Head().difatSectorCount, fatSectors >= 109 ? 1u : 0u);
        EXPECT_EQ(testdata::ListBytes(o.bytes), o.expected);
        EXPECT_EQ(OtherStreams(o.bytes), OtherStreams(original));

        if (olecheck::Missing().empty()) {
            testfiles::TempFolder dir;
            ASSERT_TRUE(dir.valid());
            const std::filesystem::path path = dir / "full.doc";
            testdata::WriteBytes(path, o.bytes);
            const olecheck::OleView view = olecheck::ReadWithOlefile(path);
            ASSERT_TRUE(view.ok) << view.error;
            EXPECT_EQ(olecheck::OleNames(view), std::vector<std::string>{"Full"});
            EXPECT_TRUE(olecheck::Gsf({"list", path.string()}).has_value());
        }

        const std::vector<Prop> before = testdata::ListBytes(original);
        for (int k = 0; k < o.writes; ++k) {
            const Outcome stopped = RunScenario(s, k);
            ASSERT_TRUE(stopped.threw);
            EXPECT_EQ(testdata::ListBytes(stopped.bytes), before) << "stopped after write " << k;
        }
    }
    if (!olecheck::Missing().empty())
        GTEST_SKIP() << olecheck::Missing();
}

TEST(CompoundWrite, PropertyStreamLargerThanReadingAcceptsIsRefusedBeforeWriting)
{
    const Bytes original = FixtureBytes("gsf_v3.ole");
    cfb::MemoryFile mem(original);
    cfb::CustomPropertyCollection col(mem);
    const std::string large(6u << 20, 'x');
    col.AddText("A", large);
    col.AddText("B", large);
    col.Save(); // about 12 MiB: still readable
    const Bytes twelve = mem.Bytes();
    ASSERT_EQ(testdata::ListBytes(twelve).size(), 8u);
    col.AddText("C", large);
    try {
        col.Save();
        ADD_FAILURE() << "a stream of 18 MiB was written";
    } catch (const cfb::Error& e) {
        EXPECT_NE(std::string(e.what()).find("16 MiB"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(mem.Bytes() == twelve);
}

TEST(CompoundWrite, AllocationTableThatDoesNotCoverTheFileIsNamedAsTheCause)
{
    // 50 MB appended behind the allocation table's back: a save that must grow the file would
    // need a new table sector for every 128 sectors of it. The message says so, not that the
    // format's size limit is reached.
    const Bytes file = FixtureBytes("gsf_v3.ole");
    testdata::SparseFile mem(file, file.size() + (50u << 20));
    cfb::CustomPropertyCollection col(mem);
    col.AddText("X", std::string(100000, 'v')); // more than the free sectors the table lists
    try {
        col.Save();
        ADD_FAILURE() << "saved";
    } catch (const cfb::Error& e) {
        EXPECT_NE(std::string(e.what()).find("allocation table does not match the file"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(mem.Bytes() == file);
}

TEST(CompoundWrite, RefusesToSaveOverAFileChangedSinceOpening)
{
    const Bytes original = FixtureBytes("gsf_v3.ole");
    cfb::MemoryFile mem(original);
    cfb::CustomPropertyCollection col(mem);
    col.AddText("Mine", "1");
    const std::uint8_t more[512] = {};
    mem.Write(original.size(), more, sizeof more); // another program appended a sector
    EXPECT_THROW(col.Save(), cfb::Error);
    EXPECT_EQ(mem.Bytes().size(), original.size() + 512);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), mem.Bytes().begin()));
}

TEST(CompoundWrite, CrossLinkedChainsEndTheSaveWithAnErrorAndNoChange)
{
    // The directory chain runs on into the mini stream's sectors (found by fuzzing: the save
    // moved one and broke the other).
    Bytes file = FixtureBytes("gsf_v3.ole");
    {
        cfb::MemoryFile probe(file, false);
        cfb::CompoundReader r(probe);
        const std::uint32_t lastDir = r.Entries().Sectors().back();
        const std::uint32_t fatSector = r.Table().FatSectorLocation(lastDir / 128);
        Put32(file, 512 + std::size_t{fatSector} * 512 + 4 * (lastDir % 128), r.Root().start);
    }
    ASSERT_EQ(testdata::ListBytes(file).size(), 6u) << "the damage must not hinder reading";
    cfb::MemoryFile mem(file);
    cfb::CustomPropertyCollection col(mem);
    col.AddText("X", "y");
    EXPECT_THROW(col.Save(), cfb::Error);
    EXPECT_EQ(mem.Bytes(), file);
}

TEST(CompoundWrite, NewEntryNeverTakesAnEmptiedEntryThatIsStillLinked)
{
    // Two streams, entries 1 and 2; entries 3 and up are unused. Entry 3 stays linked as a
    // sibling of a stream, as some writers leave it after deleting a stream.
    Bytes file = BuildCompound({{u"Alpha", Bytes(100, 1)}, {u"Beta", Bytes(5000, 2)}});
    const std::uint32_t dirStart = cfb::Get32(file.data() + 48);
    const std::size_t dir = 512 + std::size_t{dirStart} * 512;
    for (std::size_t entry : {1u, 2u})
        if (cfb::Get32(file.data() + dir + entry * 128 + 72) == cfb::kNoStream) {
            Put32(file, dir + entry * 128 + 72, 3);
            break;
        }
    cfb::MemoryFile mem(file);
    {
        cfb::CustomPropertyCollection col(mem);
        col.AddText("Material", "S235");
        col.Save();
    }
    cfb::MemoryFile after(mem.Bytes(), false);
    cfb::CompoundReader r(after);
    const auto entry = r.FindRootChild(kDsiName);
    ASSERT_TRUE(entry.has_value());
    EXPECT_NE(*entry, 3u);
    EXPECT_EQ(OtherStreams(mem.Bytes()), OtherStreams(file));
    EXPECT_EQ(testdata::ListBytes(mem.Bytes()), (std::vector<Prop>{{"Material", 1, "S235"}}));
}
