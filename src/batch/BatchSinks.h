#pragma once
// What a batch run reports to: a progress sink for its log, created through a factory only
// once the run has passed its checks, and a message sink for the few messages shown before any
// log window exists. The dialogs implement them in the view layer; tests and the command-line
// tool bring their own.

#include <QString>

class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    virtual void SetCaption(const QString& caption) = 0;
    virtual void Show() = 0;
    // Appends one log line; " " is the blank separator line.
    virtual void AddLine(const QString& text) = 0;
    // Lets pending window events run (repaint, a Cancel click); called once before each file.
    virtual void ProcessPendingEvents() = 0;
    // True once the user asked to stop (or the run has finished). Asked between files: the file
    // being worked on is finished first.
    virtual bool Stopped() const = 0;
    // True when the run must stop even in the middle of a file (a termination request to the
    // command-line tool): a copy then fails and leaves nothing behind. A window never asks this.
    virtual bool Interrupted() const { return false; }
    // How far the file loop is: `done` of `total` files handled. Called with 0 before the first
    // file and after each one; a log window shows it, a console keeps its output to the log.
    virtual void SetProgress(qsizetype done, qsizetype total)
    {
        (void)done;
        (void)total;
    }
    // The run is over: no more lines follow. The sink may go away any time after this call.
    virtual void Finish() = 0;
};

class ProgressSinkFactory {
public:
    virtual ~ProgressSinkFactory() = default;
    // A new, not yet shown sink. It stays valid at least until its Finish has been called; the
    // run never frees it.
    virtual ProgressSink& CreateProgress() = 0;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // An information message with a single "Ok" button; returns when the user has seen it.
    virtual void Information(const QString& caption, const QString& text) = 0;
};

// How a run ended, for callers that need more than the log (the command-line tool).
struct RunResult {
    bool started = false;   // false: a check failed before the log was opened
    bool cancelled = false; // the user stopped the run before its last file
    int succeeded = 0;
    int failed = 0;
};
