// The apply run over many documents: which rows are written, where the editor's run stops, and
// what a failing document reports.

#include "properties/DocumentChanges.h"
#include "properties/DocumentFiles.h"

#include "properties/OleDocumentProperties.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

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
        d.properties.Add(u"Material"_s, material, 1, 0);
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
