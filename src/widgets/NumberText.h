#pragma once
// Whether a cell text is a number, which the grid right-aligns.

#include <QString>

// True when `text` reads as a floating-point number: optional blanks around it, an optional
// sign, digits with at most one `decimalPoint` (at least one digit in all), an optional exponent
// ("e" or "E", optional sign, digits). No thousands separators, no "inf" or "nan"; the empty
// text is no number.
bool IsNumberText(const QString& text, const QString& decimalPoint);
// The same with the decimal separator of the default locale (`QLocale()`).
bool IsNumberText(const QString& text);
