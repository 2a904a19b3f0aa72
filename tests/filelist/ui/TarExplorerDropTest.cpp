// The drop target over Qt's drag and drop: which names a drop hands over, where drops are taken,
// and how attaching and detaching leave the controls.
#include "filelist/ui/TarExplorerDrop.h"

#include "common/FsPath.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

struct DropResult {
    bool enterAccepted = false;
    bool dropAccepted = false;
};

// A drag that enters Target at Point and is dropped there, as the file manager sends it.
DropResult dragAndDrop(QWidget* target, QMimeData* data, QPoint point = {5, 7})
{
    DropResult r;
    QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    r.enterAccepted = enter.isAccepted();
    QDropEvent drop(QPointF(point), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QCoreApplication::sendEvent(target, &drop);
    r.dropAccepted = drop.isAccepted();
    return r;
}

class ExplorerDrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        drop.SetDestinationControl(&view);
        drop.onDropped = [this](TarExplorerDrop* sender, const QStringList& files, int count, int x, int y) {
            EXPECT_EQ(sender, &drop);
            EXPECT_EQ(count, files.size());
            dropped = files;
            where = {x, y};
            ++drops;
        };
        drop.onFolderNotAllowed = [this](TarExplorerDrop*, const QString& name) { refused << name; };
    }
    QString file(const QString& rel)
    {
        testfiles::WriteBytes(tmp.filePath(rel), "x");
        return QDir::toNativeSeparators(tmp.filePath(rel));
    }
    QTemporaryDir tmp;
    QTableView view;
    QWidget elsewhere;
    TarExplorerDrop drop;
    QStringList dropped, refused;
    QPoint where;
    int drops = 0;
};

} // namespace

TEST_F(ExplorerDrop, FilesPassFoldersAndMissingNamesAreRefusedOneByOne)
{
    const QString longName = file(QString(150, u'n') + u".dft"_s);
    const QStringList files = {file(u"a.dft"_s), file(u"b.PAR"_s), file(u"c.txt"_s), file(u"čšž ünï €.psm"_s), longName};
    ASSERT_TRUE(QDir(tmp.path()).mkpath(u"folder.dft"_s));
    const QString folder = QDir::toNativeSeparators(tmp.filePath(u"folder.dft"_s));
    const QString missing = QDir::toNativeSeparators(tmp.filePath(u"gone.dft"_s));
    QStringList refusedNames = {folder, missing};
#ifndef _WIN32
    // A pipe is no document, whatever its name: reading it would wait for a writer.
    refusedNames << QDir::toNativeSeparators(tmp.filePath(u"pipe.dft"_s));
    ASSERT_EQ(mkfifo(QFile::encodeName(refusedNames.last()).constData(), 0600), 0);
#endif

    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& name : files + refusedNames)
        urls << QUrl::fromLocalFile(name);
    urls << QUrl(u"https://example.org/x.dft"_s);
    data->setUrls(urls);
    const DropResult r = dragAndDrop(view.viewport(), data, {12, 34});
    delete data;

    EXPECT_TRUE(r.enterAccepted);
    EXPECT_TRUE(r.dropAccepted);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(dropped, files);
    EXPECT_EQ(drop.DroppedFiles(), files);
    EXPECT_EQ(drop.FileCount(), 5);
    EXPECT_EQ(refused, refusedNames);
    EXPECT_EQ(where, QPoint(12, 34));
    EXPECT_EQ(dropped.last().size(), longName.size());

    // With folders allowed every file name of the drop is taken.
    drop.allowFolders = true;
    refused.clear();
    data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(folder), QUrl::fromLocalFile(missing)});
    dragAndDrop(view.viewport(), data);
    delete data;
    EXPECT_EQ(dropped, QStringList({folder, missing}));
    EXPECT_TRUE(refused.isEmpty());
}

