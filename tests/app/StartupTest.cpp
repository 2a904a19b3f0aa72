// The start-up sequence over a recording environment: one test per way it can end.
#include "app/Startup.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QSet>

using namespace startup;

namespace {

class FakeEnvironment : public Environment {
public:
    // What the outside world looks like.
    bool otherInstance = false;
    QSet<QString> existingFiles{"/opt/krdl/KRDL.ini"};
    UpgradeOutcome upgrade = UpgradeOutcome::Continue;

    // What happened, in order.
    QStringList calls;
    QList<Message> messages;
    QMap<QString, QString> registry;

    QString applicationHandle() override
    {
        calls << "handle";
        return "4242";
    }
    void regWriteString(const QString& keyPath, const QString& name, const QString& value) override
    {
        calls << "reg " + name;
        registry[keyPath + "|" + name] = value;
    }
    bool instanceAlreadyRunning(const QString& name) override
    {
        calls << "lock " + name;
        return otherInstance;
    }
    void showMessage(const Message& message) override
    {
        calls << "message";
        messages << message;
    }
    void setApplicationTitle(const QString& title) override { calls << "title " + title; }
    void createMainWindow() override { calls << "window"; }
    QString programIniFileName() override { return "/opt/krdl/KRDL.ini"; }
    bool fileExists(const QString& path) override
    {
        calls << "exists " + path;
        return existingFiles.contains(path);
    }
    QString executablePath() override { return "/opt/krdl/KRDL"; }
    UpgradeOutcome runUpgradeCheck() override
    {
        calls << "upgrade";
        return upgrade;
    }
    void runMessageLoop() override { calls << "loop"; }
};

const QString kKey = "Software\\KARDOLIN\\Nastavitve";

} // namespace

TEST(Startup, NormalStartRunsEveryStepInOrder)
{
    FakeEnvironment env;
    EXPECT_EQ(RunProgram(env), 0);
    EXPECT_EQ(env.calls, (QStringList{"handle", "reg Handle", "lock KARDOLIN",
                                      "title Velmar Solid Edge Utils", "window",
                                      "exists /opt/krdl/KRDL.ini", "reg Location", "upgrade",
                                      "loop"}));
    EXPECT_TRUE(env.messages.isEmpty());
    EXPECT_EQ(env.registry.value(kKey + "|Handle"), "4242");
    EXPECT_EQ(env.registry.value(kKey + "|Location"), "/opt/krdl/KRDL");
}

TEST(Startup, SecondInstanceWritesHandleShowsTheMessageAndEndsWithZero)
{
    FakeEnvironment env;
    env.otherInstance = true;
    EXPECT_EQ(RunProgram(env), 0);
    EXPECT_EQ(env.calls, (QStringList{"handle", "reg Handle", "lock KARDOLIN", "message"}));
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_EQ(env.messages[0].caption, "Application already running");
    EXPECT_EQ(env.messages[0].text, "Instance of this application is already running!");
    EXPECT_EQ(env.messages[0].buttons, QStringList{"Close"});
    EXPECT_EQ(env.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(env.registry.contains(kKey + "|Handle"));
    EXPECT_FALSE(env.registry.contains(kKey + "|Location"));
}

TEST(Startup, MissingIniShowsTheErrorAfterTheWindowAndEndsWithOne)
{
    FakeEnvironment env;
    env.existingFiles.clear();
    EXPECT_EQ(RunProgram(env), 1);
    EXPECT_EQ(env.calls, (QStringList{"handle", "reg Handle", "lock KARDOLIN",
                                      "title Velmar Solid Edge Utils", "window",
                                      "exists /opt/krdl/KRDL.ini", "message"}));
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_EQ(env.messages[0].caption, "Error");
    EXPECT_EQ(env.messages[0].text, QString::fromUtf8("Ni mogoče najti datoteke /opt/krdl/KRDL.ini"));
    EXPECT_EQ(env.messages[0].buttons, QStringList{"OK"});
    EXPECT_EQ(env.messages[0].icon, MessageIcon::Error);
    EXPECT_FALSE(env.registry.contains(kKey + "|Location"));
}

TEST(Startup, UpgradeThatEndsTheProgramSkipsTheLoop)
{
    FakeEnvironment env;
    env.upgrade = UpgradeOutcome::EndProgram;
    EXPECT_EQ(RunProgram(env), 0);
    EXPECT_EQ(env.calls.back(), "upgrade");
    EXPECT_FALSE(env.calls.contains("loop"));
    EXPECT_EQ(env.registry.value(kKey + "|Location"), "/opt/krdl/KRDL");
}
