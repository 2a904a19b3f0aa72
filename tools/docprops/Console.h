#pragma once
// What every docprops command writes to the terminal goes through here.

#include <QString>

#include <cstdio>

// `text` as UTF-8, with file names as the bytes they have on disk also when they are not UTF-8.
void Print(std::FILE* to, const QString& text);

// "docprops: " + `text` as a line on standard error.
void Error(const QString& text);
