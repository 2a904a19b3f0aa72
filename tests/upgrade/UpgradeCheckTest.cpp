// The upgrade check against stand-in libraries built with the tests, which log every call and
// answer as the environment tells them: the conversation with the library, and which library
// file is found and loaded.
#include "upgrade/UpgradeCheck.h"

#include "KrdlVersion.h"
#include "settings/Settings.h"
#include "common/FsPath.h"
#include "support/ConfigSandbox.h"
#ifdef _WIN32
#include "support/AccessList.h"

#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using upgrade::UpgradeCheck;

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const char* const kFull = KRDL_FAKE_UPGRADE_FULL;
const char* const kNoInternet = KRDL_FAKE_UPGRADE_NO_INTERNET;
const char* const kNoVersion = KRDL_FAKE_UPGRADE_NO_VERSION;
const char* const kNoExecute = KRDL_FAKE_UPGRADE_NO_EXECUTE;

const char* const kEnvironment[] = {"KRDL_FAKE_UPGRADE_LOG", "KRDL_FAKE_INTERNET_UPGRADE", "KRDL_FAKE_LAST_VERSION"};

void setOrUnset(const char* name, const char* value)
{
    if (value)
        qputenv(name, value);
    else
        qunsetenv(name);
}

class UpgradeCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : kEnvironment)
            saved << qgetenv(name);
        exe = dir.filePath(u"KRDL"_s);
        qputenv("KRDL_FAKE_UPGRADE_LOG", dir.filePath(u"calls.log"_s).toUtf8());
        qunsetenv("KRDL_FAKE_INTERNET_UPGRADE");
        qunsetenv("KRDL_FAKE_LAST_VERSION");
    }
    void TearDown() override
    {
        for (int i = 0; i < saved.size(); ++i)
            setOrUnset(kEnvironment[i], saved[i].isEmpty() ? nullptr : saved[i].constData());
    }

    void configure(const QString& value)
    {
        IniWriteString(ProgramIniFileName(exe), u"SETTINGS"_s, u"UpgradeProg"_s, value);
    }

    // Copies a built library (or writes Contents) to a path below the program's folder.
    QString install(const QString& relative, const char* built, QFile::Permissions permissions = kPrivate,
                    const QByteArray& contents = {})
    {
        const QString path = dir.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile::remove(path);
        if (built) {
            EXPECT_TRUE(QFile::copy(QString::fromUtf8(built), path)) << built;
        } else {
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        EXPECT_TRUE(QFile::setPermissions(path, permissions));
#ifdef _WIN32
        // Who else may write is in the access list there, not in the mode bits.
        if (permissions & (QFile::WriteGroup | QFile::WriteOther)) {
            EXPECT_TRUE(testfiles::GrantEveryone(ToFsPath(path), GENERIC_WRITE)) << path.toStdString();
        }
#endif
        return path;
    }

    QStringList calls() const
    {
        QFile f(dir.filePath(u"calls.log"_s));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    static constexpr QFile::Permissions kPrivate = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

    testfiles::ConfigSandbox dir;
    QString exe;
    QList<QByteArray> saved;
};

} // namespace

TEST_F(UpgradeCheckTest, AsksTheLibraryAndRunsTheUpgradeOnlyForANewerVersion)
{
    struct Case {
        const char* name;
        const char* library;
        const char* internetUpgrade; // "1" for true
        const char* lastVersion;     // null: the library returns a null pointer
        const char* days;            // CheckNewVer, null when not set
        bool force;
        QStringList expectedCalls;   // %L the library, %E the executable, %A the argument text
        QString expectedResult;
        bool upgradeStarted;
    };
    const QString init = u"Init\t%L"_s;
    const QString internet = u"InternetUpgrade"_s;
    const QString askNow = u"GetLastVersion\t%E\t1\ttrue"_s;
    const QString execute = u"ExecuteUpgrade\t0\t%A"_s;
    const QString own = QString::fromLatin1(kVersionText);
    const Case cases[] = {
        {"own version", kFull, "0", kVersionText, nullptr, false, {init, internet, askNow}, own, false},
        {"error marker", kFull, "0", "//ERROR//", nullptr, false, {init, internet, askNow}, u"//ERROR//"_s, false},
        {"check-day marker", kFull, "0", "//CHECKDAY//", nullptr, false, {init, internet, askNow}, u"//CHECKDAY//"_s, false},
        {"empty answer", kFull, "0", "", nullptr, false, {init, internet, askNow}, u""_s, false},
        {"null answer", kFull, "0", nullptr, nullptr, false, {init, internet, askNow}, u""_s, false},
        {"newer version", kFull, "0", "2.3", nullptr, false, {init, internet, askNow, execute}, u"2.3"_s, true},
        {"markers compare case-sensitively", kFull, "0", "//error//", nullptr, false,
         {init, internet, askNow, execute}, u"//error//"_s, true},
        {"interval without a days value", kFull, "1", kVersionText, nullptr, false,
         {init, internet, u"GetLastVersion\t%E\t14\tfalse"_s}, own, false},
        {"interval of 7 days", kFull, "1", kVersionText, "7", false,
         {init, internet, u"GetLastVersion\t%E\t7\tfalse"_s}, own, false},
        {"days value not a number", kFull, "1", kVersionText, "soon", false,
         {init, internet, u"GetLastVersion\t%E\t14\tfalse"_s}, own, false},
        {"interval of 0 days asks nothing", kFull, "1", "2.3", "0", false, {init, internet}, u""_s, false},
        {"negative interval asks nothing", kFull, "1", "2.3", "-3", false, {init, internet}, u""_s, false},
        {"forced check ignores the interval", kFull, "1", kVersionText, "0", true, {init, internet, askNow}, own, false},
        {"without Init and InternetUpgrade", kNoInternet, "1", "2.3", "0", false, {askNow, execute}, u"2.3"_s, true},
        {"without GetLastVersion", kNoVersion, "0", "2.3", nullptr, false, {init, internet}, u""_s, false},
        {"without ExecuteUpgrade", kNoExecute, "0", "2.3", nullptr, false, {init, internet, askNow}, u"2.3"_s, false},
    };
    for (const Case& c : cases) {
        QFile::remove(dir.filePath(u"calls.log"_s));
        configure(u"\\upgrade\\check.so"_s);
        const QString library = install(u"upgrade/check.so"_s, c.library);
        setOrUnset("KRDL_FAKE_INTERNET_UPGRADE", c.internetUpgrade);
        setOrUnset("KRDL_FAKE_LAST_VERSION", c.lastVersion);
        RegWriteString(QString::fromLatin1(upgrade::kDaysKeyPath), u"CheckNewVer"_s,
                       c.days ? QString::fromUtf8(c.days) : QString());

        const upgrade::UpgradeResult result = UpgradeCheck(exe, c.force);

        // The library is given paths in the system's form.
        const QString nativeExe = QDir::toNativeSeparators(exe);
        QStringList expected;
        for (QString line : c.expectedCalls)
            expected << line.replace(u"%L"_s, QDir::toNativeSeparators(library))
                            .replace(u"%E"_s, nativeExe)
                            .replace(u"%A"_s, u"\"Travenkalo\""_s + own + u"\" \""_s + nativeExe + u"\""_s);
        EXPECT_EQ(calls(), expected) << c.name;
        EXPECT_EQ(result.lastVersion, c.expectedResult) << c.name;
        EXPECT_EQ(result.upgradeStarted, c.upgradeStarted) << c.name;
    }
}

