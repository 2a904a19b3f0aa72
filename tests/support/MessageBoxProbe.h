#pragma once
// View tests answer message boxes from inside their modal loop.

#include <functional>

class QDialog;

namespace testfiles {

// Runs act(box) as soon as a message box is up (polled every 5 ms from the event loop); fails
// the test when none appears within 10 seconds.
void WhenMessageBoxShown(std::function<void(QDialog*)> act);

} // namespace testfiles
