#pragma once
// The message boxes of a batch run in a console: each message becomes a line on standard error.

#include "batch/BatchSinks.h"

namespace console {

class ConsoleMessages : public MessageSink {
public:
    enum Lines {
        PlainLines, // the message as it stands ("There is no rename to undo.")
        NamedLines, // after the tool's name, as its other errors (`Error`)
    };
    explicit ConsoleMessages(Lines lines) : m_lines(lines) {}

    void Information(const QString& caption, const QString& text) override;

    // Whether a message was written (a run that shows one ends before it begins).
    bool Shown() const { return m_shown; }

private:
    Lines m_lines;
    bool m_shown = false;
};

} // namespace console
