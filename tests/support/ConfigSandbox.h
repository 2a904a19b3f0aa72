#pragma once
// A temporary folder whose "config" folder stands in for the user's configuration folder for the
// life of the object, so that the per-user settings and window positions a test writes land
// there and nowhere else. A test that needs a program folder too takes one inside it
// (`filePath(u"bin/KRDL"_s)`) and names it where the program file name is asked for.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testfiles {

class ConfigSandbox {
public:
    ConfigSandbox()
        : m_hadConfigHome(qEnvironmentVariableIsSet("KRDL_CONFIG_HOME")), m_configHome(qgetenv("KRDL_CONFIG_HOME"))
    {
        qputenv("KRDL_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
    }
    ~ConfigSandbox()
    {
        if (m_hadConfigHome)
            qputenv("KRDL_CONFIG_HOME", m_configHome);
        else
            qunsetenv("KRDL_CONFIG_HOME");
    }
    ConfigSandbox(const ConfigSandbox&) = delete;
    ConfigSandbox& operator=(const ConfigSandbox&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    bool m_hadConfigHome;
    QByteArray m_configHome;
    QTemporaryDir m_dir;
};

} // namespace testfiles
