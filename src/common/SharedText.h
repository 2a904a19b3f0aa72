#pragma once
// Text encoding of the files the program shares with other installations
// (list files, INI files, property set files, seed files, CSV files).
//
// Reading: UTF-8 after a UTF-8 byte order mark; without one, UTF-8 or Windows-1250, whichever
// reading is plausible for Central European text, and refused as damaged when the file is
// UTF-8 with a few bytes that are not (text/TextEncoding.h has the rule). Writing: Windows-1250
// when every character has a code there and the bytes read back as that text, otherwise UTF-8
// with a byte order mark. A text written and read back is unchanged.

#include "text/TextEncoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

// How a file was written, so that a rewrite can keep its form.
using SharedEncoding = text::Encoding;

// Decodes a whole file. For damaged UTF-8 it returns false with "line N: ..." in *reason and
// leaves `text` empty. *encoding gets the form the file was written in.
bool DecodeSharedText(QByteArrayView bytes, QString& text, QString* reason = nullptr,
                      SharedEncoding* encoding = nullptr);
// The same, throwing KrdlError with the reason.
QString DecodeSharedText(QByteArrayView bytes);

// For readers that go through a file in pieces with a text::EncodingDetector: the text of one
// or more of its lines (after the mark, for Utf8Bom), and the reason a damaged file is refused.
QString DecodeSharedLine(QByteArrayView bytes, SharedEncoding encoding);
QString DamagedTextReason(std::uint64_t line);

QByteArray EncodeSharedText(const QString& text);
// Encodes in the given form when the text reads back unchanged from it; otherwise as
// EncodeSharedText does.
QByteArray EncodeSharedTextAs(const QString& text, SharedEncoding encoding);
