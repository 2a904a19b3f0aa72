#include "automation/UpdateDrafts.h"
#include "automation/FakeSolidEdge.h"
#include "batch/FakeSinks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testing::ElementsAre;

namespace {

const QStringList CloseLines = {u" "_s, u"Try to disconnect from Solid Edge!"_s, u"Successfuly disconnected from Solid Edge!"_s};
const QString Rule(70, u'-');

TEST(UpdateDraftsTest, KeepsOnlyDraftsByTheirExactExtension)
{
    const QStringList in = {u"C:\\W\\a.dft"_s, u"C:\\W\\A.DFT"_s, u"C:\\W\\p.par"_s, u"C:\\x.dft\\noext"_s,
                            u"/home/u/b.dft"_s, u"/w/a.dft.bak"_s, u"/w/t.tar.dft"_s, u"/w/.dft"_s, u"/w/a.Dft"_s};
    EXPECT_EQ(UpdateDrafts::DraftsOnly(in), (QStringList{u"C:\\W\\a.dft"_s, u"/home/u/b.dft"_s, u"/w/t.tar.dft"_s, u"/w/.dft"_s}));
}

struct UpdateFixture : testing::Test {
    std::shared_ptr<FakeWorld> world = std::make_shared<FakeWorld>();
    FakeServer server{world};
    FakeProgressFactory progress;

