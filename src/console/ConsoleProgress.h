#pragma once
// The log of a batch run in a console (the command-line tools): every line goes to standard
// output, and a termination request (Ctrl+C, SIGTERM) stops the run like Cancel.

#include "batch/BatchSinks.h"

#include <cstdio>

// Writes Text and a line end to Out as the native bytes of file names, so that a name that is
// not UTF-8 goes out as it is on the disk.
void WriteNativeLine(std::FILE* out, const QString& text);

class ConsoleProgress : public ProgressSink, public ProgressSinkFactory {
public:
    ProgressSink& CreateProgress() override { return *this; }
    void SetCaption(const QString&) override {}
    void Show() override {}
    void AddLine(const QString& text) override { WriteNativeLine(stdout, text); }
    void ProcessPendingEvents() override { std::fflush(stdout); }
    // platform::InterruptRequested, also in the middle of a file: a copy then fails at once.
    bool Stopped() const override;
    bool Interrupted() const override { return Stopped(); }
    void Finish() override { std::fflush(stdout); }
};