TEST_F(ExplorerDrop, PercentEncodedUriListsFromFileManagersArriveDecoded)
{
    const QString name = file(u"Načrt 50% #1.dft"_s);
    auto* data = new QMimeData;
    // As a file manager writes it: UTF-8 bytes percent-encoded, CR LF between URLs, a comment.
    const QByteArray encoded = QUrl::fromLocalFile(QDir::fromNativeSeparators(name)).toEncoded();
    ASSERT_TRUE(encoded.contains("%C4%8D") && encoded.contains("%25") && encoded.contains("%23")) << encoded.constData();
    data->setData(u"text/uri-list"_s, "# dropped\r\n" + encoded + "\r\n");
    dragAndDrop(view.viewport(), data);
    delete data;
    EXPECT_EQ(dropped, QStringList({name}));
}

#ifndef _WIN32
TEST_F(ExplorerDrop, ANameThatIsNoUtf8KeepsItsBytes)
{
    // "načrt.dft" in Windows-1250, as it lies on an old share.
    const QByteArray folder = QFile::encodeName(tmp.path());
    const QByteArray raw = folder + "/na\xe8rt.dft";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    QMimeData data;
    data.setData(u"text/uri-list"_s, "file://" + raw.toPercentEncoding("/") + "\r\n");
    dragAndDrop(view.viewport(), &data);
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(ToNativeBytes(dropped.first()), raw.toStdString());
}
#endif

TEST_F(ExplorerDrop, OnlyTheDestinationTakesDropsAndOnlyWhileEnabled)
{
    const QString a = file(u"a.dft"_s);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(a)});
    QMimeData text;
    text.setText(u"a.dft"_s);

    EXPECT_FALSE(dragAndDrop(&elsewhere, &data).dropAccepted);
    EXPECT_FALSE(dragAndDrop(view.viewport(), &text).enterAccepted) << "not files: the view's own rules";
    EXPECT_EQ(drops, 0);

    drop.SetEnabled(false);
    EXPECT_FALSE(view.viewport()->acceptDrops());
    EXPECT_FALSE(dragAndDrop(view.viewport(), &data).dropAccepted);
    EXPECT_EQ(drops, 0);
    drop.SetEnabled(true);
    EXPECT_TRUE(view.viewport()->acceptDrops());
    EXPECT_TRUE(dragAndDrop(view.viewport(), &data).dropAccepted);
    EXPECT_EQ(drops, 1);

    // Moving on to another control leaves nothing behind on the first one.
    drop.SetDestinationControl(&elsewhere);
    EXPECT_TRUE(drop.Enabled());
    EXPECT_FALSE(view.viewport()->acceptDrops());
    EXPECT_FALSE(dragAndDrop(view.viewport(), &data).dropAccepted);
    EXPECT_TRUE(dragAndDrop(&elsewhere, &data).dropAccepted);
    EXPECT_EQ(drops, 2);

    // Setting the same control changes nothing; clearing it detaches and disables.
    drop.SetDestinationControl(&elsewhere);
    EXPECT_TRUE(elsewhere.acceptDrops());
    drop.SetDestinationControl(nullptr);
    EXPECT_FALSE(drop.Enabled());
    EXPECT_EQ(drop.DestinationControl(), nullptr);
    EXPECT_FALSE(elsewhere.acceptDrops());
    EXPECT_FALSE(dragAndDrop(&elsewhere, &data).dropAccepted);
    drop.SetEnabled(true);
    EXPECT_FALSE(drop.Enabled()) << "without a destination the write does nothing";
    EXPECT_EQ(drops, 2);
}

TEST_F(ExplorerDrop, ATargetThatOutlivesItsControlStaysSafe)
{
    auto* view2 = new QTableView;
    drop.SetDestinationControl(view2);
    delete view2;
    EXPECT_EQ(drop.DestinationControl(), nullptr);
    drop.SetEnabled(true);
    drop.SetDestinationControl(&view);
    EXPECT_TRUE(drop.Enabled());
}
