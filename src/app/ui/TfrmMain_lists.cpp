// Folder search commands and list file commands of the main window.
#include "app/ui/TfrmMain.h"

void TfrmMain::connectListCommands()
{
}
