// The start-up sequence over a recording environment: one test per way it can end.
#include "app/Startup.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QSet>

using namespace Qt::StringLiterals;

using namespace startup;

namespace {

class FakeEnvironment : public Environment {
public:
    // What the outside world looks like.
    bool otherInstance = false;
    QSet<QString> existingFiles{u"/opt/krdl/KRDL.ini"_s};
    QMap<QString, QString> specialFiles; // path -> what stands there instead of a file
    UpgradeOutcome upgrade = UpgradeOutcome::Continue;
    // Answers of the running instance to each hand-over, in turn (the last one repeats); the
    // lock frees itself once lockFreeAfter hand-overs have been tried (-1: never).
    QList<HandOver> answers{HandOver::Delivered};
    int lockFreeAfter = -1;
    qint64 now = 0;
    int handOvers = 0;

    // What happened, in order.
    QStringList calls;
    QList<Message> messages;
    QMap<QString, QString> registry;

    QString ApplicationHandle() override
    {
        calls << u"handle"_s;
        return u"4242"_s;
    }
    void RegWriteString(const QString& keyPath, const QString& name, const QString& value) override
    {
        calls << u"reg "_s + name;
        registry[keyPath + u"|"_s + name] = value;
    }
    bool InstanceAlreadyRunning(const QString& name) override
    {
        calls << u"lock "_s + name;
        if (lockFreeAfter >= 0 && handOvers >= lockFreeAfter)
            otherInstance = false;
        return otherInstance;
    }
    void ShowMessage(const Message& message) override
    {
        calls << u"message"_s;
        messages << message;
    }
    void SetApplicationTitle(const QString& title) override { calls << u"title "_s + title; }
    void CreateMainWindow() override { calls << u"window"_s; }
    QString ProgramIniFileName() override { return u"/opt/krdl/KRDL.ini"_s; }
    bool FileExists(const QString& path) override
    {
        calls << u"exists "_s + path;
        return existingFiles.contains(path);
    }
    QString SpecialFileReason(const QString& path) override
    {
        calls << u"special "_s + path;
        return specialFiles.value(path);
    }
    QStringList UserSettingsFiles() override { return {u"/home/u/registry.ini"_s, u"/home/u/KRDL.ini"_s}; }
    QString ExecutablePath() override { return u"/opt/krdl/KRDL"_s; }
    UpgradeOutcome RunUpgradeCheck() override
    {
        calls << u"upgrade"_s;
        return upgrade;
    }
    void RunMessageLoop() override { calls << u"loop"_s; }
    HandOver HandFilesToRunningInstance(const QStringList& files, int timeoutMs) override
    {
        calls << u"hand over "_s + files.join(u' ');
        EXPECT_GT(timeoutMs, 0);
        const HandOver answer = answers.value(handOvers, answers.last());
        ++handOvers;
        now += answer == HandOver::NoAnswer ? timeoutMs : 20; // a refused connection is quick
        return answer;
    }
    qint64 ElapsedMs() override { return now; }
    void SleepMs(int ms) override { now += ms; }
    void OpenFiles(const QStringList& files) override { calls << u"open "_s + files.join(u' '); }
    void AcceptFilesFromLaterStarts() override { calls << u"accept"_s; }
};

const QString kKey = u"Software\\KARDOLIN\\Nastavitve"_s;

} // namespace

TEST(Startup, NormalStartRunsEveryStepInOrder)
{
    FakeEnvironment env;
    EXPECT_EQ(RunProgram(env), 0);
    EXPECT_EQ(env.calls, (QStringList{u"handle"_s, u"reg Handle"_s, u"lock KARDOLIN"_s,
                                      u"title Velmar Solid Edge Utils"_s, u"window"_s,
                                      u"special /opt/krdl/KRDL.ini"_s, u"exists /opt/krdl/KRDL.ini"_s,
                                      u"special /home/u/registry.ini"_s, u"special /home/u/KRDL.ini"_s,
                                      u"reg Location"_s, u"upgrade"_s, u"accept"_s, u"loop"_s}));
    EXPECT_TRUE(env.messages.isEmpty());
    EXPECT_EQ(env.registry.value(kKey + u"|Handle"_s), u"4242"_s);
    EXPECT_EQ(env.registry.value(kKey + u"|Location"_s), u"/opt/krdl/KRDL"_s);
}

