// The error guard of every window's commands: what an error that leaves a command shows, and
// that nothing is shown for a command that ends well.
#include "widgets/ui/RunGuarded.h"

#include "common/Error.h"
#include "support/MessageBoxProbe.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

TEST(RunGuardedTest, AnErrorIsShownInABoxOwnedByTheWindowAndTheCallerGoesOn)
{
    QTemporaryDir dir;
    const QString log = dir.filePath(u"boxes.log"_s);
    qputenv("KRDL_MSGBOX_LOG", log.toUtf8());
    QWidget owner;
    struct Case {
        const char* name;
        std::function<void()> command;
        bool ran;
        QString shown; // the box's log line up to its result, empty for none
    };
    const Case cases[] = {
        {"no error", [] {}, true, {}},
        {"program error", [] { throw KrdlError(u"Unable to write to /x/KRDL.ini"_s); }, false,
         u"caption=Velmar Solid Edge Utils\ttext=Unable to write to /x/KRDL.ini\tbuttons=OK"_s},
        {"other error", [] { throw std::runtime_error("bad_alloc"); }, false,
         u"caption=Velmar Solid Edge Utils\ttext=bad_alloc\tbuttons=OK"_s},
    };
    for (const Case& c : cases) {
        QFile::remove(log);
        QWidget* boxOwner = nullptr;
        if (!c.shown.isEmpty())
            testfiles::WhenMessageBoxShown([&boxOwner](QDialog* box) {
                boxOwner = box->parentWidget();
                box->reject();
            });
        EXPECT_EQ(RunGuarded(&owner, c.command), c.ran) << c.name;
        QFile file(log);
        const QString lines = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        EXPECT_EQ(lines.section(u'\t', 0, 2), c.shown) << c.name;
        EXPECT_EQ(boxOwner, c.shown.isEmpty() ? nullptr : &owner) << c.name;
    }
    qunsetenv("KRDL_MSGBOX_LOG");
}
