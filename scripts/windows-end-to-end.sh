#!/usr/bin/env bash
# The Windows program end to end under Wine, as a user meets it: run by ./test-windows.sh on a
# virtual X display (xvfb-run) after package-windows.sh, in a fresh Wine prefix of its own.
#
#   scripts/windows-end-to-end.sh BUILD REPORT
#
# Installs BUILD/package/KRDL-<version>-setup.exe silently for the current user; starts the
# installed KRDL.exe and finds its main window on the X display by its title; reads the registry
# values it wrote; starts it a second time without files (the single-instance message) and with a
# document (handed over through the pipe, listed by the first window); closes it through the exit
# question; runs docprops.exe and krdl-batch.exe from the zip on drive-letter paths and Central
# European names; presses Print and Update drafts (KRDL_START_ACTION) against the recording
# "SolidEdge.Application" server; uninstalls, and checks that nothing of the program is left while
# the user's settings and undo journal stay. Writes "ok <check>" or "FAILED <check>" lines to
# REPORT; exits 0 only when every check passed.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1
report=$2
: >"$report"
failures=0
pass() { echo "ok $*" | tee -a "$report"; }
fail() { echo "FAILED $*" | tee -a "$report"; failures=$((failures + 1)); }
# check DESCRIPTION COMMAND...: one line in the report.
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then pass "$what"; else fail "$what"; fi
}
# wait_for SECONDS COMMAND...: until the command succeeds.
wait_for() {
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < until)) || return 1
    sleep 0.5
  done
}

