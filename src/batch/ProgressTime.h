#pragma once
// The time line under a batch run's progress bar: how long the run has taken and about how long
// the rest will take, from the files done so far.

#include <QString>

// "0:05", "12:34", "1:02:03": minutes and seconds, hours in front from the first hour on.
// Negative times count as 0.
QString DurationText(qint64 ms);

// The time the files still to do will take when each takes as long as the ones done took on
// average; -1 while no file is done (nothing to go by).
qint64 EstimatedRemainingMs(qint64 elapsedMs, qsizetype done, qsizetype total);

// "Elapsed 0:03, remaining 0:12" while the run goes on ("Elapsed 0:03" alone before the first
// file is done), "Elapsed 0:15" once it has finished.
QString ProgressTimeText(qint64 elapsedMs, qsizetype done, qsizetype total, bool finished);