    QStringList Run(const QStringList& files)
    {
        progress.sinks.clear();
        world->calls.clear();
        UpdateDrafts run(server, progress);
        run.files = files;
        run.Execute();
        EXPECT_EQ(progress.only().finished, 1);
        EXPECT_EQ(progress.only().caption, u"Update drafts"_s);
        return progress.only().lines;
    }
};

TEST_F(UpdateFixture, UpdatesEveryLinkAssembliesFirstAndSavesTheDraft)
{
    world->documents = {{"/w/a.dft", {{0, "/m/p.par"}, {1, "/m/s.asm"}, {2, "/m/w.pwd"}, {7, "/m/x.psm"}}},
                        {"/w/empty.dft", {}},
                        {"/m/s.asm", {}}};
    world->upToDate["/m/s.asm"] = true;
    const QStringList lines = Run({u"/w/skip.par"_s, u"/w/a.dft"_s, u"/w/A.DFT"_s, u"/w/empty.dft"_s});
    EXPECT_EQ(lines, (QStringList{u"Try to connect to Solid Edge!"_s, u"Successfuly connected to Solid Edge!"_s, u" "_s,
                                  u"Update documents..."_s, Rule, u" "_s, u"1/2 /w/a.dft"_s,
                                  u"   Number of ModelLinks: 4 )"_s,
                                  u"1. Part link \"/m/p.par\" updated successfuly!"_s, u"Success!"_s,
                                  u"2. Assembly link \"/m/s.asm\" updated successfuly!"_s, u"Success!"_s,
                                  u"3. Weldment link \"/m/w.pwd\" updated successfuly!"_s, u"Success!"_s,
                                  u"4.  \"/m/x.psm\" updated successfuly!"_s, u"Success!"_s, Rule, u" "_s,
                                  u"2/2 /w/empty.dft"_s, u"   Number of ModelLinks: 0 )"_s}
                      + CloseLines));
    EXPECT_THAT(world->callsOf("doc(/m/s.asm)"), ElementsAre("doc(/m/s.asm).ActivateAll()", "doc(/m/s.asm).UpdateAll()",
                                                      "doc(/m/s.asm).PhysicalProperties", "doc(/m/s.asm).Save()"));
    EXPECT_THAT(world->callsOf("physical(/m/s.asm)"), ElementsAre("physical(/m/s.asm).IsUpToDate", "physical(/m/s.asm).Update()"));
    EXPECT_THAT(world->callsOf("doc(/w/a.dft)"), ElementsAre("doc(/w/a.dft).ModelLinks", "doc(/w/a.dft).Save()", "doc(/w/a.dft).Close()"));
    EXPECT_THAT(world->callsOf("links(/w/a.dft)"),
                ElementsAre("links(/w/a.dft).Count", "links(/w/a.dft).Item(Int32(1))", "links(/w/a.dft).Item(Int32(2))",
                            "links(/w/a.dft).Item(Int32(3))", "links(/w/a.dft).Item(Int32(4))"));
    EXPECT_EQ(world->callsOf("documents.Open").size(), 3u); // two drafts and the assembly
    EXPECT_EQ(world->calls.back(), "app.Quit()");

    // A model whose physical properties read as outdated is not asked to update them.
    world->upToDate["/m/s.asm"] = false;
    Run({u"/w/a.dft"_s});
    EXPECT_THAT(world->callsOf("physical(/m/s.asm)"), ElementsAre("physical(/m/s.asm).IsUpToDate"));
}

// Each failing call, and what the log shows for the draft it hit; the next draft is handled.
TEST_F(UpdateFixture, AFailingCallLogsItsLineAndTheNextDraftIsHandled)
{
    world->documents = {{"/w/a.dft", {{1, "/m/s.asm"}, {0, "/m/p.par"}}}, {"/w/b.dft", {}}, {"/m/s.asm", {}}};
    world->upToDate["/m/s.asm"] = true;
    const QString updatedAsm = u"1. Assembly link \"/m/s.asm\" updated successfuly!"_s;
    const QString updatedPart = u"2. Part link \"/m/p.par\" updated successfuly!"_s;
    const QString count = u"   Number of ModelLinks: 2 )"_s;
    const QString error = u"Error..."_s;
    const struct {
        std::string fail;
        QStringList draftLines;
    } cases[] = {
        {"documents.Open", {error}},
        {"doc(/w/a.dft).ModelLinks", {error}},
        {"links(/w/a.dft).Count", {error}},
        {"links(/w/a.dft).Item", {count, error}},
        {"link(/w/a.dft#1).ModelType", {count, error}},
        {"link(/w/a.dft#1).FileName", {count, error}},
        {"doc(/m/s.asm).ActivateAll", {count, error}},
        {"doc(/m/s.asm).UpdateAll", {count, error}},
        {"doc(/m/s.asm).PhysicalProperties", {count, error}},
        {"physical(/m/s.asm).IsUpToDate", {count, error}},
        {"physical(/m/s.asm).Update", {count, error}},
        {"doc(/m/s.asm).Save", {count, error}},
        {"link(/w/a.dft#1).UpdateViews",
         {count, u"1. Assembly link \"/m/s.asm\" failed to update!"_s, updatedPart, u"Success!"_s}},
        {"link(/w/a.dft#2).UpdateViews",
         {count, updatedAsm, u"Success!"_s, u"2. Part link \"/m/p.par\" failed to update!"_s}},
        {"doc(/w/a.dft).Save", {count, updatedAsm, u"Success!"_s, updatedPart, u"Success!"_s, error}},
        {"doc(/w/a.dft).Close", {count, updatedAsm, u"Success!"_s, updatedPart, u"Success!"_s, error}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fail);
        // The draft's own open fails by its name; the models and the second draft still open.
        world->failing = {c.fail};
        if (c.fail == "documents.Open") {
            world->failing.clear();
            world->documents.erase("/w/a.dft");
        }
        const QStringList lines = Run({u"/w/a.dft"_s, u"/w/b.dft"_s});
        world->documents["/w/a.dft"] = {{1, "/m/s.asm"}, {0, "/m/p.par"}};
        world->failing.clear();
        const QStringList expected = QStringList{u"Try to connect to Solid Edge!"_s, u"Successfuly connected to Solid Edge!"_s,
                                                 u" "_s, u"Update documents..."_s, Rule, u" "_s, u"1/2 /w/a.dft"_s}
            + c.draftLines
            + QStringList{Rule, u" "_s, u"2/2 /w/b.dft"_s, u"   Number of ModelLinks: 0 )"_s} + CloseLines;
        EXPECT_EQ(lines, expected);
        EXPECT_THAT(world->callsOf("doc(/w/b.dft)"), ElementsAre("doc(/w/b.dft).ModelLinks", "doc(/w/b.dft).Save()", "doc(/w/b.dft).Close()"));
    }
}

TEST_F(UpdateFixture, CancelLeavesTheRemainingDraftsUnopened)
{
    world->documents = {{"/w/a.dft", {}}, {"/w/b.dft", {}}};
    progress.prepare = [](FakeProgress& p) {
        p.onProcess = [](int n, FakeProgress& self) { self.stopped = self.stopped || n == 3; };
    };
    const QStringList lines = Run({u"/w/a.dft"_s, u"/w/b.dft"_s});
    EXPECT_EQ(lines.mid(lines.size() - 4), QStringList{u"User cancel operation!"_s} + CloseLines);
    EXPECT_THAT(world->callsOf("doc(/w/a.dft)"), ElementsAre("doc(/w/a.dft).ModelLinks", "doc(/w/a.dft).Save()", "doc(/w/a.dft).Close()"));
    EXPECT_TRUE(world->callsOf("doc(/w/b.dft)").empty());
    EXPECT_EQ(world->calls.back(), "app.Quit()");
}

TEST_F(UpdateFixture, NoDraftsStillConnectsAndCloses)
{
    const QStringList lines = Run({u"/w/p.par"_s, u"/w/A.DFT"_s});
    EXPECT_EQ(lines, (QStringList{u"Try to connect to Solid Edge!"_s, u"Successfuly connected to Solid Edge!"_s, u" "_s,
                                  u"Update documents..."_s}
                      + CloseLines));
    EXPECT_EQ(world->calls.back(), "app.Quit()");
}

} // namespace
