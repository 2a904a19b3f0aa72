#pragma once
// Text and path helpers of the batch runs.

#include "common/PathText.h"

#include <QString>

#include <system_error>

// 1-based position of the first `subText` in `text`; 0 when there is none or `subText` is empty.
// Without `caseSensitive` only the ASCII letters a-z and A-Z match each other; every other
// character, accented letters included, matches only itself.
int TextPos(const QString& subText, const QString& text, bool caseSensitive);

// `text` with its first `oldText` (found by TextPos) replaced by `newText` exactly as given; `text`
// unchanged when `oldText` is not found.
QString ReplaceTextOnce(const QString& text, const QString& oldText, const QString& newText, bool caseSensitive);

// True for a name that can stand alone in a folder: not empty, not "." or "..", and without a
// folder separator or drive colon of the style, so that a rename can never move the file elsewhere.
bool IsPlainFileName(const QString& name, PathStyle style);

// The text of a system error as the reason in a log line or message: as the system words it,
// with a full stop at its end.
QString ErrorSentence(const std::error_code& ec);
