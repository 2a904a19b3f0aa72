// Loading the custom properties of many documents on a pool of threads: results in list order,
// failures that stay with their document, cancelling, and progress on the calling thread.

#include "properties/DocumentFiles.h"

#include "compound/CfbBuilder.h"
#include "compound/DiskFile.h"
#include "properties/LoadCustomProperties.h"
#include "properties/OleDocumentProperties.h"

#include <QDir>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

QStringList Names(const LoadedDocument& d)
{
    QStringList out;
    for (const LoadedProperty& p : d.properties)
        out << p.name;
    return out;
}

} // namespace

TEST(LoadCustomProperties, ResultsInListOrderAndFailuresStayWithTheirDocument)
{
    QTemporaryDir dir;
    const QString lo = docfiles::Copy(dir, "lo_custom.doc");
    const QString gsf = docfiles::Copy(dir, "gsf_v3.ole");
    const QString missing = dir.filePath(u"missing.par"_s);
    const QString text = dir.filePath(u"notes.par"_s);
    testfiles::WriteBytes(text, QByteArray(3000, 'x'));
    const QString folder = dir.filePath(u"folder.asm"_s);
    ASSERT_TRUE(QDir().mkdir(folder));
    const QStringList paths = {lo, missing, gsf, text, folder, lo};

    std::vector<std::pair<qsizetype, qsizetype>> calls;
    bool otherThread = false;
    LoadOptions options;
    options.threads = 3;
    options.progress = [&, caller = std::this_thread::get_id()](qsizetype done, qsizetype total) {
        calls.emplace_back(done, total);
        otherThread |= std::this_thread::get_id() != caller;
    };
    const QList<LoadedDocument> docs = LoadCustomProperties(paths, options);

    ASSERT_EQ(docs.size(), paths.size());
    struct Expected {
        LoadedDocument::Status status;
        const char* reason;
    };
    const Expected expected[] = {
        {LoadedDocument::Loaded, ""},
        {LoadedDocument::Failed, "does not exist"},
        {LoadedDocument::Loaded, ""},
        {LoadedDocument::Failed, "not a compound document"},
        {LoadedDocument::Failed, "folder"},
        {LoadedDocument::Loaded, ""},
    };
    for (qsizetype i = 0; i < docs.size(); ++i) {
        SCOPED_TRACE(paths[i].toStdString());
        EXPECT_EQ(docs[i].path, paths[i]);
        EXPECT_EQ(docs[i].status, expected[i].status) << docs[i].error.toStdString();
        if (expected[i].status == LoadedDocument::Failed) {
            EXPECT_TRUE(docs[i].error.contains(paths[i])) << docs[i].error.toStdString();
            EXPECT_TRUE(docs[i].error.contains(QString::fromUtf8(expected[i].reason))) << docs[i].error.toStdString();
            EXPECT_TRUE(docs[i].properties.isEmpty());
        }
    }
    EXPECT_EQ(Names(docs[0]), (QStringList{u"Checked"_s, u"Count"_s, u"Mass"_s, u"Material"_s, u"Opomba"_s, u"Released"_s}));
    EXPECT_EQ(Names(docs[5]), Names(docs[0]));
    EXPECT_EQ(docs[0].properties[0].type, 4);
    EXPECT_EQ(docs[0].properties[0].value, QVariant(true));
    EXPECT_EQ(PropertyValueText(docs[0].properties[4].value), u"Čćžšđ ČŽŠ"_s);
    EXPECT_EQ(PropertyValueText(docs[0].properties[5].value), u"2024-05-17 10:30:00"_s);
    EXPECT_EQ(docs[2].properties[2].name, u"Quantity"_s);
    EXPECT_EQ(docs[2].properties[2].value.toLongLong(), 42);

    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), std::make_pair(qsizetype{6}, qsizetype{6}));
    for (std::size_t i = 1; i < calls.size(); ++i)
        EXPECT_LT(calls[i - 1].first, calls[i].first) << "progress only moves forward";
    EXPECT_FALSE(otherThread) << "progress must be called on the calling thread";
    EXPECT_TRUE(LoadCustomProperties({}, options).isEmpty());
}

