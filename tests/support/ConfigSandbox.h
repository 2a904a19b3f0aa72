#pragma once
// A temporary folder that stands in for the user's configuration folder (its "config" folder)
// and for the program's folder for the life of the object, so that the settings, window
// positions and INI files a test writes land there and nowhere else. The settings library must
// be linked into the test.

#include "settings/Settings.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testfiles {

class ConfigSandbox {
public:
    // Program is the executable's path inside the folder ("KRDL", "bin/KRDL").
    explicit ConfigSandbox(const QString& program = QStringLiteral("KRDL"))
        : hadConfigHome_(qEnvironmentVariableIsSet("KRDL_CONFIG_HOME")), configHome_(qgetenv("KRDL_CONFIG_HOME"))
    {
        qputenv("KRDL_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
        SetProgramFileNameForTesting(dir_.filePath(program));
    }
    ~ConfigSandbox()
    {
        SetProgramFileNameForTesting({});
        if (hadConfigHome_)
            qputenv("KRDL_CONFIG_HOME", configHome_);
        else
            qunsetenv("KRDL_CONFIG_HOME");
    }
    ConfigSandbox(const ConfigSandbox&) = delete;
    ConfigSandbox& operator=(const ConfigSandbox&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    bool hadConfigHome_;
    QByteArray configHome_;
    QTemporaryDir dir_;
};

} // namespace testfiles
