// Copy and rename pages of the main window.
#include "app/ui/TfrmMain.h"

void TfrmMain::connectBatchCommands()
{
}
