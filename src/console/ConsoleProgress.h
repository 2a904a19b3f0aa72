#pragma once
// The log of a batch run in a console (the command-line tools): every line goes to standard
// output, and a termination request (Ctrl+C, SIGTERM) stops the run like Cancel.

#include "batch/BatchSinks.h"

#include <cstdio>

namespace console {

class ConsoleProgress : public ProgressSink, public ProgressSinkFactory {
public:
    ProgressSink& CreateProgress() override { return *this; }
    void SetCaption(const QString&) override {}
    void Show() override {}
    // A file name that is not UTF-8 goes out with the bytes it has on the disk (`PrintLine`).
    void AddLine(const QString& text) override;
    void ProcessPendingEvents() override { std::fflush(stdout); }
    // platform::InterruptRequested, also in the middle of a file: a copy then fails at once.
    bool Stopped() const override;
    bool Interrupted() const override { return Stopped(); }
    void Finish() override { std::fflush(stdout); }
};

} // namespace console
