#pragma once
// The one message box of the program: every message, warning and question goes through it.

#include <QString>
#include <QStringList>

class QFont;
class QWidget;

enum TarMsgIcon { miNone = 0, miInformation = 1, miQuestion = 2, miWarning = 3, miError = 4 };

// Window position kinds the box understands; any other value means poMainFormCenter.
enum TarMsgPosition { poScreenCenter = 4, poDesktopCenter = 5, poMainFormCenter = 6, poOwnerFormCenter = 7 };

// Shows the box modally and returns the zero-based index of the pressed button; `defaultButton`
// (corrected to 0 when out of range) when the box closes without a button; -1 when `buttons` is
// empty (nothing is shown). `timeout` in seconds, 0 for none.
//
// Unattended runs (tests, scripts): when the environment variable KRDL_MSGBOX_TIMEOUT holds a
// positive number of seconds, every box called with `timeout` 0 closes itself after that time
// with its default result, as if its own timeout had run out. When KRDL_MSGBOX_LOG names a
// file, every box that was shown appends one UTF-8 line to it:
//   caption=<caption>\ttext=<text>\tbuttons=<b1>|<b2>...\tresult=<index>\tclosed=<how>
// where <how> is button, timeout, window (closed without a button) or owner (its owner went
// away); backslash, tab and line breaks in the texts are written as \\, \t, \r and \n,
// and a | inside a button caption as \|.
int arMessageBox(const QString& caption, const QString& text, const QStringList& buttons,
                 TarMsgIcon icon = miNone, int defaultButton = 0, int position = poMainFormCenter,
                 bool beep = true, QWidget* owner = nullptr, const QFont* textFont = nullptr,
                 const QFont* buttonFont = nullptr, int timeout = 0);
