#pragma once
// What a later start and the running instance say to each other when the later start hands
// over the files it was given:
//
//   later start:  "KRDL-OPEN 1 <count> <length>\n" then <length> bytes: each path's native
//                 bytes and a NUL
//   instance:     "OK\n"   (the message is whole and the instance is ready to take the files)
//   later start:  "GO\n"   (it has not given up: the files are the instance's now)
//
// The instance adds the files only on "GO", and the later start reports success only once it
// has sent "GO": a later start that gave up waiting (and told its user so) never has its files
// added behind its back, and one that reported success never loses them.
//
// Paths go as the bytes of their names (ToNativeBytes), so a name that is not UTF-8 arrives as
// it is. Nothing in a message can make the instance read without end: the header is short, the
// length bounded, and every count checked.

#include <QByteArray>
#include <QStringList>

#include <optional>

class HandOverMessage {
public:
    static constexpr qsizetype kMostBytes = qsizetype(64) << 20;

    static QByteArray Encode(const QStringList& files);
    static QByteArray Answer() { return QByteArrayLiteral("OK\n"); }
    static QByteArray Confirmation() { return QByteArrayLiteral("GO\n"); }

    enum class State { Incomplete, Complete, Bad };
    // Reads what has arrived so far; `files` is set when the message is Complete.
    static State Decode(const QByteArray& received, QStringList& files);
};
