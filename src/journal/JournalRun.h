#pragma once
// One run of the undo journal: what a run that changes files (a batch or single rename, a
// property save) recorded before its first change, and how far the run and any undo of it got.
//
// A run is one file in JournalFolder() (Journal.h), one record a line, fields separated by tabs:
//
//   KRDL-JOURNAL  1  <kind>  <created, UTC, ISO 8601>  <process id>
//   item  <i>  <path>  <new path>  <identity>   file i and what is done to it (a rename: the
//                                               new path; the identity of the file, FileIdentity)
//   prop  <i>  <name>  <type>  <value>          a property file i had before the change
//   attr  <i>  <key>  <value>                   anything else the kind keeps of file i
//   done  <i>  <note>                           file i was changed (note: the kind's own)
//   failed  <i>  <reason>                       file i could not be changed
//   end  completed | cancelled                  the run is over; unmarked items were not tried
//   undo  <time>                                an undo began
//   undone  <i>                                 file i is back as it was
//   unrestored  <i>  <reason>                   file i could not be put back
//   undo-end                                    the undo is over
//
// Every field is program text as the native bytes of file names (ToNativeBytes), so a path
// that is not UTF-8 comes back byte for byte; a backslash, tab, line feed, carriage return or
// NUL inside a field is written as \\ \t \n \r \0. The header and the items are on the disk
// before the first file changes; the marks are appended as things happen. A last line cut short
// by a crash is ignored, and so are tags this version does not know.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>
#include <utility>
#include <vector>

struct JournalProperty {
    QString name;
    QString type;  // the kind's name for the type, e.g. "Text"
    QString value; // a text from which the value comes back exactly
};

struct JournalItem {
    QString path;     // the file as it was
    QString newPath;  // a rename: the file's new path; empty for other kinds
    QString identity; // the file's identity before the change; empty when unknown
    std::vector<JournalProperty> properties;
    std::vector<std::pair<QString, QString>> attributes;
};

enum class JournalMark { None, Done, Failed };
enum class UndoMark { None, Undone, Unrestored };

struct JournalItemState {
    JournalMark mark = JournalMark::None;
    QString note; // of done, or the reason of failed
    UndoMark undo = UndoMark::None;
    QString undoReason;
};

class JournalRun {
public:
    QString fileName; // where the run was read from
    QString kind;
    QDateTime created; // UTC
    qint64 processId = 0;
    std::vector<JournalItem> items;
    std::vector<JournalItemState> states; // one per item
    bool ended = false;
    bool completed = false;
    bool undoEnded = false;

    // True when the run stopped without its end line: the process died, or is still running.
    bool interrupted() const { return !ended; }

    // The header and item lines, as written before the first change.
    static QByteArray StartText(const QString& kind, const QDateTime& created, qint64 processId,
                                const std::vector<JournalItem>& items);
    // The lines of item Index, as StartText writes them (a run written in batches appends more).
    static QByteArray ItemText(std::size_t index, const JournalItem& item);
    // One record line with its line end.
    static QByteArray Line(const QStringList& fields);
    // Appends Line(Fields) to Out and flushes it out of the process, so that a crash of the
    // program after this loses nothing; a line that cannot be written is let go.
    static void Append(std::ostream& out, const QStringList& fields);

    // Reads a run; nothing when the bytes are no journal run.
    static std::optional<JournalRun> Parse(const QByteArray& bytes);
    // Reads the run file; nothing when it cannot be read or is no journal run.
    static std::optional<JournalRun> Load(const QString& fileName);
};
