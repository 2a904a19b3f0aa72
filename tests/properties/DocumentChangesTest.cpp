// The apply run over many documents: which rows are written, where the editor's run stops, and
// what a failing document reports.

#include "properties/DocumentChanges.h"
#include "properties/DocumentFiles.h"

#include "common/FsPath.h"
#include "journal/Journal.h"
#include "journal/JournalRun.h"
#include "properties/OleDocPropClassWrapper.h"
#include "properties/OleDocumentProperties.h"
#include "support/ScopedEnv.h"

#include <QDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// The saves of these tests go to an undo journal of their own.
const QTemporaryDir journalHome;
const testfiles::ScopedEnv dataHome{"KRDL_DATA_HOME", journalHome.path().toStdString()};

DocumentChanges Row(const QString& path, const QString& material, bool changed = true)
{
    DocumentChanges d;
    d.path = path;
    d.changed = changed;
    if (changed)
        d.properties.Add(u"Material"_s, material);
    return d;
}

QString Material(const QString& path)
{
    TOleDocumentProperties doc;
    doc.Open(path, true);
    TOleCustomProperties& props = doc.CustomProperties();
    for (int i = 0; i < props.Count(); ++i)
        if (props.Item(i).Name() == u"Material"_s)
            return props.Item(i).ValueText();
    return {};
}

} // namespace

TEST(ApplyDocumentChanges, EditorRunStopsAtTheFirstRowWithoutAFile)
{
    QTemporaryDir dir;
    const QString a = docfiles::Copy(dir, "gsf_v3.ole", u"a.par"_s);
    const QString b = docfiles::Copy(dir, "gsf_v3.ole", u"b.par"_s);
    const QString c = docfiles::Copy(dir, "gsf_v3.ole", u"c.par"_s);
    const QByteArray untouched = testfiles::ReadBytes(b);
    std::vector<DocumentChanges> rows;
    rows.push_back(Row(a, u"A"_s));
    rows.push_back(Row(b, {}, false));
    rows.push_back(Row(dir.filePath(u"gone.par"_s), {}, false)); // unchanged, still ends the run
    rows.push_back(Row(c, u"C"_s));
    const ApplyReport report = ApplyDocumentChanges(rows, {});
    EXPECT_EQ(report.stoppedAt, 2);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(Material(a), u"A"_s);
    EXPECT_EQ(testfiles::ReadBytes(b), untouched);
    EXPECT_EQ(Material(c), u"S235"_s);
    EXPECT_EQ(report.results[3].status, ApplyResult::NotWritten);
}

TEST(ApplyDocumentChanges, ScriptRunReportsFailuresAndGoesOn)
{
    QTemporaryDir dir;
    const QString a = docfiles::Copy(dir, "gsf_v3.ole", u"a.par"_s);
    const QString readOnly = docfiles::Copy(dir, "gsf_v3.ole", u"ro.par"_s);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const QByteArray before = testfiles::ReadBytes(readOnly);
    const QString damaged = dir.filePath(u"damaged.par"_s);
    testfiles::WriteBytes(damaged, QByteArray(4096, 'x'));
    std::vector<DocumentChanges> rows;
    rows.push_back(Row(a, u"first"_s));
    rows.push_back(Row(dir.filePath(u"gone.par"_s), u"x"_s));
    rows.push_back(Row(readOnly, u"x"_s));
    rows.push_back(Row(damaged, u"x"_s));
    rows.push_back(Row(dir.filePath(u"./a.par"_s), u"second"_s)); // the same document again: rows keep their order
    ApplyOptions options;
    options.stopAtMissing = false;
    qsizetype lastDone = -1;
    options.progress = [&](qsizetype done, qsizetype total) {
        EXPECT_EQ(total, 4);
        lastDone = done;
    };
    const ApplyReport report = ApplyDocumentChanges(rows, options);
    EXPECT_EQ(lastDone, 4);
    EXPECT_EQ(report.stoppedAt, -1);
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(report.failed, 3);
    const ApplyResult::Status expected[] = {ApplyResult::Written, ApplyResult::Missing, ApplyResult::Failed,
                                            ApplyResult::Failed, ApplyResult::Written};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(report.results[i].status, expected[i]) << i;
        if (expected[i] != ApplyResult::Written) {
            EXPECT_TRUE(report.results[i].error.contains(rows[i].path)) << report.results[i].error.toStdString();
        }
    }
    EXPECT_EQ(Material(a), u"second"_s);
    EXPECT_EQ(testfiles::ReadBytes(readOnly), before);

    // Stopped before the first document: nothing is written.
    options.stop = [] { return true; };
    const ApplyReport stopped = ApplyDocumentChanges(rows, options);
    EXPECT_EQ(stopped.cancelled, 4);
    EXPECT_EQ(stopped.results[0].status, ApplyResult::Cancelled);
    EXPECT_EQ(Material(a), u"second"_s);
}

