#pragma once
// The "Update drafts" page (`tbshUpdateDrafts`): updates the outdated drawing views of every
// checked draft through Solid Edge.

#include "app/ui/OperationPage.h"

class UpdateDraftsPage : public OperationPage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateDraftsPage)
public:
    UpdateDraftsPage(FileListModel& files, QAction* actUpdateDrafts, QWidget* parent = nullptr);

    // "Update drafts": updates the views of every checked draft through Solid Edge.
    void actUpdateDraftsExecute();
};