TEST(Startup, SecondInstanceWritesHandleShowsTheMessageAndEndsWithZero)
{
    FakeEnvironment env;
    env.otherInstance = true;
    EXPECT_EQ(RunProgram(env), 0);
    EXPECT_EQ(env.calls, (QStringList{u"handle"_s, u"reg Handle"_s, u"lock KARDOLIN"_s, u"message"_s}));
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_EQ(env.messages[0].caption, u"Application already running"_s);
    EXPECT_EQ(env.messages[0].text, u"Instance of this application is already running!"_s);
    EXPECT_EQ(env.messages[0].buttons, QStringList{u"Close"_s});
    EXPECT_EQ(env.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(env.registry.contains(kKey + u"|Handle"_s));
    EXPECT_FALSE(env.registry.contains(kKey + u"|Location"_s));
}

TEST(Startup, MissingIniShowsTheErrorAfterTheWindowAndEndsWithOne)
{
    FakeEnvironment env;
    env.existingFiles.clear();
    EXPECT_EQ(RunProgram(env), 1);
    EXPECT_EQ(env.calls, (QStringList{u"handle"_s, u"reg Handle"_s, u"lock KARDOLIN"_s,
                                      u"title Velmar Solid Edge Utils"_s, u"window"_s,
                                      u"special /opt/krdl/KRDL.ini"_s, u"exists /opt/krdl/KRDL.ini"_s,
                                      u"message"_s}));
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_EQ(env.messages[0].caption, u"Error"_s);
    EXPECT_EQ(env.messages[0].text, QString::fromUtf8("Ni mogoče najti datoteke /opt/krdl/KRDL.ini"));
    EXPECT_EQ(env.messages[0].buttons, QStringList{u"OK"_s});
    EXPECT_EQ(env.messages[0].icon, MessageIcon::Error);
    EXPECT_FALSE(env.registry.contains(kKey + u"|Location"_s));
}

TEST(Startup, UpgradeThatEndsTheProgramSkipsTheLoop)
{
    FakeEnvironment env;
    env.upgrade = UpgradeOutcome::EndProgram;
    EXPECT_EQ(RunProgram(env), 0);
    EXPECT_EQ(env.calls.back(), u"upgrade"_s);
    EXPECT_FALSE(env.calls.contains(u"loop"_s));
    EXPECT_EQ(env.registry.value(kKey + u"|Location"_s), u"/opt/krdl/KRDL"_s);
}

TEST(Startup, SomethingElseInPlaceOfASettingsFileIsNamedInABox)
{
    // In place of the program INI file: the box, and the program does not run.
    FakeEnvironment env;
    env.specialFiles.insert(u"/opt/krdl/KRDL.ini"_s, u"it is a FIFO"_s);
    EXPECT_EQ(RunProgram(env), 1);
    ASSERT_EQ(env.messages.size(), 1);
    EXPECT_EQ(env.messages[0].text, u"Cannot open file \"/opt/krdl/KRDL.ini\": it is a FIFO"_s);
    EXPECT_EQ(env.messages[0].icon, MessageIcon::Error);
    EXPECT_FALSE(env.calls.contains(u"loop"_s));

    // In place of a per-user file: the box, and the program goes on without it.
    FakeEnvironment user;
    user.specialFiles.insert(u"/home/u/registry.ini"_s, u"it is a folder"_s);
    EXPECT_EQ(RunProgram(user), 0);
    ASSERT_EQ(user.messages.size(), 1);
    EXPECT_EQ(user.messages[0].text, u"Cannot open file \"/home/u/registry.ini\": it is a folder"_s);
    EXPECT_EQ(user.calls.mid(user.calls.indexOf(u"message"_s)), (QStringList{u"message"_s, u"special /home/u/KRDL.ini"_s,
                                                                          u"reg Location"_s, u"upgrade"_s, u"accept"_s,
                                                                          u"loop"_s}));
}

TEST(Startup, FilesJoinTheListOrGoToTheRunningInstance)
{
    const QStringList files{u"/w/a.dft"_s, u"/w/parts"_s};
    const QStringList tail{u"upgrade"_s, u"open /w/a.dft /w/parts"_s, u"accept"_s, u"loop"_s};
    const QString handOver = u"hand over /w/a.dft /w/parts"_s;
    struct Case {
        const char* what;
        bool otherInstance;
        QList<HandOver> answers;
        int lockFreeAfter;
        int code;
        int handOvers;
        bool runs;    // this start runs the program with the files
        bool message; // the files-not-added message
    } const cases[] = {
        {"first start", false, {HandOver::Delivered}, -1, 0, 0, true, false},
        {"handed over", true, {HandOver::Delivered}, -1, 0, 1, false, false},
        {"instance still starting", true, {HandOver::NotListening, HandOver::NotListening, HandOver::Delivered}, -1, 0, 3,
         false, false},
        {"instance gone meanwhile", true, {HandOver::NotListening}, 1, 0, 1, true, false},
        {"instance hangs", true, {HandOver::NoAnswer}, -1, 1, 1, false, true},
        {"nobody ever listens", true, {HandOver::NotListening}, -1, 1, -1, false, true},
    };
    for (const Case& c : cases) {
        FakeEnvironment env;
        env.otherInstance = c.otherInstance;
        env.answers = c.answers;
        env.lockFreeAfter = c.lockFreeAfter;
        EXPECT_EQ(RunProgram(env, files), c.code) << c.what;
        if (c.handOvers >= 0) {
            EXPECT_EQ(env.calls.count(handOver), c.handOvers) << c.what;
        }
        EXPECT_EQ(env.calls.mid(env.calls.size() - tail.size()) == tail, c.runs) << c.what;
        EXPECT_LE(env.now, kHandOverMs + 200) << c.what; // never waits past its limit
        ASSERT_EQ(env.messages.size(), c.message ? 1 : 0) << c.what;
        if (c.message) {
            EXPECT_EQ(env.messages[0].caption, u"Application already running"_s);
            EXPECT_EQ(env.messages[0].text, u"Instance of this application is already running!\n\n"_s
                                            u"It does not answer, so these files were not added:\n/w/a.dft\n/w/parts"_s);
        }
    }
    // Without files a second start only says so.
    FakeEnvironment second;
    second.otherInstance = true;
    EXPECT_EQ(RunProgram(second, {}), 0);
    EXPECT_EQ(second.handOvers, 0);
    EXPECT_EQ(second.messages.size(), 1);
}
