#include "settings/Settings.h"

#include "common/FsPath.h"
#include "common/PathText.h"
#include "platform/Paths.h"
#include "platform/UserRegistry.h"
#include "settings/FormPosition.h"
#include "settings/IniFile.h"

#include <filesystem>

namespace {

QString& programFileOverride()
{
    static QString path;
    return path;
}

// The registry values live in the system's registry where there is one, unless KRDL_CONFIG_HOME
// names a configuration folder of its own: tests and scripts keep away from the user's real
// settings with it, on Windows too.
bool useRegistry()
{
    return platform::HasUserRegistry() && qEnvironmentVariableIsEmpty("KRDL_CONFIG_HOME");
}

// Per-user store of the registry values where the system has no registry: an INI file, one
// section per key path.
QString registryFile()
{
    return FromFsPath(platform::UserConfigDir() / "krdl" / "registry.ini");
}

} // namespace

QString UserConfigFolder()
{
    return FromFsPath(platform::UserConfigDir() / "krdl");
}

QStringList UserSettingsFiles()
{
    QStringList files{FormPosIniFileName(DefaultFormPosNameKey(true))};
    if (!useRegistry())
        files.prepend(registryFile());
    return files;
}

QString ProgramFileName()
{
    if (!programFileOverride().isEmpty())
        return programFileOverride();
    return FromFsPath(platform::ExecutablePath());
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
    if (useRegistry()) {
        // A key that cannot be opened or created is skipped without a message.
        platform::WriteUserRegistryString(keyPath.toStdU16String(), name.toStdU16String(), value.toStdU16String());
        return;
    }
    const QString file = registryFile();
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
    if (useRegistry())
        return QString::fromStdU16String(
            platform::ReadUserRegistryString(keyPath.toStdU16String(), name.toStdU16String()).value_or(std::u16string()));
    return ReadIniValue(registryFile(), keyPath, name);
}

QString ResolveProgramPathFor(const QString& executable, const QString& value)
{
    if (!value.startsWith(u'\\'))
        return value;
    const QString folder = executable.left(LastDelimiter(executable) + 1);
    QString rest = value.mid(1);
    // Relative paths written for Windows use backslashes; a native POSIX folder takes slashes.
    if (GuessPathStyle(executable) == PathStyle::Posix)
        rest.replace(u'\\', u'/');
    return folder + rest;
}

QString ResolveProgramPath(const QString& value)
{
    return ResolveProgramPathFor(ProgramFileName(), value);
}
