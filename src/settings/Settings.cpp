#include "settings/Settings.h"

#include "common/PathText.h"
#include "platform/Paths.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString& programFileOverride()
{
    static QString path;
    return path;
}

QString toQString(const std::filesystem::path& p)
{
#ifdef _WIN32
    return QString::fromStdWString(p.wstring());
#else
    return QString::fromStdString(p.string());
#endif
}

// Per-user store of the registry values: an INI file, one section per key path.
QString registryFile()
{
    return toQString(platform::UserConfigDir() / "krdl" / "registry.ini");
}

} // namespace

QString ProgramFileName()
{
    if (!programFileOverride().isEmpty())
        return programFileOverride();
    return toQString(platform::ExecutablePath());
}

void SetProgramFileNameForTesting(const QString& path)
{
    programFileOverride() = path;
}

QString ProgramIniFileName()
{
    const QString exe = ProgramFileName();
    const qsizetype dot = exe.lastIndexOf(u'.');
    if (dot > LastDelimiter(exe))
        return exe.left(dot) + QStringLiteral(".ini");
    return exe + QStringLiteral(".ini");
}

QString IniReadString(const QString& fileName, const QString& section, const QString& key)
{
    return ReadIniValue(fileName, section, key);
}

void IniWriteString(const QString& fileName, const QString& section, const QString& key, const QString& value)
{
    WriteIniValue(fileName, section, key, value);
}

QString ReadInitialDir(const QString& key)
{
    return IniReadString(ProgramIniFileName(), QStringLiteral("InitialDir"), key);
}

void WriteInitialDir(const QString& key, const QString& folder)
{
    IniWriteString(ProgramIniFileName(), QStringLiteral("InitialDir"), key, folder);
}

void RegWriteString(const QString& keyPath, const QString& name, const QString& value)
{
    const QString file = registryFile();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return;
    try {
        WriteIniValue(file, keyPath, name, value);
    } catch (const std::exception&) {
        // A key that cannot be opened or created is skipped without a message.
    }
}

QString RegReadString(const QString& keyPath, const QString& name)
{
    return ReadIniValue(registryFile(), keyPath, name);
}

QString ResolveProgramPathFor(const QString& executable, const QString& value)
{
    if (!value.startsWith(u'\\'))
        return value;
    const QString folder = executable.left(LastDelimiter(executable) + 1);
    QString rest = value.mid(1);
#ifndef _WIN32
    // Relative paths written for Windows use backslashes; here folders are separated by '/'.
    if (!folder.contains(u'\\'))
        rest.replace(u'\\', u'/');
#endif
    return folder + rest;
}

QString ResolveProgramPath(const QString& value)
{
    return ResolveProgramPathFor(ProgramFileName(), value);
}