TEST(LoadCustomProperties, StopLeavesDocumentsNotBegunUnread)
{
    QTemporaryDir dir;
    const QString doc = docfiles::Copy(dir, "gsf_v3.ole");
    const QStringList paths(30, doc);
    std::stop_source stop;
    std::atomic<int> opened{0};
    LoadOptions options;
    options.threads = 1;
    options.stop = stop.get_token();
    options.openFile = [&](const QString& path) -> std::unique_ptr<cfb::BlockFile> {
        if (++opened == 2)
            stop.request_stop(); // while the second document is being read
        return std::make_unique<cfb::DiskFile>(path.toStdString(), false);
    };
    const QList<LoadedDocument> docs = LoadCustomProperties(paths, options);
    ASSERT_EQ(docs.size(), 30);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(docs[0].status, LoadedDocument::Loaded);
    EXPECT_EQ(docs[1].status, LoadedDocument::Loaded) << "a document being read is finished";
    for (qsizetype i = 2; i < docs.size(); ++i) {
        EXPECT_EQ(docs[i].status, LoadedDocument::Cancelled);
        EXPECT_TRUE(docs[i].properties.isEmpty());
    }

    // A file layer that fails is that document's failure; an error of the caller's progress
    // callback comes back to the caller once the threads have stopped.
    options.stop = {};
    options.threads = 4;
    options.openFile = [](const QString&) -> std::unique_ptr<cfb::BlockFile> { throw std::runtime_error("share gone"); };
    const QList<LoadedDocument> failed = LoadCustomProperties(paths.mid(0, 3), options);
    EXPECT_EQ(failed[2].status, LoadedDocument::Failed);
    EXPECT_TRUE(failed[2].error.contains(u"share gone"_s) && failed[2].error.contains(doc)) << failed[2].error.toStdString();
    options.openFile = nullptr;
    options.progress = [](qsizetype, qsizetype) { throw std::runtime_error("from the caller"); };
    EXPECT_THROW(LoadCustomProperties(paths, options), std::runtime_error);
}

TEST(LoadCustomProperties, StopAtMissingOpensNothingAfterTheFirstMissingPath)
{
    QTemporaryDir dir;
    const QString doc = docfiles::Copy(dir, "gsf_v3.ole");
    const QString gone = dir.filePath(u"gone.par"_s);
    const QStringList paths = QStringList(3, doc) + QStringList{gone} + QStringList(40, doc);
    std::atomic<int> opened{0};
    LoadOptions options;
    options.threads = 8;
    options.stopAtMissing = true;
    options.openFile = [&](const QString& path) -> std::unique_ptr<cfb::BlockFile> {
        ++opened;
        return std::make_unique<cfb::DiskFile>(path.toStdString(), false);
    };
    const QList<LoadedDocument> docs = LoadCustomProperties(paths, options);
    ASSERT_EQ(docs.size(), paths.size());
    EXPECT_EQ(opened, 3);
    for (qsizetype i = 0; i < docs.size(); ++i) {
        const LoadedDocument::Status expected =
            i < 3 ? LoadedDocument::Loaded : (i == 3 ? LoadedDocument::Missing : LoadedDocument::Cancelled);
        EXPECT_EQ(docs[i].status, expected) << i;
    }
    EXPECT_TRUE(docs[3].error.contains(gone)) << docs[3].error.toStdString();
}

TEST(LoadCustomProperties, TheDocumentsOwnPropertiesAskedForAndWhichCannotBeWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"part.par"_s);
    const cfbtest::Bytes bytes = cfbtest::SolidEdgeDocument(1252, {}, {.project = true});
    testfiles::WriteBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    LoadOptions options;
    options.system = {u"Title"_s, u"Subject"_s, u"Document Number"_s, u"Status"_s};
    const QList<LoadedDocument> loaded = LoadCustomProperties({path}, options);
    ASSERT_EQ(loaded.size(), 1);
    QStringList shown;
    for (const LoadedProperty& p : loaded[0].system)
        shown << p.name + u"="_s + PropertyValueText(p.value);
    EXPECT_EQ(shown, (QStringList{u"Title=Bracket"_s, u"Status=1"_s}));
    EXPECT_EQ(loaded[0].systemReadOnly, (QStringList{u"Document Number"_s, u"Status"_s}));
}
