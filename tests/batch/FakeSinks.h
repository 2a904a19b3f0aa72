#pragma once
// Progress and message sinks that record what a run reports, with hooks to act in the middle
// of a run (press Cancel, put a file in the way).

#include "batch/BatchSinks.h"
#include "support/TestFiles.h" // prints QStrings in failure messages

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <memory>
#include <utility>
#include <vector>

class FakeProgress : public ProgressSink {
public:
    void SetCaption(const QString& c) override { caption = c; }
    void Show() override { ++shown; }
    void AddLine(const QString& text) override
    {
        EXPECT_EQ(finished, 0) << "line after Finish: " << text.toStdString();
        lines.append(text);
        if (onLine)
            onLine(text, *this);
    }
    void ProcessPendingEvents() override
    {
        ++processed;
        if (onProcess)
            onProcess(processed, *this);
    }
    void SetProgress(qsizetype done, qsizetype total) override { progress.emplace_back(done, total); }
    bool Stopped() const override { return stopped || interrupted; }
    bool Interrupted() const override { return interrupted; }
    void Finish() override
    {
        ++finished;
        stopped = true;
    }

    QString caption;
    QStringList lines;
    std::vector<std::pair<qsizetype, qsizetype>> progress; // every SetProgress: done, total
    int shown = 0;
    int processed = 0;
    int finished = 0;
    bool stopped = false;
    bool interrupted = false; // a termination request: seen in the middle of a file too
    // Called with the number of this call (from 1); may set stopped, like a Cancel click.
    std::function<void(int, FakeProgress&)> onProcess;
    // Called after every line is added.
    std::function<void(const QString&, FakeProgress&)> onLine;
};

class FakeProgressFactory : public ProgressSinkFactory {
public:
    ProgressSink& CreateProgress() override
    {
        sinks.push_back(std::make_unique<FakeProgress>());
        if (prepare)
            prepare(*sinks.back());
        return *sinks.back();
    }
    FakeProgress& only()
    {
        EXPECT_EQ(sinks.size(), 1u);
        return *sinks.front();
    }

    std::vector<std::unique_ptr<FakeProgress>> sinks;
    std::function<void(FakeProgress&)> prepare;
};

class FakeMessages : public MessageSink {
public:
    void Information(const QString& caption, const QString& text) override { shown.emplace_back(caption, text); }
    std::vector<std::pair<QString, QString>> shown;
};
