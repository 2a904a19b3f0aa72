#pragma once
// Remembers where its owner window was, how large it was and its state: `Loaded` reads and
// applies the stored values once the owner is built, and the values are written when the owner
// is destroyed, also when the window was never shown. The values live in an INI file
// (`useIniFile`) or in the per-user registry store, in the section named after the owner
// window's object name (settings/FormPosition.h).
//
// Qt gives a window no event before it is destroyed, so the owner's destructor calls
// `FormDestroy` while the whole window still stands; an error of the write can then be shown in
// a message box. The store is the owner's child: when it goes with an owner that did not call
// `FormDestroy`, it writes then, but no box can be shown from inside the destruction of a window
// and an error only goes to the log.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

class TarFormPosSave : public QObject {
    Q_OBJECT
public:
    // The five values by reference; what the handler leaves in them is applied or stored.
    using TOnReadIniEvent = std::function<void(int& left, int& top, int& width, int& height, int& windowState)>;
    using TOnWriteIniEvent = TOnReadIniEvent;

    explicit TarFormPosSave(QWidget* owner);
    ~TarFormPosSave() override;

    TOnWriteIniEvent onWriteIni;
    TOnReadIniEvent onReadIni;
    // INI file name or registry key path; empty: the executable's name (settings/FormPosition.h).
    QString nameKey;
    bool useIniFile = false;

    // Runs once when the owner is built: fills an empty `nameKey` with the default and reads.
    void Loaded();
    // Reads the five values, lets `onReadIni` change them and applies them.
    void ReadPosition();
    // Takes the owner's bounds and state, lets `onWriteIni` change them and stores them. Throws
    // KrdlError "Unable to write to <file>" when the INI file cannot be written.
    void WritePosition();
    // `windowState` 2 maximizes the owner. Any other value first makes it normal and, unless all
    // four bounds are -1, moves it to `left`, `top` and gives it `width`, `height` (a width or height
    // below 1 keeps the current one); 1 then minimizes it, so that it is restored to those
    // bounds. Then the owner is pulled onto the screens (PullBackOntoScreen).
    void ApplyPosition(int windowState, int left, int top, int width, int height);
    // The owner's destroy handler, called from the owner's destructor: writes the position once,
    // showing an error of the write in a message box; the program goes on.
    void FormDestroy();

private:
    void FillNameKey();

    bool m_written = false;
    QPointer<QWidget> m_owner;
};