TEST_F(UpgradeCheckTest, FindsTheLibraryOrLeavesItAlone)
{
    struct File {
        QString path;
        const char* library; // null: a file that is no library
        QFile::Permissions permissions = kPrivate;
    };
    struct Case {
        const char* name;
        QString configured; // %D the program's folder
        QList<File> files;
        QString loaded;     // relative path of the library that was asked, empty for none
    };
    const auto shared = kPrivate | QFile::ReadGroup | QFile::WriteGroup;
    const Case cases[] = {
        {"configured library", u"\\upgrade\\check.so"_s,
         {{u"upgrade/check.so"_s, kFull}, {u"upgrade/a.so"_s, kFull}}, u"upgrade/check.so"_s},
        {"missing library: another of its folder", u"\\upgrade\\check.so"_s,
         {{u"upgrade/other.so"_s, kFull}}, u"upgrade/other.so"_s},
        {"missing library: the first by name", u"\\upgrade\\check.so"_s,
         {{u"upgrade/b.so"_s, kFull}, {u"upgrade/a.so"_s, kFull}, {u"upgrade/c.txt"_s, nullptr}}, u"upgrade/a.so"_s},
        {"absolute path", u"%D/abs/lib.so"_s, {{u"abs/lib.so"_s, kFull}}, u"abs/lib.so"_s},
        {"nothing configured", u""_s, {{u"a.so"_s, kFull}}, {}},
        {"missing library in a folder without libraries", u"\\upgrade\\check.so"_s,
         {{u"upgrade/readme.txt"_s, nullptr}}, {}},
        {"file that is no library", u"\\upgrade\\check.so"_s, {{u"upgrade/check.so"_s, nullptr}}, {}},
        {"library the group may change", u"\\upgrade\\check.so"_s,
         {{u"upgrade/check.so"_s, kFull, shared}}, {}},
        {"first of the folder may be changed: no other is taken", u"\\upgrade\\check.so"_s,
         {{u"upgrade/a.so"_s, kFull, shared}, {u"upgrade/b.so"_s, kFull}}, {}},
    };
    qputenv("KRDL_FAKE_LAST_VERSION", kVersionText);
    // A folder is searched for the system's libraries: .so here, .dll on Windows.
    const QString suffix = u"."_s + QFileInfo(QString::fromUtf8(kFull)).suffix();
    const auto named = [&suffix](QString name) { return name.replace(u".so"_s, suffix); };
    for (const Case& c : cases) {
        QDir(dir.filePath(u"upgrade"_s)).removeRecursively();
        QFile::remove(dir.filePath(u"calls.log"_s));
        configure(named(c.configured).replace(u"%D"_s, dir.path()));
        for (const File& f : c.files)
            install(named(f.path), f.library, f.permissions, "not a library");

        const upgrade::UpgradeResult result = UpgradeCheck(exe, false);

        const QStringList log = calls();
        if (c.loaded.isEmpty()) {
            EXPECT_TRUE(log.isEmpty()) << c.name << ": " << log.join(u" | "_s).toStdString();
            EXPECT_TRUE(result.lastVersion.isEmpty()) << c.name;
        } else {
            ASSERT_FALSE(log.isEmpty()) << c.name;
            EXPECT_EQ(log.first(), u"Init\t"_s + QDir::toNativeSeparators(dir.filePath(named(c.loaded)))) << c.name;
            EXPECT_EQ(result.lastVersion, QString::fromLatin1(kVersionText)) << c.name;
        }
        EXPECT_FALSE(result.upgradeStarted) << c.name;
    }
}
