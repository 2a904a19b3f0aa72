// The time line under the progress bar of a batch run.
#include "batch/ProgressTime.h"

#include <gtest/gtest.h>

TEST(ProgressTime, ElapsedAndRemainingTexts)
{
    struct Case {
        qint64 elapsedMs;
        qsizetype done, total;
        bool finished;
        const char* text;
    } const cases[] = {
        {0, 0, 5, false, "Elapsed 0:00"},                   // nothing done: no estimate yet
        {3000, 1, 5, false, "Elapsed 0:03, remaining 0:12"}, // 3 s a file, 4 to go
        {59999, 3, 4, false, "Elapsed 0:59, remaining 0:20"},
        {1500, 2, 3, false, "Elapsed 0:01, remaining 0:01"},  // 0.75 s left rounds up
        {3723000, 1, 2, false, "Elapsed 1:02:03, remaining 1:02:03"},
        {600000, 1, 2, false, "Elapsed 10:00, remaining 10:00"},
        {15000, 5, 5, false, "Elapsed 0:15, remaining 0:00"},
        {15000, 2, 5, true, "Elapsed 0:15"}, // finished early (cancel): no estimate
        {-5, 0, 0, false, "Elapsed 0:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressTimeText(c.elapsedMs, c.done, c.total, c.finished).toStdString(), c.text)
            << c.elapsedMs << " " << c.done << "/" << c.total;
    // 40 days over a million files: no overflow, no negative estimate.
    EXPECT_EQ(EstimatedRemainingMs(qint64(40) * 24 * 3600 * 1000, 1, 1000000), qint64(40) * 24 * 3600 * 1000 * 999999);
}
