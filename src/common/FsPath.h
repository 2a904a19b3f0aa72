#pragma once
// Program text to the names the file system and the command line take, and back: the Qt side
// of text/NativePath.h. Every QString that names a file reaches the operating system through
// ToFsPath (or ToNativeBytes for the byte-string paths of platform/DirList.h), never through
// QFile::encodeName or the locale, so that a name which is not UTF-8 keeps its bytes.

#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

std::filesystem::path ToFsPath(const QString& path);
QString FromFsPath(const std::filesystem::path& path);

// Names and paths as the byte strings of the folder listing (UTF-8 where well-formed).
std::string ToNativeBytes(const QString& text);
QString FromNativeBytes(std::string_view bytes);

// The program's arguments after its name, exactly as given: the wide command line where native
// names are UTF-16 (this needs the QCoreApplication), otherwise `argv`'s bytes by the rule above
// and not through the locale.
QStringList CommandLineArguments(int argc, char** argv);

// What stands at `path` when it is not a regular file, for messages: "the file does not exist",
// "it is a folder", "it is a FIFO", "it is a socket", "it is a device" or "it is not a regular
// file"; empty for a regular file (symbolic links followed).
QString NotARegularFileReason(const QString& path);
// The same, but empty also when nothing is there: for files that may be missing, but must not
// be anything else (a FIFO or device in their place would make every read wait).
QString SpecialFileReason(const QString& path);

// The text of a system error, for messages.
QString ErrorText(const std::error_code& ec);
