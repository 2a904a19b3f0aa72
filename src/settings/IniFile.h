#pragma once
// A profile-style INI file held as its lines, so that a write changes one line and keeps every
// other line (comments, unknown keys, blank lines, odd text) exactly as it was.
//
// Sections and keys compare without regard to letter case; of two equal sections or two equal
// keys in one section, the first one counts. Lines may end with CR LF, LF or a lone CR, and each
// keeps its own end. A value is read trimmed and, as the Windows profile functions read it,
// without one pair of matching double or single quotes around it; a value that would not read
// back as itself that way is written in double quotes.

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class IniDocument {
public:
    // Parses text (already decoded).
    static IniDocument FromText(const QString& text);
    // The file's text with the line ends it had (CR LF for the new lines of a new file).
    QString ToText() const;

    // Value of a key, trimmed and unquoted; nullopt when the section or key is missing.
    std::optional<QString> Value(const QString& section, const QString& key) const;
    // Sets a key, adding the key at the end of its section, or the section at the end of the file.
    void SetValue(const QString& section, const QString& key, const QString& value);
    // Keys of a section in file order (the first of equal keys only).
    QStringList Keys(const QString& section) const;
    // Removes a whole section (the first of that name) with its lines.
    void EraseSection(const QString& section);

    // Bulk forms for files of many sections (property set files), each one pass over the lines.
    // Every key=value line of the first section of that name, in file order, values read as
    // `value` reads them; equal keys are all listed.
    QList<QPair<QString, QString>> Entries(const QString& section) const;
    // The entries of every section at once, by `CaseKey` of the section name (of equal names the
    // first section), as `entries` gives them.
    QHash<QString, QList<QPair<QString, QString>>> AllEntries() const;
    // Removes every section whose name is in `sections` (ignoring case), all of them when a name
    // occurs more than once.
    void EraseSections(const QStringList& sections);
    // Sets the keys of `section` as setValue does, one after the other.
    void SetValues(const QString& section, const QList<QPair<QString, QString>>& entries);
    // Appends a new section with the entries at the end of the file, without looking for one of
    // that name (the caller has erased it).
    void AppendSection(const QString& section, const QList<QPair<QString, QString>>& entries);

private:
    // Index of the header line of the first section of that name, or -1.
    int FindSection(const QString& section) const;
    // One past the last line of the section that starts at header line h.
    int SectionEnd(int header) const;
    // Index of the first line in (header, end) that holds the key, or -1.
    int FindKey(int header, int end, const QString& key) const;

    // Inserts a line before line `at` (`at` == the line count: at the end).
    void InsertLine(int at, const QString& line);
    static QString Unquoted(const QString& value);
    // The value of a key=value line as `value` reads it.
    static QString ValueOf(const QString& line);
    // The value as a line holds it, in quotes when it would not read back as itself otherwise.
    static QString Written(const QString& value);

    QStringList m_lines;
    QStringList m_ends;                             // the end of each line; "" for a last line without one
    QString m_lineEnd = QStringLiteral("\r\n"); // the end of new lines
};

// The longest value a read returns.
constexpr int kIniMaxValueLength = 2047;

// Why the text of the file is refused (damaged UTF-8, common/SharedText.h: "line N: ..."); empty
// when it is read, and when the file is missing or cannot be read at all. Reads of a refused
// file find nothing and writes to it fail, so that it is never rewritten on a guess.
QString IniFileTextProblem(const QString& fileName);
// Reads a value from a file; empty when the file, the section or the key is missing.
QString ReadIniValue(const QString& fileName, const QString& section, const QString& key);
// All keys of a section with their values, in file order; empty when missing.
QList<QPair<QString, QString>> ReadIniSection(const QString& fileName, const QString& section);
// True when `value` written under `section` and `key` reads back as itself: names without
// blanks around them (reading trims them) and without line breaks, a section without "]", a key
// not empty, without "=" and not starting with "[" (it would read as a section), a value without
// line breaks.
bool IniEntryWritable(const QString& section, const QString& key, const QString& value);
// Writes a value, creating the file, section or key as needed, replacing the file safely.
// Throws KrdlError "Unable to write to <full path>" (with ". line N: ..." for a refused text),
// also for an entry that IniEntryWritable refuses; the file then stays as it was.
void WriteIniValue(const QString& fileName, const QString& section, const QString& key, const QString& value);
// Writes several values of one section in their order with one replacement of the file, so the
// file never holds some of them without the others.
void WriteIniValues(const QString& fileName, const QString& section, const QList<QPair<QString, QString>>& values);
