#pragma once
// The "Document properties" page (`tbshDocProperties`): starts the editor of the checked
// documents' custom properties.

#include "app/ui/OperationPage.h"

class DocPropertiesPage : public OperationPage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocPropertiesPage)
public:
    DocPropertiesPage(FileListModel& files, QAction* actDocPropEdit, QWidget* parent = nullptr);

    // "Edit list": the property editor over the checked files (TfrmChangeCustomProp::Execute).
    void actDocPropEditExecute();
};
