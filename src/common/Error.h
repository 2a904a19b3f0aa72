#pragma once
// The one exception type of the program. Its message is shown to the user as it stands.

#include <QString>
#include <QByteArray>
#include <exception>

class KrdlError : public std::exception {
public:
    explicit KrdlError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& Message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
