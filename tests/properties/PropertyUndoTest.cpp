// "Undo last property save" against documents in a temporary folder and a private undo journal:
// what the save records and what the undo puts back, also after a save killed in the middle.
#include "properties/PropertyUndo.h"
#include "journal/Journal.h"
#include "properties/DocumentChanges.h"
#include "properties/OleDocPropClassWrapper.h"
#include "properties/OleDocumentProperties.h"
#include "properties/PropertySaveJournal.h"
#include "properties/PropertySetFile.h"

#include "../compound/CfbBuilder.h"
#include "../batch/BatchRunTest.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <tuple>

#ifndef _WIN32
#include <csignal>
#include <sys/types.h>
#endif

using namespace Qt::StringLiterals;
using namespace cfbtest;

namespace {

// A document whose custom properties have every type the editor knows, one it does not (a
// blob) and a name outside ASCII, in code page 1252.
QByteArray TypedDocument(int seed)
{
    const std::vector<std::pair<std::uint32_t, std::u16string>> names = {
        {2, u"Material"}, {3, u"Count"}, {4, u"Mass"}, {5, u"Approved"}, {6, u"Checked on"}, {7, u"Geprüft"}, {8, u"Blob"}};
    const Bytes user = Section({{1, I2(1252)}, {0, Dictionary(names, false)}, {2, Lpstr("S235 " + std::to_string(seed))},
                                {3, I4(seed)}, {4, R8(1.875 + seed)}, {5, Bool(true)}, {6, Filetime(133000000000000000ULL)},
                                {7, Lpstr("J\xfcrgen")}, {8, Blob({1, 2, 3, 0, 5})}});
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})}, {kUserFmtid, user}});
    const Bytes doc = BuildCompound({{u"JSite", Bytes(3000, std::uint8_t(seed))}, {kDsiName, dsi}});
    return QByteArray(reinterpret_cast<const char*>(doc.data()), qsizetype(doc.size()));
}

// Name, type, text and stored value of every custom property, in the document's order.
using Properties = std::vector<std::tuple<QString, qint32, QString, QByteArray>>;

Properties Read(const QString& path)
{
    TOleDocumentProperties doc;
    doc.Open(path, true);
    TOleCustomProperties& custom = doc.CustomProperties();
    Properties out;
    for (qint32 i = 0; i < custom.Count(); ++i) {
        const TOleCustomProperty p = custom.Item(i);
        out.emplace_back(p.Name(), p.Type(), p.ValueText(), p.StoredValue());
    }
    return out;
}

QString Material(const QString& path)
{
    for (const auto& [name, type, text, stored] : Read(path))
        if (name == u"Material"_s)
            return text;
    return {};
}

class PropertyUndoRun : public BatchRunTest {
protected:
    QStringList documents(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << file(u"doc%1.par"_s.arg(i, 4, 10, QChar(u'0')), TypedDocument(i));
        }
        return paths;
    }
    // One save over Paths: Material changed, Finish added, the others removed when DeleteOthers.
    static ApplyReport save(const QStringList& paths, const QString& material, bool deleteOthers = false,
                            PropertySaveJournal* run = nullptr)
    {
        std::vector<DocumentChanges> changes(std::size_t(paths.size()));
        for (qsizetype i = 0; i < paths.size(); ++i) {
            DocumentChanges& d = changes[std::size_t(i)];
            d.path = paths[i];
            d.changed = true;
            d.properties.Add(u"Material"_s, material);
            d.properties.Add(u"Finish"_s, u"Paint"_s);
        }
        ApplyOptions options;
        options.deleteOthers = deleteOthers;
        options.journalRun = run;
        return ApplyDocumentChanges(changes, options);
    }
    const FakeProgress& undo(RunResult* result = nullptr)
    {
        messages.shown.clear();
        PropertyUndo u(progress, messages);
        u.Execute();
        if (result)
            *result = u.Result();
        static const FakeProgress none;
        return progress.sinks.empty() ? none : *progress.sinks.back();
    }
};

const std::pair<QString, QString> kNothing{u"Undo last property save"_s, u"There is no property save to undo."_s};

} // namespace

