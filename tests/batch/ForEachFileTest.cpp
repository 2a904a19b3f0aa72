// The file loop every batch run shares: what it reports to the log besides the run's own lines.
#include "batch/ForEachFile.h"

#include "FakeSinks.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ForEachFile, ReportsFilesDoneBeforeTheFirstAndAfterEachFile)
{
    using Steps = std::vector<std::pair<qsizetype, qsizetype>>;
    struct Case {
        int files;
        int cancelAtCheck; // the check (from 1) at which Cancel has been pressed; 0: never
        Steps progress;
        int handled;
    } const cases[] = {
        {3, 0, {{0, 3}, {1, 3}, {2, 3}, {3, 3}}, 3},
        {3, 3, {{0, 3}, {1, 3}, {2, 3}}, 2}, // stopped before the third file: 2 of 3
        {3, 1, {{0, 3}}, 0},
        {0, 0, {{0, 0}}, 0},
    };
    for (const Case& c : cases) {
        FakeProgress log;
        log.onProcess = [&c](int n, FakeProgress& p) { p.stopped = n == c.cancelAtCheck; };
        QStringList files;
        for (int i = 0; i < c.files; ++i)
            files << u"f%1.dft"_s.arg(i);
        int handled = 0;
        // Each file sees the count of the ones before it.
        const bool completed = ForEachFile(log, files, [&](qsizetype i, const QString&) {
            EXPECT_EQ(log.progress.back(), std::make_pair(i, qsizetype(c.files)));
            ++handled;
        });
        EXPECT_EQ(completed, c.cancelAtCheck == 0) << c.files << " " << c.cancelAtCheck;
        EXPECT_EQ(log.progress, c.progress) << c.files << " " << c.cancelAtCheck;
        EXPECT_EQ(handled, c.handled);
    }
}
