#pragma once
// The "Document properties" page (`tbshDocProperties`): starts the editor of the checked
// documents' custom properties, and takes the last property save back.

#include "app/ui/OperationPage.h"

class Desktop;

class DocPropertiesPage : public OperationPage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocPropertiesPage)
public:
    DocPropertiesPage(FileListModel& files, Desktop& desktop, QAction* actDocPropEdit, QAction* actUndoPropertySave,
                      QWidget* parent = nullptr);

    // "Edit list": the property editor over the checked files (TfrmChangeCustomProp::Execute).
    void actDocPropEditExecute();
    // "Undo last property save": the documents of the last property save (of the editor or of
    // `docprops apply`) get the custom properties they had before it, with a log window.
    void actUndoPropertySaveExecute();

private:
    Desktop& m_desktop;
};