TEST_F(PropertyUndoRun, PutsBackExactlyWhatTheDocumentsHadTypesIncluded)
{
    const QStringList paths = documents(3);
    std::vector<Properties> before;
    for (const QString& p : paths)
        before.push_back(Read(p));
    ASSERT_EQ(before[0].size(), 7u);
    ASSERT_EQ(save(paths, u"S355"_s, true).written, 3);
    ASSERT_EQ(Read(paths[1]).size(), 2u);

    RunResult result;
    const FakeProgress& log = undo(&result);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(result.succeeded, 3);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(log.lines.mid(1, 3), QStringList({u" "_s, u"1/3 "_s + paths[0] + u" custom properties back as before the save."_s,
                                                u"Success!"_s}));
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(Read(paths[i]), before[std::size_t(i)]) << paths[i].toStdString();
}

TEST_F(PropertyUndoRun, EachUndoTakesBackTheNewestSaveNotUndoneYet)
{
    // The rule of "Undo last rename" too: saves are taken back newest first, one per undo, and
    // an undo never skips a newer save to reach an older one.
    const QStringList paths = documents(2);
    const Properties original = Read(paths[0]);
    save(paths, u"First"_s);
    const Properties first = Read(paths[0]);
    save({paths[0]}, u"Second"_s);

    undo();
    EXPECT_EQ(Read(paths[0]), first);
    EXPECT_EQ(Material(paths[1]), u"First"_s);
    undo();
    EXPECT_EQ(Read(paths[0]), original);
    EXPECT_EQ(Material(paths[1]), u"S235 1"_s);
    RunResult result;
    undo(&result);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(messages.shown, (std::vector{kNothing}));
}

TEST_F(PropertyUndoRun, ASaveWrittenInBatchesIsTakenBackByOneUndo)
{
    const QStringList paths = documents(3);
    std::vector<Properties> before;
    for (const QString& p : paths)
        before.push_back(Read(p));
    PropertySaveJournal run;
    ASSERT_EQ(save(paths.mid(0, 2), u"S355"_s, true, &run).written, 2);
    ASSERT_EQ(save(paths.mid(2), u"S355"_s, true, &run).written, 1);
    run.End(true);

    RunResult result;
    undo(&result);
    EXPECT_EQ(result.succeeded, 3);
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(Read(paths[i]), before[std::size_t(i)]) << paths[i].toStdString();
    undo();
    EXPECT_EQ(messages.shown, (std::vector{kNothing}));
}

TEST_F(PropertyUndoRun, ADocumentChangedOrReplacedSinceIsReportedAndLeftAlone)
{
    const QStringList paths = documents(3);
    const Properties before = Read(paths[2]);
    save(paths, u"S355"_s);
    // Changed by hand since: one property more.
    TDocCustomProperties later;
    later.Add(u"Note"_s, u"mine"_s);
    TOleDocPropClassWrapper wrapper;
    wrapper.ApplyChanges(paths[0], later, false);
    // Replaced since by another file with the same content (a program that saves by renaming).
    const QByteArray saved = testfiles::ReadBytes(paths[1]);
    testfiles::WriteBytes(paths[1] + u".new"_s, saved);
    std::filesystem::rename((paths[1] + u".new"_s).toStdString(), paths[1].toStdString());
    const QByteArray changed = testfiles::ReadBytes(paths[0]);

    RunResult result;
    const FakeProgress& log = undo(&result);
    EXPECT_EQ(result.succeeded, 1);
    EXPECT_EQ(result.failed, 2);
    EXPECT_TRUE(log.lines.contains(u"Failed! "_s + paths[0] + u" was changed since the save."_s)) << log.lines.join(u'\n').toStdString();
    EXPECT_TRUE(log.lines.contains(u"Failed! "_s + paths[1] + u" is another file now."_s)) << log.lines.join(u'\n').toStdString();
    EXPECT_EQ(testfiles::ReadBytes(paths[0]), changed);
    EXPECT_EQ(testfiles::ReadBytes(paths[1]), saved);
    EXPECT_EQ(Read(paths[2]), before);
    // Reported once: the undo of this save is over.
    undo(&result);
    EXPECT_EQ(messages.shown, (std::vector{kNothing}));
}

