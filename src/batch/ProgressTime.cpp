#include "batch/ProgressTime.h"

using namespace Qt::StringLiterals;

QString DurationText(qint64 ms)
{
    const qint64 seconds = ms > 0 ? ms / 1000 : 0;
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const auto two = [](qint64 n) { return QString::number(n).rightJustified(2, u'0'); };
    if (h > 0)
        return QString::number(h) + u':' + two(m) + u':' + two(s);
    return QString::number(m) + u':' + two(s);
}

qint64 EstimatedRemainingMs(qint64 elapsedMs, qsizetype done, qsizetype total)
{
    if (done <= 0)
        return -1;
    if (done >= total)
        return 0;
    return qint64(double(elapsedMs) / double(done) * double(total - done) + 0.5);
}

QString ProgressTimeText(qint64 elapsedMs, qsizetype done, qsizetype total, bool finished)
{
    QString text = u"Elapsed "_s + DurationText(elapsedMs);
    if (finished)
        return text;
    // Rounded up: a run with a few hundred milliseconds left is not done.
    if (const qint64 remaining = EstimatedRemainingMs(elapsedMs, done, total); remaining >= 0)
        text += u", remaining "_s + DurationText((remaining + 999) / 1000 * 1000);
    return text;
}
