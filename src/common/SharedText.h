#pragma once
// Text encoding of the files the program shares with other installations
// (list files, INI files, property set files, seed files).
//
// Reading: UTF-8 when the bytes start with a UTF-8 byte order mark or are valid UTF-8,
// otherwise Windows-1250. Writing: Windows-1250 when every character has a code there,
// otherwise UTF-8 with a byte order mark. A text written and read back is unchanged.

#include <QByteArray>
#include <QString>

QString DecodeSharedText(const QByteArray& bytes);
QByteArray EncodeSharedText(const QString& text);

// How a file was written, so that a rewrite can keep its form.
enum class SharedEncoding { Cp1250, Utf8, Utf8Bom };
SharedEncoding DetectSharedEncoding(const QByteArray& bytes);
// Encodes in the given form when the text can be read back unchanged from it; otherwise as
// EncodeSharedText does.
QByteArray EncodeSharedTextAs(const QString& text, SharedEncoding encoding);

