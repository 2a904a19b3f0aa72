#include "settings/Settings.h"

#include "common/FsPath.h"
#include "common/PathText.h"
#include "platform/Paths.h"
#include "platform/UserRegistry.h"
#include "settings/FormPosition.h"
#include "settings/IniFile.h"

#include <filesystem>

namespace {

// The registry values live in the system's registry where there is one, unless KRDL_CONFIG_HOME
// names a configuration folder of its own: tests and scripts keep away from the user's real
// settings with it, on Windows too.
bool UseRegistry()
{
    return platform::HasUserRegistry() && qEnvironmentVariableIsEmpty("KRDL_CONFIG_HOME");
}

// Per-user store of the registry values where the system has no registry: an INI file, one
// section per key path.
QString RegistryFile()
{
    return FromFsPath(platform::UserConfigDir() / "krdl" / "registry.ini");
}

} // namespace

QString UserConfigFolder()
{
    return FromFsPath(platform::UserConfigDir() / "krdl");
}

QStringList UserSettingsFiles(const QString& programFileName)
{
    QStringList files{FormPosIniFileName(DefaultFormPosNameKey(programFileName, true))};
    if (!UseRegistry())
        files.prepend(RegistryFile());
    return files;
}

QString ProgramFileName()
{
    return FromFsPath(platform::ExecutablePath());
}

QString ProgramIniFileName(const QString& programFileName)
{
    const qsizetype dot = programFileName.lastIndexOf(u'.');
    if (dot > LastDelimiter(programFileName))
        return programFileName.left(dot) + QStringLiteral(".ini");
    return programFileName + QStringLiteral(".ini");
}

QString IniReadString(const QString& fileName, const QString& section, const QString& key)
{
    return ReadIniValue(fileName, section, key);
}

void IniWriteString(const QString& fileName, const QString& section, const QString& key, const QString& value)
{
    WriteIniValue(fileName, section, key, value);
}

QString ReadInitialDir(const QString& programFileName, const QString& key)
{
    return IniReadString(ProgramIniFileName(programFileName), QStringLiteral("InitialDir"), key);
}

void WriteInitialDir(const QString& programFileName, const QString& key, const QString& folder)
{
    IniWriteString(ProgramIniFileName(programFileName), QStringLiteral("InitialDir"), key, folder);
}

void RegWriteString(const QString& keyPath, const QString& name, const QString& value)
{
    if (UseRegistry()) {
        // A key that cannot be opened or created is skipped without a message.
        platform::WriteUserRegistryString(keyPath.toStdU16String(), name.toStdU16String(), value.toStdU16String());
        return;
    }
    const QString file = RegistryFile();
    std::error_code ec;
    std::filesystem::create_directories(ToFsPath(file).parent_path(), ec);
    if (ec)
        return;
    try {
        WriteIniValue(file, keyPath, name, value);
    } catch (const std::exception&) {
        // A key that cannot be opened or created is skipped without a message.
    }
}

QString RegReadString(const QString& keyPath, const QString& name)
{
    if (UseRegistry())
        return QString::fromStdU16String(
            platform::ReadUserRegistryString(keyPath.toStdU16String(), name.toStdU16String()).value_or(std::u16string()));
    return ReadIniValue(RegistryFile(), keyPath, name);
}

QString ResolveProgramPath(const QString& programFileName, const QString& value)
{
    if (!value.startsWith(u'\\'))
        return value;
    const QString folder = programFileName.left(LastDelimiter(programFileName) + 1);
    QString rest = value.mid(1);
    // Relative paths written for Windows use backslashes; a native POSIX folder takes slashes.
    if (GuessPathStyle(programFileName) == PathStyle::Posix)
        rest.replace(u'\\', u'/');
    return folder + rest;
}
