#pragma once
// The one exception type of the program. Its message is shown to the user as it stands.

#include <QString>
#include <QByteArray>
#include <exception>

class KrdlError : public std::exception {
public:
    explicit KrdlError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
