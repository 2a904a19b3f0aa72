#pragma once
// The current printer of this run of the program: the printer last chosen for printing (the
// file-name report's print dialog, a batch print), and the system's default printer as long
// as none was. Print settings that offer a printer start from it.

#include <QString>

// The printer last chosen in this run, or the system's default printer (empty when there is
// none). The name may belong to a printer that has been removed since.
QString CurrentPrinterName();
// Records that `name` was chosen for printing; an empty name changes nothing.
void PrinterChosen(const QString& name);