TEST_F(PropertyUndoRun, ADamagedOrUnwritableNewestSaveIsRefusedAndNothingWritten)
{
    const QStringList paths = documents(2);
    save(paths, u"First"_s);
    const Properties first = Read(paths[0]);
    const auto cutLine = [](const QByteArray& text, const char* start) {
        const qsizetype at = text.indexOf(start);
        return text.left(at) + text.mid(text.indexOf('\n', at) + 1);
    };
    const struct {
        const char* what;
        std::function<QByteArray(const QByteArray&)> change;
        QString says;
    } cases[] = {
        {"a digit of a value changed", [](QByteArray run) { return run.replace("000000000000fe3f", "0000000000000a40"); },
         u"cannot be used: it is damaged"_s},
        {"a property's line gone", [&](const QByteArray& run) { return cutLine(run, "\nprop\t0\tMaterial") + "\n"; },
         u"cannot be used: it is damaged"_s},
        {"cut after its header", [](const QByteArray& run) { return run.left(run.indexOf('\n') + 1); },
         u"cannot be used: it is damaged"_s},
        {"read-only", {}, u"Cannot write the undo journal"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        save(paths, u"Second"_s);
        const QString run = JournalRunFiles(QString::fromLatin1(kPropertiesJournal)).front();
        const QByteArray good = testfiles::ReadBytes(run);
        const QByteArray saved0 = testfiles::ReadBytes(paths[0]), saved1 = testfiles::ReadBytes(paths[1]);
        if (c.change) {
            const QByteArray bad = c.change(good);
            ASSERT_NE(bad, good);
            testfiles::WriteBytes(run, bad);
        } else {
            QFile::setPermissions(run, QFile::ReadOwner);
        }
        RunResult result;
        undo(&result);
        EXPECT_FALSE(result.started);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].second.contains(c.says) && messages.shown[0].second.contains(run))
            << messages.shown[0].second.toStdString();
        // Neither the damaged save nor the one before it was taken back.
        EXPECT_EQ(testfiles::ReadBytes(paths[0]), saved0);
        EXPECT_EQ(testfiles::ReadBytes(paths[1]), saved1);
        // Repaired, it is the one the next undo takes back.
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner);
        testfiles::WriteBytes(run, good);
        undo(&result);
        EXPECT_EQ(result.succeeded, 2);
        EXPECT_EQ(Read(paths[0]), first);
    }
}

TEST_F(PropertyUndoRun, ADocumentLockedDuringTheUndoIsTriedAgainByTheNextOne)
{
    const QStringList paths = documents(3);
    const Properties before = Read(paths[1]);
    save(paths, u"S355"_s);
    RunResult result;
    {
        TOleDocumentProperties other; // another program holds it open for writing
        other.Open(paths[1]);
        const FakeProgress& log = undo(&result);
        EXPECT_EQ(result.succeeded, 2);
        EXPECT_EQ(result.failed, 1);
        EXPECT_TRUE(log.lines.value(6).startsWith(u"Failed! "_s) && log.lines.value(6).endsWith(u" The next undo tries it again."_s))
            << log.lines.join(u'\n').toStdString();
    }
    EXPECT_EQ(Material(paths[1]), u"S355"_s);
    const FakeProgress& retry = undo(&result);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(retry.lines.mid(1, 3), QStringList({u" "_s, u"1/1 "_s + paths[1] + u" custom properties back as before the save."_s,
                                                  u"Success!"_s}));
    EXPECT_EQ(Read(paths[1]), before);
    undo(&result);
    EXPECT_EQ(messages.shown, (std::vector{kNothing}));
}

TEST_F(PropertyUndoRun, ASaveThatChangesNoDocumentIsNeitherWrittenNorRecorded)
{
    const QStringList paths = documents(1);
    const Properties original = Read(paths[0]);
    save(paths, u"S355"_s);
    const QByteArray saved = testfiles::ReadBytes(paths[0]);
    const qsizetype runs = JournalRunFiles(QString::fromLatin1(kPropertiesJournal)).size();

    // The same row again; one value set to what it is (written last, it would only move); a
    // name removed that the document does not have.
    const std::vector<std::pair<QStringList, QStringList>> rows{
        {{u"Material"_s, u"Finish"_s}, {}}, {{u"Material"_s}, {}}, {{}, {u"Nonexistent"_s}}};
    for (const auto& [names, removals] : rows) {
        std::vector<DocumentChanges> changes(1);
        changes[0].path = paths[0];
        changes[0].changed = true;
        for (const QString& name : names)
            changes[0].properties.Add(name, name == u"Finish"_s ? u"Paint"_s : u"S355"_s);
        changes[0].removals = removals;
        const ApplyReport report = ApplyDocumentChanges(changes, {});
        EXPECT_EQ(report.results.front().status, ApplyResult::NotWritten) << report.results.front().error.toStdString();
        EXPECT_EQ(report.written, 0);
    }
    EXPECT_EQ(testfiles::ReadBytes(paths[0]), saved);
    EXPECT_EQ(JournalRunFiles(QString::fromLatin1(kPropertiesJournal)).size(), runs);
    // The real save is still the last one.
    undo();
    EXPECT_EQ(Read(paths[0]), original);
}

