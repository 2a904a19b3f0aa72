#pragma once
// The fixture of the batch runs and their undos: a temporary folder for the files, a private
// undo journal, recording sinks, and a rename run to take back.

#include "batch/TarRenameFiles.h"

#include "FakeSinks.h"
#include "../journal/PrivateJournal.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid() && privateJournal.home.isValid()); }
    QString path(const QString& rel) const { return tmp.filePath(rel); }
    // Writes Data to the file Rel (its folders made) and returns its path.
    QString file(const QString& rel, const QByteArray& data = "x")
    {
        testfiles::WriteBytes(path(rel), data);
        return path(rel);
    }
    // A batch rename of Sources, run.
    TarRenameFiles rename(const QStringList& sources, const QString& oldText, const QString& newText,
                          bool caseSensitive = true)
    {
        TarRenameFiles r(progress);
        r.sourceFiles = sources;
        r.oldText = oldText;
        r.newText = newText;
        r.caseSensitive = caseSensitive;
        r.Execute();
        return r;
    }

    QTemporaryDir tmp;
    PrivateJournal privateJournal;
    FakeProgressFactory progress;
    FakeMessages messages;
};
