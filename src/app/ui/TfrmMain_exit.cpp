// The exit confirmation of the main window. closeEvent asks it for every way of closing
// (the Exit action, the title bar, the window manager).
#include "app/ui/TfrmMain.h"
#include "widgets/ui/arMessageBox.h"

using namespace Qt::StringLiterals;

// "Yes" (index 0) lets the window close. The box closed without a button gives its default,
// also 0, so the program exits then too; "No" keeps everything as it was.
bool TfrmMain::FormCloseQuery()
{
    return arMessageBox(u"Confirmation"_s, u"Exit from application?"_s, {u"Yes"_s, u"No"_s}, miQuestion) == 0;
}