TEST(ApplyDocumentChanges, DocumentReplacedAfterItWasReadFailsAndNoOtherFileIsWritten)
{
    // Between the journal's read and the write the path comes to name something else.
    struct Case {
        const char* what;
        std::function<void(const QString& doc, const QString& other)> replace;
        QString reason;
    };
    const auto gone = [](const QString& doc) { ASSERT_TRUE(QFile::remove(doc)); };
    const Case cases[] = {
        {"deleted", [&](const QString& doc, const QString&) { gone(doc); }, u"the file does not exist"_s},
        {"a folder", [&](const QString& doc, const QString&) { gone(doc); QDir().mkdir(doc); }, u"it is a folder"_s},
        {"another document renamed over it",
         [](const QString& doc, const QString& other) { std::filesystem::rename(ToFsPath(other), ToFsPath(doc)); },
         u"is not the file whose properties were read before the save"_s},
#ifndef _WIN32
        {"a FIFO", [&](const QString& doc, const QString&) { gone(doc); ASSERT_EQ(::mkfifo(QFile::encodeName(doc).constData(), 0600), 0); },
         u"it is a FIFO"_s},
        {"a link to another document", [&](const QString& doc, const QString& other) { gone(doc); QFile::link(other, doc); },
         u"it is a symbolic link"_s},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString doc = docfiles::Copy(dir, "gsf_v3.ole", u"a.par"_s);
        const QString other = docfiles::Copy(dir, "gsf_v3.ole", u"other.par"_s);
        const QByteArray otherBytes = testfiles::ReadBytes(other);
        ApplyOptions options;
        options.stopAtMissing = false;
        options.beforeWrite = [&](std::size_t) { c.replace(doc, other); };
        std::vector<DocumentChanges> rows;
        rows.push_back(Row(doc, u"new"_s));
        const ApplyReport report = ApplyDocumentChanges(rows, options);
        EXPECT_EQ(report.results[0].status, ApplyResult::Failed);
        EXPECT_EQ(report.failed, 1);
        EXPECT_TRUE(report.results[0].error.contains(c.reason) && report.results[0].error.contains(doc))
            << report.results[0].error.toStdString();
        for (const QString& path : {doc, other}) {
            if (QFileInfo(path).isFile()) {
                EXPECT_EQ(testfiles::ReadBytes(path), otherBytes) << path.toStdString();
            }
        }
    }
}

TEST(ApplyDocumentChanges, FailedSaveIsSettledByWhatTheDocumentHolds)
{
    // The write fails (the document turned read-only). A document that holds what the save
    // leaves there all the same keeps the save's journal run, its item done, for an undo; one
    // that holds what it had leaves no run behind.
    for (const bool holdsNewValues : {true, false}) {
        SCOPED_TRACE(holdsNewValues ? "holds the new values" : "holds what it had");
        QTemporaryDir dir;
        const QString doc = docfiles::Copy(dir, "gsf_v3.ole", u"a.par"_s);
        std::vector<DocumentChanges> rows;
        rows.push_back(Row(doc, u"new"_s));
        const QStringList runsBefore = JournalRunFiles(QString::fromLatin1(kPropertiesJournal));
        ApplyOptions options;
        options.beforeWrite = [&](std::size_t) {
            if (holdsNewValues)
                TOleDocPropClassWrapper().ApplyChanges(doc, rows[0].properties, false);
            QFile::setPermissions(doc, QFileDevice::ReadOwner);
        };
        const ApplyReport report = ApplyDocumentChanges(rows, options);
        EXPECT_EQ(report.results[0].status, ApplyResult::Failed);
        const QStringList runs = JournalRunFiles(QString::fromLatin1(kPropertiesJournal));
        if (!holdsNewValues) {
            EXPECT_EQ(runs, runsBefore);
            continue;
        }
        EXPECT_TRUE(report.results[0].error.contains(u"holds the new properties all the same"_s))
            << report.results[0].error.toStdString();
        ASSERT_FALSE(runs.isEmpty());
        ASSERT_FALSE(runsBefore.contains(runs.front()));
        const std::optional<JournalRun> run = JournalRun::Load(runs.front());
        ASSERT_TRUE(run && run->states.size() == 1);
        EXPECT_EQ(run->states[0].mark, JournalMark::Done);
    }
}
