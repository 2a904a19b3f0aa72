#pragma once
// The error guard of every command of every window: an error that leaves a command is shown in
// an error box, and the window goes on.

#include <functional>

class QWidget;

// Runs `command`. A KrdlError or another std::exception it raises is shown in an error box with
// the program's name as caption and the error's message as text; `owner` owns the box (none:
// the box belongs to no window). Returns false when the command ended with an error.
bool RunGuarded(QWidget* owner, const std::function<void()>& command);
