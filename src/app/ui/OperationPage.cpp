#include "app/ui/OperationPage.h"

#include "filelist/ui/FileListModel.h"
#include "widgets/ui/ActionButton.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

OperationPage::OperationPage(const QString& name, FileListModel& files, QWidget* parent)
    : QWidget(parent), m_files(files)
{
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* group = new QGroupBox(this);
    layout->addWidget(group);
    m_content = new QVBoxLayout(group);
}

QLabel* OperationPage::AddNote(const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    m_content->addWidget(label);
    return label;
}

ActionButton* OperationPage::AddCommandButton(QAction* action, const QString& name)
{
    auto* button = new ActionButton(action, ActionButton::ShowHint, this);
    button->setObjectName(name);
    m_content->addWidget(button);
    return button;
}

QStringList OperationPage::CheckedFiles() const
{
    QStringList paths;
    m_files.List().CollectCheckedFiles(paths);
    return paths;
}
