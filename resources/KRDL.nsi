; The setup program of Velmar Solid Edge Utils, made by package-windows.sh with NSIS:
;
;   makensis -DPORTABLE=<portable folder> -DFILES=<folder with the generated file lists>
;            -DOUTFILE=<setup.exe> KRDL.nsi
;
; PORTABLE holds what is installed (the programs, Qt's and the MinGW runtime's DLLs, Qt's
; plugins, KRDL.ini, propseed.txt); FILES holds install-files.nsh and uninstall-files.nsh, the
; File and Delete lines for exactly those files. The version comes from KRDL.exe's own version
; resource and the icon is the program's.
;
; Installs for the current user (no administrator rights; %LOCALAPPDATA%\Programs\KRDL) or, for an
; administrator who chooses so, for all users (Program Files); silently with /S and /CurrentUser or
; /AllUsers. Adds a Start menu entry and "Open with" for the five document types. The uninstaller
; removes every file the setup installed, the Start menu entry and the registry entries it made;
; the user's settings (the registry key Software\KARDOLIN, %APPDATA%\krdl) and undo journal
; (%LOCALAPPDATA%\krdl) stay.

; A 64-bit setup program for the 64-bit program (Debian's NSIS has the amd64 stubs).
Target amd64-unicode
SetCompressor /SOLID lzma

!getdllversion "${PORTABLE}/KRDL.exe" KRDL_VERSION_
!define VERSION "${KRDL_VERSION_1}.${KRDL_VERSION_2}"
!ifndef PRODUCT
  !error "PRODUCT: the program's name (package-windows.sh passes it)"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KRDL"
!define PROGID "KRDL.Document"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "KRDL"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_MUI
!include MultiUser.nsh
!include MUI2.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${KRDL_VERSION_1}.${KRDL_VERSION_2}.${KRDL_VERSION_3}.${KRDL_VERSION_4}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "KARDOLIN"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ICON "${__FILEDIR__}/KRDL.ico"
!define MUI_UNICON "${__FILEDIR__}/KRDL.ico"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

!macro OpenWith EXT
  WriteRegStr SHCTX "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\Applications\KRDL.exe\SupportedTypes" "${EXT}" ""
!macroend

!macro RemoveOpenWith EXT
  DeleteRegValue SHCTX "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\${EXT}"
!macroend

Section "Install"
  SetOutPath "$INSTDIR"
  !include "${FILES}/install-files.nsh"
  ; The program writes its folders last used into KRDL.ini beside it: in Program Files every
  ; user may change that one file.
  ${If} $MultiUser.InstallMode == "AllUsers"
    nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\KRDL.ini" /grant *S-1-5-32-545:M'
    Pop $0
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\KRDL.exe"

  ; "Open with": the program takes the files as arguments (several starts hand theirs to the first).
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "Solid Edge document"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\KRDL.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\KRDL.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\Applications\KRDL.exe" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr SHCTX "Software\Classes\Applications\KRDL.exe\shell\open\command" "" '"$INSTDIR\KRDL.exe" "%1"'
  !insertmacro OpenWith ".dft"
  !insertmacro OpenWith ".par"
  !insertmacro OpenWith ".asm"
  !insertmacro OpenWith ".psm"
  !insertmacro OpenWith ".pwd"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "KARDOLIN"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\KRDL.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  !include "${FILES}/uninstall-files.nsh"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: what the user put there stays.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro RemoveOpenWith ".dft"
  !insertmacro RemoveOpenWith ".par"
  !insertmacro RemoveOpenWith ".asm"
  !insertmacro RemoveOpenWith ".psm"
  !insertmacro RemoveOpenWith ".pwd"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegKey SHCTX "Software\Classes\Applications\KRDL.exe"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
