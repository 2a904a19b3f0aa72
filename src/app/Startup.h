#pragma once
// The start-up sequence of the program, written against a small interface to the outside world
// so that every branch runs in a test. main() supplies the real one.

#include <QString>
#include <QStringList>

namespace startup {

inline constexpr char kRegistryKey[] = "Software\\KARDOLIN\\Nastavitve";
inline constexpr char kInstanceName[] = "KARDOLIN";

enum class MessageIcon { Information, Error };

struct Message {
    QString caption;
    QString text;
    QStringList buttons;
    MessageIcon icon = MessageIcon::Information;
};

enum class UpgradeOutcome { Continue, EndProgram };

// How handing the start's files to the running instance went.
enum class HandOver {
    Delivered,    // the instance has taken them
    NotListening, // no instance took the connection, or it went before it answered
    NoAnswer,     // an instance took the connection but did not answer in time
};

// How long a start with files tries to hand them over before it gives up with a message.
inline constexpr int kHandOverMs = 15000;

class Environment {
public:
    virtual ~Environment() = default;

    // Decimal text that identifies this running program for the "Handle" value.
    virtual QString ApplicationHandle() = 0;
    virtual void RegWriteString(const QString& keyPath, const QString& name, const QString& value) = 0;
    // True when another instance holds the named lock; otherwise this process holds it now.
    virtual bool InstanceAlreadyRunning(const QString& name) = 0;
    // Shows a message and waits until it is closed.
    virtual void ShowMessage(const Message& message) = 0;
    virtual void SetApplicationTitle(const QString& title) = 0;
    // Creates the main window without showing it.
    virtual void CreateMainWindow() = 0;
    virtual QString ProgramIniFileName() = 0;
    virtual bool FileExists(const QString& path) = 0;
    // What stands at `path` instead of a regular file ("it is a FIFO", "it is a folder", ...), or
    // why the text of the INI file there is refused ("line N: ..."); empty for a regular file
    // that reads and for none at all.
    virtual QString SpecialFileReason(const QString& path) = 0;
    // The per-user settings files (registry store, window position file).
    virtual QStringList UserSettingsFiles() = 0;
    virtual QString ExecutablePath() = 0;
    // May hand the program over to a newer version, which ends this one.
    virtual UpgradeOutcome RunUpgradeCheck() = 0;
    // Shows the main window and runs until it has closed.
    virtual void RunMessageLoop() = 0;

    // `files` named at start.
    // Sends the files to the instance that holds the lock and waits at most `timeoutMs` for its
    // answer.
    virtual HandOver HandFilesToRunningInstance(const QStringList& files, int timeoutMs) = 0;
    // A steady clock in milliseconds, and a pause.
    virtual qint64 ElapsedMs() = 0;
    virtual void SleepMs(int ms) = 0;
    // Adds the documents among the files to the list once the window shows.
    virtual void OpenFiles(const QStringList& files) = 0;
    // From now on, files handed over by later starts join the list and the window comes to the
    // front.
    virtual void AcceptFilesFromLaterStarts() = 0;
};

// Runs the whole start-up and the program's life; returns the process exit code: 0 after a
// normal end and when another instance is already running, 1 when the program INI file is
// missing, something other than a file stands in its place or its text is refused. A per-user
// settings file that is no file (a FIFO or a device would make every read wait) or whose text
// is refused is named in an error box, and the program goes on without it.
//
// `files` (absolute paths named on the command line) join the list at start. When another
// instance runs, they are handed to it instead, and this start ends with 0 and no message; when
// that instance goes away meanwhile, this start becomes the instance and keeps them. An
// instance that does not answer within kHandOverMs gets the message of a second start, naming
// the files that were not added, and this start ends with 1. Without files a second start
// shows the message of a second start and ends with 0.
int RunProgram(Environment& env, const QStringList& files = {});

// The messages of start-up.
Message AlreadyRunningMessage();
// The running instance did not take the files.
Message FilesNotHandedOverMessage(const QStringList& files);
Message MissingIniMessage(const QString& iniPath);
// A settings file that cannot be used because something else stands in its place.
Message SpecialFileMessage(const QString& path, const QString& reason);

} // namespace startup
