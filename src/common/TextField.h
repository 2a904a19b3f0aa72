#pragma once
// Small text helpers shared by every file format of the program.

#include <QString>

// The N-th piece (counted from 1) of `text` split at every occurrence of `separator`, untrimmed.
// A text without the separator is one piece; fewer than N pieces give an empty text.
QString ExtractField(const QString& text, QChar separator, int n);
// The same piece as a view into `text`, for readers of long files that copy only what they keep.
QStringView FieldView(QStringView text, QChar separator, int n);

// Removes leading and trailing characters whose code is 32 or less.
QString TrimControl(const QString& text);
QStringView TrimView(QStringView text);

// Upper-cases only the ASCII letters a to z; every other character stays as it is.
QString AsciiUpper(const QString& text);

// The key under which texts that differ only in letter case meet (names, keys and paths compared
// ignoring case). It is `QString::toUpper` except that a lone surrogate, which is how an
// undecodable byte of a file or file name is kept, stays as it is: `toUpper` and `toCaseFolded`
// turn every lone surrogate into U+FFFD once any letter changes, so two names that differ only in
// such bytes would otherwise meet and one would take the other's values.
QString CaseKey(const QString& text);

// The text as one field of one line: backslash, tab, carriage return and line feed are written
// as \\, \t, \r and \n, so that a crafted text cannot forge fields or lines of a listing or log
// and the escapes can be undone without doubt.
QString OneLineField(const QString& text);