#ifndef _WIN32
TEST_F(PropertyUndoRun, UndoesASaveKilledInTheMiddleByWhatStandsOnTheDisk)
{
    const QStringList paths = documents(600);
    const Properties first = Read(paths.front()), last = Read(paths.back());
    QList<PropertySetRow> rows;
    for (const QString& p : paths)
        rows.append({p, {{u"Material"_s, u"S355"_s}, {u"Finish"_s, u"Paint"_s}}});
    SavePropertySet(tmp.filePath(u"set.props"_s), rows);
    const auto stamp = [](const QString& p) { return std::filesystem::last_write_time(p.toStdString()); };
    std::vector<std::filesystem::file_time_type> stamps;
    for (const QString& p : paths)
        stamps.push_back(stamp(p));
    const auto written = [&] {
        int n = 0;
        for (qsizetype i = 0; i < paths.size(); ++i)
            n += stamp(paths[i]) != stamps[std::size_t(i)];
        return n;
    };

    QProcess p;
    p.start(QStringLiteral(DOCPROPS_EXE), {u"apply"_s, tmp.filePath(u"set.props"_s)});
    ASSERT_TRUE(p.waitForStarted());
    int seen = 0;
    for (int k = 0; k < 20000 && seen == 0; ++k) {
        seen = written();
        if (seen == 0)
            QThread::usleep(500);
    }
    ::kill(pid_t(p.processId()), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitStatus(), QProcess::CrashExit) << "the save ended before it was killed";
    const int reached = written();
    ASSERT_GT(reached, 0);
    ASSERT_LT(reached, paths.size()) << "every document was written before the kill";

    RunResult result;
    const FakeProgress& log = undo(&result);
    EXPECT_EQ(result.failed, 0) << log.lines.join(u'\n').toStdString();
    EXPECT_EQ(result.succeeded, paths.size());
    EXPECT_GE(log.lines.count(u"Success!"_s), reached - 8); // those being written may have been cut short
    EXPECT_EQ(Read(paths.front()), first);
    EXPECT_EQ(Read(paths.back()), last);
    for (qsizetype i = 0; i < paths.size(); i += 7)
        EXPECT_EQ(Material(paths[i]), u"S235 %1"_s.arg(i)) << paths[i].toStdString();
}
#endif

TEST_F(PropertyUndoRun, AMixedSaveOfCustomAndTheDocumentsOwnPropertiesIsTakenBackExactly)
{
    const Bytes bytes = SolidEdgeDocument();
    const QString path = file(u"part.par"_s, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    const QStringList names = {u"Title"_s, u"Subject"_s, u"Company"_s, u"Document Number"_s, u"Author"_s};
    const auto system = [&] {
        TOleDocumentProperties doc;
        doc.Open(path, true);
        std::vector<std::pair<QString, QByteArray>> out;
        for (const QString& name : names)
            out.emplace_back(doc.SystemValueText(name), doc.SystemStoredValue(name));
        return out;
    };
    const Properties customBefore = Read(path);
    const auto systemBefore = system();
    ASSERT_TRUE(systemBefore[1].first.isNull()) << "the document has no subject yet";

    std::vector<DocumentChanges> changes(1);
    DocumentChanges& change = changes[0];
    change.path = path;
    change.changed = true;
    change.properties.Add(u"Material"_s, u"S355"_s);
    change.system = {{u"Title"_s, u"Nosilec"_s}, {u"Subject"_s, u"Dvigalo"_s}, {u"Company"_s, u"Krdl"_s},
                     {u"Document Number"_s, u"D-200"_s}};
    ApplyOptions options;
    options.deleteOthers = true;
    ASSERT_EQ(ApplyDocumentChanges(changes, options).written, 1);
    const auto systemSaved = system();
    EXPECT_EQ(systemSaved[0].first, u"Nosilec"_s);
    EXPECT_EQ(systemSaved[1].first, u"Dvigalo"_s);
    EXPECT_EQ(systemSaved[3].first, u"D-200"_s);
    EXPECT_EQ(systemSaved[4], systemBefore[4]) << "\"Delete other properties\" touches custom properties only";
    EXPECT_EQ(Read(path).size(), 1u);

    RunResult result;
    undo(&result);
    EXPECT_EQ(result.succeeded, 1);
    EXPECT_EQ(Read(path), customBefore);
    EXPECT_EQ(system(), systemBefore);
}
