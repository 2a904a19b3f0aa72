#include "automation/BatchPrint.h"
#include "automation/UpdateDrafts.h"
#include "automation/FakeSolidEdge.h"
#include "batch/FakeSinks.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

using testing::ElementsAre;
using testing::ElementsAreArray;

using namespace Qt::StringLiterals;

namespace {

const QStringList ConnectLines = {u"Try to connect to Solid Edge!"_s, u"Successfuly connected to Solid Edge!"_s};
const QStringList CloseLines = {u" "_s, u"Try to disconnect from Solid Edge!"_s, u"Successfuly disconnected from Solid Edge!"_s};

QStringList Join(std::initializer_list<QStringList> parts)
{
    QStringList all;
    for (const QStringList& p : parts)
        all += p;
    return all;
}

struct PrintFixture : testing::Test {
    std::shared_ptr<FakeWorld> world = std::make_shared<FakeWorld>();
    FakeServer server{world};
    FakeProgressFactory progress;
    BatchPrint run{server, progress};

    void SetUp() override
    {
        world->documents = {{"C:\\W\\a.dft", {}}, {"C:\\W\\b.par", {}}, {"C:\\W\\c.asm", {}}};
        run.files = {u"C:\\W\\a.dft"_s, u"C:\\W\\b.par"_s, u"C:\\W\\c.asm"_s};
        run.printerName = u"Laser Č"_s;
        run.landscape = true;
    }
};

// A run that cannot connect touches nothing and closes its log the same way in both runs, with
// the fake refusing and with this system's own automation (none outside Windows).
TEST(SolidEdgeRunTest, FailedConnectionWritesOnlyTheFrame)
{
#ifdef _WIN32
    const bool systemHasAutomation = true;
#else
    const bool systemHasAutomation = false;
#endif
    for (bool useSystem : {false, true}) {
        if (useSystem && systemHasAutomation)
            continue; // a Windows machine may well have the real class registered
        for (bool print : {true, false}) {
            SCOPED_TRACE(testing::Message() << "system " << useSystem << " print " << print);
            auto world = std::make_shared<FakeWorld>();
            FakeServer fake(world);
            fake.refuse = true;
            AutomationServer& server = useSystem ? SystemAutomationServer() : fake;
            FakeProgressFactory progress;
            if (print) {
                BatchPrint run(server, progress);
                run.files = {u"/w/a.dft"_s};
                run.Execute();
            } else {
                UpdateDrafts run(server, progress);
                run.files = {u"/w/a.dft"_s};
                run.Execute();
            }
            FakeProgress& log = progress.only();
            EXPECT_EQ(log.caption, print ? u"Print files"_s : u"Update drafts"_s);
            EXPECT_EQ(log.lines, Join({{u"Try to connect to Solid Edge!"_s, u"Cannot connect to Solid Edge!"_s}, CloseLines}));
            EXPECT_EQ(log.finished, 1);
            EXPECT_EQ(world->calls, useSystem ? std::vector<std::string>{} : std::vector<std::string>{"create SolidEdge.Application"});
        }
    }
}

TEST_F(PrintFixture, PrintsEveryFileWithTheElevenArguments)
{
    int document = 0;
    run.readPageSettings = [&] {
        ++document; // the page is read again for every document: copies 0, then 7 with collate
        return document == 1 ? BatchPrint::PageSettings{0, false, true} : BatchPrint::PageSettings{7, true, false};
    };
    run.Execute();
    FakeProgress& log = progress.only();
    EXPECT_EQ(log.lines, Join({ConnectLines,
                               {u" "_s, u"Start printing documents..."_s, u" "_s, u"1/3 C:\\W\\a.dft"_s, u" "_s,
                                u"2/3 C:\\W\\b.par"_s, u" "_s, u"3/3 C:\\W\\c.asm"_s},
                               CloseLines}));
    EXPECT_EQ(log.finished, 1);
    EXPECT_THAT(world->callsOf("doc(C:\\W\\b"),
                ElementsAre("doc(C:\\W\\b.par).PrintOut(StringRef(\"Laser Č\"), Int16(7), Int32Ref(2), Missing, Missing, "
                            "Boolean(False), Missing, Missing, Missing, Boolean(False), Boolean(True))",
                            "doc(C:\\W\\b.par).Close()"));
    EXPECT_THAT(world->callsOf("doc(C:\\W\\a"),
                ElementsAre("doc(C:\\W\\a.dft).PrintOut(StringRef(\"Laser Č\"), Int16(0), Int32Ref(2), Missing, Missing, "
                            "Boolean(False), Missing, Missing, Missing, Boolean(True), Boolean(False))",
                            "doc(C:\\W\\a.dft).Close()"));
    EXPECT_THAT(world->callsOf("app"),
                ElementsAre("app.Visible = Boolean(False)", "app.DisplayAlerts = Boolean(False)", "app.Documents",
                            "app.Documents", "app.Documents", "app.Quit()"));
    EXPECT_EQ(run.Result().succeeded, 3);
}

TEST_F(PrintFixture, AFailingStepLogsTheFileAndTheRunGoesOn)
{
    const std::string portrait = "doc(C:\\W\\b.par).PrintOut(StringRef(\"Laser Č\"), Int16(1), Int32Ref(1),";
    for (const std::string fail : {"documents.Open", "doc(C:\\W\\b.par).PrintOut", "doc(C:\\W\\b.par).Close"}) {
        SCOPED_TRACE(fail);
        world->calls.clear();
        world->failing = {fail};
        if (fail == "documents.Open") { // fails by the document's name only
            world->failing.clear();
            world->documents.erase("C:\\W\\b.par");
        }
        FakeProgressFactory fresh;
        BatchPrint again(server, fresh);
        again.files = run.files;
        again.printerName = run.printerName;
        again.Execute();
        world->failing.clear();
        world->documents["C:\\W\\b.par"] = {};
        EXPECT_EQ(fresh.only().lines,
                  Join({ConnectLines,
                        {u" "_s, u"Start printing documents..."_s, u" "_s, u"1/3 C:\\W\\a.dft"_s, u" "_s, u"2/3 C:\\W\\b.par"_s,
                         u"Error when trying opening file \"C:\\W\\b.par\"!"_s, u" "_s, u"3/3 C:\\W\\c.asm"_s},
                        CloseLines}));
        EXPECT_EQ(world->callsOf("doc(C:\\W\\c").size(), 2u);
        EXPECT_EQ(world->calls.back(), "app.Quit()");
        if (fail != "documents.Open") {
            EXPECT_EQ(world->callsOf("doc(C:\\W\\b").front().rfind(portrait, 0), 0u);
        }
        EXPECT_EQ(again.Result().failed, 1);
    }
}

TEST_F(PrintFixture, CancelStopsBeforeTheNextFile)
{
    // Pending events run before connecting and before each file: Cancel is seen before file 2.
    progress.prepare = [](FakeProgress& p) {
        p.onProcess = [](int n, FakeProgress& self) { self.stopped = self.stopped || n == 3; };
    };
    run.Execute();
    EXPECT_EQ(progress.only().lines, Join({ConnectLines,
                                           {u" "_s, u"Start printing documents..."_s, u" "_s, u"1/3 C:\\W\\a.dft"_s,
                                            u"User cancel operation!"_s},
                                           CloseLines}));
    EXPECT_TRUE(world->callsOf("doc(C:\\W\\b").empty());
    EXPECT_EQ(world->calls.back(), "app.Quit()");
    EXPECT_TRUE(run.Result().cancelled);
}

// Solid Edge that ran before the run (the user's own) keeps running, with its two settings as
// they were; one the run started is told to quit.
TEST_F(PrintFixture, InstanceRunningBeforeIsLeftRunningAsItWas)
{
    for (const bool visible : {true, false}) {
        SCOPED_TRACE(visible);
        world->calls.clear();
        world->visible = visible;
        world->displayAlerts = true;
        server.running = true;
        FakeProgressFactory fresh;
        BatchPrint again(server, fresh);
        again.files = {u"C:\\W\\a.dft"_s};
        again.Execute();
        EXPECT_EQ(fresh.only().lines.mid(0, 2), ConnectLines);
        EXPECT_EQ(fresh.only().lines.mid(fresh.only().lines.size() - 3), CloseLines);
        const std::string was = visible ? "Boolean(True)" : "Boolean(False)";
        EXPECT_THAT(world->callsOf("app"),
                    ElementsAre("app.Visible", "app.DisplayAlerts", "app.Visible = Boolean(False)",
                                "app.DisplayAlerts = Boolean(False)", "app.Documents", "app.Visible = " + was,
                                "app.DisplayAlerts = Boolean(True)"));
        EXPECT_EQ(world->visible, visible);
        EXPECT_TRUE(world->displayAlerts);
    }
}

// When Solid Edge refuses to hide, the run stops there, closes its log and reports the error.
TEST_F(PrintFixture, RefusedSettingEndsTheRunWithItsClosingLines)
{
    world->failing = {"app.Visible"};
    EXPECT_THROW(run.Execute(), AutomationError);
    EXPECT_EQ(progress.only().lines, Join({ConnectLines, CloseLines}));
    EXPECT_EQ(progress.only().finished, 1);
    EXPECT_EQ(world->calls.back(), "app.Quit()");
}

} // namespace
