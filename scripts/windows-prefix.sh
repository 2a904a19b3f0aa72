#!/usr/bin/env bash
# Makes the Wine prefix $WINEPREFIX ready for the Windows lane:
#
#   scripts/windows-prefix.sh FakeSolidEdge.dll
#
# - creates it when it is missing (64-bit, no Mono or Gecko installers);
# - registers the recording COM server FakeSolidEdge.dll as "SolidEdge.Application";
# - gives it a printer, "KRDL Test Printer" (Wine PostScript driver, port FILE:), as the default
#   one: Wine lists only the printers of a CUPS server, and this machine may have none.
set -euo pipefail
: "${WINEPREFIX:?}"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  # Let the prefix's first start (services, the running object table) finish before any test.
  wineserver -w
fi
wine regsvr32 /s "$(winepath -w "$1")" 2>/dev/null
printer='KRDL Test Printer'
key="HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\$printer"
wine reg add "$key" /v Name /d "$printer" /f >/dev/null
wine reg add "$key" /v Port /d FILE: /f >/dev/null
wine reg add "$key" /v "Printer Driver" /d "Wine PostScript Driver" /f >/dev/null
wine reg add "HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows" /v Device \
  /d "$printer,winspool,FILE:" /f >/dev/null
