#pragma once
// Stored window positions: where a window was, how large it was and its state, kept in an INI
// file or in the per-user registry store, in a section (or subkey) named after the window.
//
// An INI file named without a folder, such as "KRDL.ini", lives in the per-user configuration
// folder, beside the registry store; it is never the program INI file beside the executable.

#include <QList>
#include <QRect>
#include <QString>

// Window states as they are stored.
enum FormWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

struct FormPosition {
    int left = -1;
    int top = -1;
    int width = -1;
    int height = -1;
    int windowState = wsNormal;
    friend bool operator==(const FormPosition&, const FormPosition&) = default;
};

// The name key used when none is set: the file name of `programFileName` without folder, with
// ".ini" in place of its extension for an INI file, without extension for the registry.
QString DefaultFormPosNameKey(const QString& programFileName, bool useIniFile);

// The INI file of a name key: ".ini" is appended unless the name ends in it in any letter case;
// a name without a folder is put into the per-user configuration folder.
QString FormPosIniFileName(const QString& nameKey);

// Reads the five values of `window` (defaults -1, -1, -1, -1, 0; a value that is not a whole
// decimal number reads as its default).
FormPosition ReadFormPosition(bool useIniFile, const QString& nameKey, const QString& window);

// Writes Left, Top, Width, Height and WindowState, in that order, creating the file (and its
// folder), section or key as needed. In INI mode a failure throws KrdlError "Unable to write to
// <file>"; the registry store skips what it cannot write.
void WriteFormPosition(bool useIniFile, const QString& nameKey, const QString& window, const FormPosition& position);

// The window rectangle `bounds` pulled onto the screens:
// - a window wider or taller than the primary screen (saved on a larger monitor) is shrunk to it;
// - a window past the primary screen's right or bottom edge is moved back so that those edges
//   meet; its left and top edges are not checked, so a window partly left of or above the
//   screen stays there;
// - a window that then meets no screen at all (saved on a monitor that is gone) is moved to the
//   primary screen's top-left corner.
QRect PullBackOntoScreen(const QRect& bounds, const QRect& primary, const QList<QRect>& screens);
