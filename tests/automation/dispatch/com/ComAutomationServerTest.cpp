// The COM backend against the recording server registered as "SolidEdge.Application": what
// arrives at the server is what a real Solid Edge would be sent.
#include "automation/SolidEdgeConnection.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class ComTest : public testing::Test {
protected:
    AutomationApartment apartment;
    AutomationServer& server = SystemAutomationServer();

    // The server's record of calls since the last read (one server per process).
    std::string TakeRecord()
    {
        const std::string all = server.Create(kSolidEdgeProgId)->Get("RecordedCalls").ToString();
        std::string fresh = all.substr(seen_);
        seen_ = all.size();
        const std::string created = "CreateInstance\n";
        if (fresh.size() >= created.size() && fresh.compare(fresh.size() - created.size(), created.size(), created) == 0)
            fresh.resize(fresh.size() - created.size()); // the instance made for this read
        return fresh;
    }

private:
    size_t seen_ = 0;
};

TEST_F(ComTest, PrintCallsArriveWithTheirTypes)
{
    TakeRecord();
    ASSERT_FALSE(server.IsRunning(kSolidEdgeProgId));
    {
        SolidEdgeSession session(server);
        ASSERT_TRUE(session.Connect()) << "is the recording server registered (regsvr32)?";
        session.WorkUnseen();
        const AutomationRef document = OpenSolidEdgeDocument(session.App(), "C:\\Work\\Načrt.dft");
        document->Call("PrintOut", PrintOutArguments("Laser Č", 0, 2, true, false));
        document->Call("Close");
    }
    const std::string missing = "VT_ERROR:0x80020004";
    EXPECT_EQ(TakeRecord(),
              "CreateInstance\n"
              "Application.Visible [put] named=-3 VT_BOOL:0\n"
              "Application.DisplayAlerts [put] named=-3 VT_BOOL:0\n"
              "Application.Documents [method|get]\n"
              "Documents.Open [method] VT_BSTR:C:\\Work\\Načrt.dft\n"
              "Document(C:\\Work\\Načrt.dft).PrintOut [method] VT_BSTR|VT_BYREF:Laser Č VT_I2:0 VT_I4|VT_BYREF:2 "
                  + missing + " " + missing + " VT_BOOL:0 " + missing + " " + missing + " " + missing
                  + " VT_BOOL:-1 VT_BOOL:0\n"
                  "Document(C:\\Work\\Načrt.dft).Close [method]\n"
                  "Application.Quit [method]\n");
}

// An instance in the running object table is seen, and a session leaves it running with its
// settings given back.
TEST_F(ComTest, RunningInstanceIsSeenAndLeftRunning)
{
    const AutomationRef announced = server.Create(kSolidEdgeProgId);
    announced->Call("RegisterRunning");
    EXPECT_TRUE(server.IsRunning(kSolidEdgeProgId));
    TakeRecord();
    {
        SolidEdgeSession session(server);
        ASSERT_TRUE(session.Connect());
        EXPECT_TRUE(session.FoundRunning());
        session.WorkUnseen();
    }
    EXPECT_EQ(TakeRecord(),
              "CreateInstance\n"
              "Application.Visible [method|get]\n"
              "Application.DisplayAlerts [method|get]\n"
              "Application.Visible [put] named=-3 VT_BOOL:0\n"
              "Application.DisplayAlerts [put] named=-3 VT_BOOL:0\n"
              "Application.Visible [put] named=-3 VT_BOOL:-1\n"
              "Application.DisplayAlerts [put] named=-3 VT_BOOL:-1\n");
    announced->Call("RevokeRunning");
    EXPECT_FALSE(server.IsRunning(kSolidEdgeProgId));
}

// Refusals come back as errors that carry the server's own words, or the system's.
TEST_F(ComTest, ErrorsCarryTheirMessage)
{
    const AutomationRef app = server.Create(kSolidEdgeProgId);
    EXPECT_EQ(app->Get("Visible"), AutomationValue::Boolean(true));
    const struct {
        std::function<void()> call;
        std::string text;
        std::int32_t code;
    } cases[] = {
        {[&] { OpenSolidEdgeDocument(app, "C:\\missing.dft"); }, "Open: Cannot open C:\\missing.dft", std::int32_t(0x80004005)},
        {[&] { OpenSolidEdgeDocument(app, "C:\\a.dft")->Call("PrintOut", PrintOutArguments("Refused", 1, 1, true, true)); },
         "PrintOut: Printer not found", std::int32_t(0x80004005)},
        {[&] { app->Call("NoSuchMember"); }, "NoSuchMember", std::int32_t(0x80020006)},
        {[&] { app->Put("Visible", AutomationValue::String("yes")); }, "Visible", std::int32_t(0x80020005)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            c.call();
            ADD_FAILURE() << "no error";
        } catch (const AutomationError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.text, 0), 0u) << e.what();
            EXPECT_EQ(e.Code(), c.code);
        }
    }
}

} // namespace
