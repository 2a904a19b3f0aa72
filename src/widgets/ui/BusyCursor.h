#pragma once
// The busy (hourglass) cursor of a long command, shown for as long as a BusyCursor lives, so it
// is restored also when an error leaves the command.

#include <QApplication>

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
