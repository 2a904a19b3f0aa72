#pragma once
// The desktop the program runs on: Qt's file dialogs and the running executable.

#include "settings/ui/Desktop.h"

class SystemDesktop final : public Desktop {
public:
    QString ProgramFileName() const override;

protected:
    QStringList ChooseFiles(QWidget* owner, const FileDialogRequest& request) override;
    // Modal for the whole program, as the folder browser blocks every window while it is open.
    bool ChooseFolder(QWidget* owner, const QString& title, QString& folder) override;
};
