#pragma once
// One run of the undo journal: what a run that changes files (a batch or single rename, a
// property save) recorded before its first change, and how far the run and any undo of it got.
//
// A run is one file in JournalFolder() (Journal.h), one record a line, fields separated by tabs,
// and as the last field of every line its checksum (below):
//
//   KRDL-JOURNAL  2  <kind>  <created, UTC, ISO 8601>  <process id>  <items>  <records>
//                                               the header: the number of items of the run and
//                                               of the records (item, prop, attr) after it
//   item  <i>  <path>  <new path>  <identity>   file i and what is done to it (a rename: the
//                                               new path; the identity of the file, FileIdentity)
//   prop  <i>  <name>  <type>  <value>          a property file i had before the change
//   attr  <i>  <key>  <value>                   anything else the kind keeps of file i
//   batch  <first>  <items>  <records>          a run that changes its files a batch at a time:
//                                               the items from index first on, counted as in
//                                               the header, and their records after it
//   done  <i>  <note>                           file i was changed (note: the kind's own)
//   failed  <i>  <reason>                       file i could not be changed
//   end  completed | cancelled                  the run is over; unmarked items were not tried
//   undo  <time>                                an undo began
//   undone  <i>                                 file i is back as it was
//   unrestored  <i>  <reason>                   file i is left as it is for good: it is not what
//                                               the run left there (changed, replaced, gone), or
//                                               its old name is taken
//   undo-failed  <i>  <reason>                  file i could not be put back this time (locked,
//                                               no access): the next undo tries it again
//   undo-end                                    the undo is over
//
// Every field is program text as the native bytes of file names (ToNativeBytes), so a path
// that is not UTF-8 comes back byte for byte; a backslash, tab, line feed, carriage return or
// NUL inside a field is written as \\ \t \n \r \0.
//
// The header and the records it counts are written whole, before the first file changes (a
// new file flushed to the disk and renamed into place): a run file never holds part of them.
// The marks are appended as things happen, so a crash can cut the run after any of them, and
// the last line may be cut short; such a line is no record and goes when the next record is
// appended. A power cut can also keep a later mark and lose one before it, whose bytes then read
// as zeros: the run ends before them, as at a line cut short. A batch and its records are appended between marks and flushed to the disk before
// the first file of the batch changes; a run that ends inside the last batch's records was cut
// short while it was written, before any of its files changed, so that batch counts as not
// there and goes like a line cut short. The checksum of a line is the CRC-32 (Crc32.h) of its
// fields and tabs and a line feed, going on from the checksum of the line before (the first
// from 0), as 8 hexadecimal digits: a changed byte, a line lost, doubled or moved, or the
// header's records cut off makes the run damaged, and a damaged run is never taken back. Records
// of a tag this version does not know are passed over.
//
// A run is read a line at a time, never whole: a save over a long list writes a big one.
//
// Runs of the first version (`KRDL-JOURNAL 1`, no counts and no checksums) are still read as
// they are, and the marks of an undo are added to them in their own format; only what their
// structure shows (no items, items out of order) makes them damaged.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace platform {
class PositionedFile;
}

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
// What the last undo that reached an item made of it.
enum class UndoMark {
    None,
    Undone,
    LeftAlone, // "unrestored": not put back, and not to be tried again
    Failed,    // "undo-failed": not put back this time; the next undo tries again
};

struct JournalItemState {
    JournalMark mark = JournalMark::None;
    QString note; // of done, or the reason of failed
    UndoMark undo = UndoMark::None;
    QString undoReason;
};

// The version of the run files written now.
inline constexpr int kJournalVersion = 2;

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
    bool undoEnded = false; // the last undo that began on the run came to its end

    int version = kJournalVersion;
    std::uint32_t chain = 0;   // the checksum of the last whole record: the next one goes on from it
    // The length of the whole records; anything after is a line or a batch cut short.
    std::uint64_t wholeBytes = 0;

    // True when the run stopped without its end line: the process died, or is still running.
    bool Interrupted() const { return !ended; }
    // True when the run is taken back as far as it can be: an undo came to its end and left no
    // item failed to be tried again.
    bool UndoOver() const;

    // The header and the records it counts, as written before the first change; `chain` is set
    // to the checksum of the last line.
    static QByteArray StartText(const QString& kind, const QDateTime& created, qint64 processId,
                                const std::vector<JournalItem>& items, std::uint32_t& chain);
    // A batch line and the records it counts, for items numbered on from `first`, going on from
    // `chain` as Line does.
    static QByteArray BatchText(std::size_t first, const std::vector<JournalItem>& items, std::uint32_t& chain);
    // One record line of a run file of `version`, with its line end and, from version 2 on, its
    // checksum going on from `chain`, which then becomes the line's.
    static QByteArray Line(const QStringList& fields, int version, std::uint32_t& chain);

    // Reads a run; nothing when the bytes are no usable journal run, and then `problem` says why,
    // as a clause such as "it is damaged (line 7 does not match its checksum)".
    static std::optional<JournalRun> Parse(const QByteArray& bytes, QString* problem = nullptr);
    // Reads the run file; nothing when it cannot be read or is no usable run (`problem`, as above).
    static std::optional<JournalRun> Load(const QString& fileName, QString* problem = nullptr);
};

// Appends records to a run file, each one out of the process (in the system's hands) when the
// call returns, so that a crash of the program after it loses nothing.
class JournalAppender {
public:
    JournalAppender();
    ~JournalAppender();
    JournalAppender(const JournalAppender&) = delete;
    JournalAppender& operator=(const JournalAppender&) = delete;

    // Opens the run file for records of `version` after its first `end` bytes, the last of which
    // has the checksum `chain`; a line cut short after them is cut off. False with the reason in
    // `problem` when the file cannot be opened for writing or cut.
    bool Open(const QString& fileName, int version, std::uint32_t chain, std::uint64_t end, QString& problem);
    // False with the reason when the record cannot be written; what was written of it then
    // counts as a line cut short, and the next record goes in its place.
    bool Append(const QStringList& fields, QString& problem);
    // Appends a batch of items numbered on from `first` (JournalRun::BatchText) in one write and
    // makes it durable on the disk. False with the reason when it cannot be; what was written
    // of it then counts as a batch cut short.
    bool AppendBatch(std::size_t first, const std::vector<JournalItem>& items, QString& problem);
    // Makes the records durable on the disk.
    bool Sync();
    void Close();

private:
    bool Write(const QByteArray& text, std::uint32_t chain, QString& problem);

    std::unique_ptr<platform::PositionedFile> m_file;
    int m_version = kJournalVersion;
    std::uint32_t m_chain = 0;
    std::uint64_t m_end = 0;
};
