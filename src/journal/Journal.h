#pragma once
// The undo journal: a folder of run files (JournalRun.h) in the per-user data folder, the last
// ten of each kind kept. A run is written by a JournalWriter while it changes files and taken
// back through a JournalUndo. While either works on a run it holds that run's lock, which the
// system drops when the process dies; so a run whose lock is free and that has no end line was
// cut short by a crash.
//
// Where undo lives: this folder holds what every kind of run shares (the run files, the kinds
// below, JournalWriter, JournalUndo) and depends on no kind. The undo of a kind lives next to
// the run it takes back, which it reads and writes the files of: RenameUndo beside
// TarRenameFiles in batch/, PropertyUndo beside PropertySaveJournal in properties/. Both log
// through UndoLastRun (batch/), the one loop that turns a JournalUndo into a logged run.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <string>

// The kinds of run the journal holds.
inline constexpr char kRenameJournal[] = "rename";
inline constexpr char kPropertiesJournal[] = "properties";

// How many runs of one kind are kept.
inline constexpr int kJournalKeptRuns = 10;

// <per-user data folder>/krdl/journal (platform::UserDataDir).
QString JournalFolder();

// The run files of `kind` in JournalFolder(), newest first.
QStringList JournalRunFiles(const QString& kind);

// Removes the run files of `kind` beyond the newest `keep`, but none that a writer or an undo is
// working on.
void PruneJournal(const QString& kind, int keep = kJournalKeptRuns);

// When the run was started, from its file's name (UTC); invalid for a name not made by a writer.
QDateTime JournalRunTime(const QString& runFile);

// The name of the lock a writer or an undo holds while it works on the run file.
std::string JournalRunLockName(const QString& runFile);

// Removes a run file and its lock file. Called while holding the run's lock: once the file is
// gone nobody looks for the run any more.
void RemoveJournalRun(const QString& runFile);