# A clean Windows: a new prefix, nothing on WINEPATH, UTF-8 command lines (Wine converts the
# arguments with the locale's character set).
export WINEPREFIX="$PWD/build-windows/wineprefix-e2e" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
unset WINEPATH QT_QPA_PLATFORM KRDL_CONFIG_HOME KRDL_DATA_HOME KRDL_RUNTIME_DIR
wineserver -k 2>/dev/null
rm -rf "$WINEPREFIX"
scripts/windows-prefix.sh "$build/bin/FakeSolidEdge.dll"
c=$WINEPREFIX/drive_c
winvar() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
# reg_value KEY NAME: the value's data; NAME "(Default)" for the key's default value.
reg_value() {
  local which=(/v "$2")
  [[ $2 == "(Default)" ]] && which=(/ve)
  wine reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
has_window() { xwininfo -root -tree | grep -qF "\"$1"; }
package=$build/package
if ! ls "$package"/KRDL-*-setup.exe "$package"/KRDL-*-win64.zip >/dev/null 2>&1; then
  fail "no setup program and zip in $package (package-windows.sh)"
  exit 1
fi
setup=$(ls "$package"/KRDL-*-setup.exe)
zip=$(realpath "$(ls "$package"/KRDL-*-win64.zip)")
portable=${zip%.zip}
olereader() { /usr/bin/python3 tests/compound/tools/olereader.py "$1"; }

# Scratch folder for logs, a D: drive, and the documents.
mkdir -p "$c/e2e" "$c/Načrti" "$WINEPREFIX/drive_d"
ln -sfn ../drive_d "$WINEPREFIX/dosdevices/d:"
cp tests/data/compound/gsf_cp1250.ole "$c/Načrti/Načrt.dft"
cp tests/data/compound/gsf_v3.ole "$c/Načrti/Ležaj.par"
logs='C:\e2e'
boxes="$c/e2e/boxes.log"
window_log="$c/e2e/window.log"
solidedge="$c/e2e/solidedge.log"

# --- Setup --------------------------------------------------------------------------------------
wine "$(winepath -w "$setup")" /S /CurrentUser
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KRDL'
inst_win=$(reg_value "$uninstall_key" InstallLocation)
inst=$(winepath -u "$inst_win" 2>/dev/null)
local_app_data=$(winvar LOCALAPPDATA)
app_data=$(winvar APPDATA)
check "setup installs for the current user into $inst_win" test "$inst_win" = "$local_app_data\\Programs\\KRDL"
check "the portable folder holds no test program and no import library" \
  test -z "$(find "$portable" -iname 'krdl_tests*' -o -name '*.a' -o -iname 'FakeSolidEdge*')"
check "setup installs exactly the portable folder and its uninstaller" \
  diff <(cd "$portable" && find . | sort) <(cd "$inst" && find . ! -name Uninstall.exe | sort)
start_menu="$(winepath -u "$app_data")/Microsoft/Windows/Start Menu/Programs/Velmar Solid Edge Utils.lnk"
check "Start menu entry" test -f "$start_menu"
for ext in .dft .par .asm .psm .pwd; do
  check "\"Open with\" offers the program for $ext" \
    wine reg query "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" /v KRDL.Document
done
check "\"Open with\" starts the installed program" \
  test "$(reg_value 'HKCU\Software\Classes\KRDL.Document\shell\open\command' '(Default)')" = "\"$inst_win\\KRDL.exe\" \"%1\""
exe="$inst_win\\KRDL.exe"

# --- First start, registry, single instance, hand-over -------------------------------------------
KRDL_MSGBOX_TIMEOUT=3 KRDL_MSGBOX_LOG="$logs\\boxes.log" KRDL_WINDOW_LOG="$logs\\window.log" wine "$exe" &
first=$!
title='Velmar solid edge utils STANDARD'
check "the installed KRDL.exe shows its main window \"$title ...\"" wait_for 90 has_window "$title"
check "registry: Location is the installed program" \
  test "$(reg_value 'HKCU\Software\KARDOLIN\Nastavitve' Location)" = "$exe"
check "registry: Handle is a decimal number" \
  grep -qxE '[0-9]+' <<<"$(reg_value 'HKCU\Software\KARDOLIN\Nastavitve' Handle)"

KRDL_MSGBOX_TIMEOUT=4 KRDL_MSGBOX_LOG="$logs\\boxes.log" wine "$exe" &
second=$!
check "a second start without files shows \"Application already running\"" \
  wait_for 60 has_window "Application already running"
wait "$second"
rc=$?
check "... which ends with exit code 0" test "$rc" = 0
check "... with the message and its one button" grep -qF \
  $'caption=Application already running\ttext=Instance of this application is already running!\tbuttons=Close' "$boxes"

wine "$exe" 'C:\Načrti\Načrt.dft'
rc=$?
check "a second start with a document ends with exit code 0" test "$rc" = 0
# The log writes a backslash doubled.
check "... and the first window lists the document" \
  wait_for 30 grep -qxF $'checked=1\tpath=C:\\\\Načrti\\\\Načrt.dft' "$window_log"
check "... the first instance still runs" kill -0 "$first"

wine taskkill /IM KRDL.exe >/dev/null 2>&1
wait_for 60 bash -c "! kill -0 $first 2>/dev/null"
wait "$first"
rc=$?
check "closing the window asks \"Exit from application?\"" grep -qF $'caption=Confirmation\ttext=Exit from application?' "$boxes"
check "... and the program ends with exit code 0" test "$rc" = 0
check "the window position is kept in %APPDATA%\\krdl\\KRDL.ini" \
  grep -q '^\[frmMain\]' "$(winepath -u "$app_data")/krdl/KRDL.ini"

# --- Print and Update drafts against the recording "SolidEdge.Application" ----------------------
# run_action ACTION: starts the installed program with the draft, presses ACTION's button, waits
# for the run to let Solid Edge go, then closes the program.
run_action() {
  rm -f "$solidedge"
  KRDL_MSGBOX_TIMEOUT=2 KRDL_START_ACTION=$1 KRDL_WINDOW_LOG="$logs\\window.log" \
    FAKE_SOLIDEDGE_LOG="$logs\\solidedge.log" wine "$exe" 'C:\Načrti\Načrt.dft' &
  local pid=$!
  wait_for 120 grep -q 'Application.Quit' "$solidedge"
  wine taskkill /IM KRDL.exe >/dev/null 2>&1
  wait_for 60 bash -c "! kill -0 $pid 2>/dev/null"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}
run_action actPrintFiles
check "Print: the window pressed its button" grep -qxF $'action=actPrintFiles\ttriggered=1' "$window_log"
for line in 'Application.Visible [put] named=-3 VT_BOOL:0' 'Documents.Open [method] VT_BSTR:C:\Načrti\Načrt.dft' \
            'Document(C:\Načrti\Načrt.dft).PrintOut [method] VT_BSTR|VT_BYREF:KRDL Test Printer ' \
            'Document(C:\Načrti\Načrt.dft).Close [method]' 'Application.Quit [method]'; do
  check "Print reaches Solid Edge: $line" grep -qF "$line" "$solidedge"
done
run_action actUpdateDrafts
check "Update drafts: the window pressed its button" grep -qxF $'action=actUpdateDrafts\ttriggered=1' "$window_log"
for line in 'Documents.Open [method] VT_BSTR:C:\Načrti\Načrt.dft' 'Document(C:\Načrti\Načrt.dft).ModelLinks' \
            'ModelLinks.Item [method] VT_I4:1' 'ModelLink(C:\Načrti\Načrt.par).UpdateViews [method]' \
            'Document(C:\Načrti\Načrt.dft).Save [method]' 'Application.Quit [method]'; do
  check "Update drafts reaches Solid Edge: $line" grep -qF "$line" "$solidedge"
done

# --- The tools, from the zip, on drive letters and Central European names -------------------------
(cd "$c" && unzip -q "$zip")
tools="C:\\$(basename "$portable")"
docprops() { wine "$tools\\docprops.exe" "$@" 2>&1 | tr -d '\r'; }
check "docprops show" test "$(docprops show 'C:\Načrti\Načrt.dft')" = $'Opis\tText\tŽaga\nMaterial\tText\tS235'
docprops set 'C:\Načrti\Načrt.dft' 'Opis=Čep 12' 'Izdelal=Đuro' >/dev/null
check "docprops set, read back by olefile" grep -qF '"value": "Čep 12"' <(olereader "$c/Načrti/Načrt.dft")
check "docprops show after set" grep -qxF $'Izdelal\tText\tĐuro' <(docprops show 'C:\Načrti\Načrt.dft')
docprops undo >/dev/null
# Names, types and values in order (the undo may number the properties anew).
properties() {
  olereader "$1" | /usr/bin/python3 -c 'import json, sys
print([(p["name"], p["vt"], p["value"]) for p in json.load(sys.stdin)["properties"]])'
}
check "docprops undo gives back the properties, read by olefile" \
  test "$(properties "$c/Načrti/Načrt.dft")" = "$(properties tests/data/compound/gsf_cp1250.ole)"
batch() { wine "$tools\\krdl-batch.exe" "$@" 2>&1 | tr -d '\r'; }
batch copy --to 'D:\Kopije' 'C:\Načrti\Načrt.dft' 'C:\Načrti\Ležaj.par' >/dev/null
check "krdl-batch copy from C: to D:" cmp "$c/Načrti/Ležaj.par" "$WINEPREFIX/drive_d/Kopije/Ležaj.par"
batch rename --old Načrt --new Skica 'D:\Kopije\Načrt.dft' >/dev/null
check "krdl-batch rename" test -f "$WINEPREFIX/drive_d/Kopije/Skica.dft" -a ! -e "$WINEPREFIX/drive_d/Kopije/Načrt.dft"
batch undo >/dev/null
check "krdl-batch undo" test -f "$WINEPREFIX/drive_d/Kopije/Načrt.dft" -a ! -e "$WINEPREFIX/drive_d/Kopije/Skica.dft"
report_errors=$(wine "$tools\\krdl-batch.exe" report --pdf 'C:\e2e\report.pdf' 'C:\Načrti\Načrt.dft' 2>&1 >/dev/null)
check "krdl-batch report writes the PDF, quietly" test -z "$report_errors"
check "... with the names as text (pdftotext)" grep -q '1\. Načrt.dft' <(pdftotext -layout "$c/e2e/report.pdf" -)

# --- Uninstall ------------------------------------------------------------------------------------
# The uninstaller runs on from a copy in the temporary folder; it is done when its folder is gone.
wine "$inst_win\\Uninstall.exe" /S
wait_for 120 bash -c "! test -e '$inst'"
check "uninstall leaves nothing in the install folder" test ! -e "$inst"
check "uninstall removes the Start menu entry" test ! -e "$start_menu"
check "uninstall removes its registry entries" bash -c "! wine reg query '$uninstall_key' && \
  ! wine reg query 'HKCU\\Software\\Classes\\.dft\\OpenWithProgids' /v KRDL.Document && \
  ! wine reg query 'HKCU\\Software\\Classes\\Applications\\KRDL.exe'"
check "uninstall keeps the settings in the registry" test "$(reg_value 'HKCU\Software\KARDOLIN\Nastavitve' Location)" = "$exe"
check "uninstall keeps the window position file" test -f "$(winepath -u "$app_data")/krdl/KRDL.ini"
check "uninstall keeps the undo journal" test -d "$(winepath -u "$local_app_data")/krdl/journal"
wineserver -k 2>/dev/null
echo "end to end: $(grep -c '^ok' "$report") checks passed, $failures failed"
((failures == 0))
