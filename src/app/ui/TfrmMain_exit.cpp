// The exit confirmation of the main window.
#include "app/ui/TfrmMain.h"
#include "widgets/ui/arMessageBox.h"

bool TfrmMain::FormCloseQuery()
{
    return arMessageBox("Confirmation", "Exit from application?", {"Yes", "No"}, miQuestion) == 0;
}
