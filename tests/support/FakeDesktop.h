#pragma once
// A desktop for view tests: the program lives where the test says, and the test answers the file
// dialogs and the folder browser. A dialog without an answer is cancelled.

#include "settings/ui/Desktop.h"

#include <functional>
#include <utility>

namespace testfiles {

class FakeDesktop final : public Desktop {
public:
    using FileDialogAnswer = std::function<QStringList(const FileDialogRequest& request)>;
    // Gets the title and the folder the browser starts at; sets the folder to choose, and
    // returns false to cancel.
    using FolderBrowserAnswer = std::function<bool(const QString& title, QString& folder)>;

    explicit FakeDesktop(QString programFileName) : m_programFileName(std::move(programFileName)) {}

    void AnswerFileDialogs(FileDialogAnswer answer) { m_fileDialogAnswer = std::move(answer); }
    void AnswerFolderBrowser(FolderBrowserAnswer answer) { m_folderBrowserAnswer = std::move(answer); }

    QString ProgramFileName() const override { return m_programFileName; }

protected:
    QStringList ChooseFiles(QWidget*, const FileDialogRequest& request) override
    {
        return m_fileDialogAnswer ? m_fileDialogAnswer(request) : QStringList();
    }
    bool ChooseFolder(QWidget*, const QString& title, QString& folder) override
    {
        return m_folderBrowserAnswer && m_folderBrowserAnswer(title, folder);
    }

private:
    QString m_programFileName;
    FileDialogAnswer m_fileDialogAnswer;
    FolderBrowserAnswer m_folderBrowserAnswer;
};

} // namespace testfiles
