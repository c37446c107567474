; Installer of the Windows package: the wizard, the converter, the Russian texts and the two
; data files in one program folder, with its History and Template folders, a Start-menu
; shortcut and an uninstaller. Silent with /S; /D=FOLDER (last on the command line) chooses
; the folder. tools/make-setup.sh builds it; it is the setup.exe that the update check fetches.
;
; Defines (makensis -D...): DIST the package folder, OUTFILE the installer to write,
; VERSION the program's version, ICON the program's icon.

; The programs are x86-64, and so is the installer: it runs where they run.
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef DIST
  !define DIST "../dist/kovradesk"
!endif
!ifndef OUTFILE
  !define OUTFILE "../dist/setup.exe"
!endif
!ifndef VERSION
  !define VERSION "1.0.10.1"
!endif
!ifndef ICON
  !define ICON "../resources/kovradesk.ico"
!endif

!define PRODUCT "Kovra Converter"
!define COMPANY "Orvel Systems Inc."
; Beside the wizard's own settings ("...\kovradesk"), which an uninstall leaves alone.
!define APPKEY "Software\Orvel Systems Inc.\Kovra Converter Setup"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KovraConverter"
!define MENUDIR "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
; The update check downloads and starts "setup.exe": the name is part of that exchange, and
; makensis's warning about Windows's compatibility shims for such names is known.
!pragma warning disable 9000
OutFile "${OUTFILE}"
; Per user, without administrator rights: the wizard, the converter and the update check write
; into the program folder (History, the working copy, speed.raw, setup.exe), which a 64-bit
; program without rights may not do under Program Files.
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An update installs where the program already is.
InstallDirRegKey HKCU "${APPKEY}" "InstallDir"
RequestExecutionLevel user
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${COMPANY}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!define MUI_ICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\kovradesk.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The user interface language of the system chooses between the two.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

; The update check starts this installer from the running wizard, which ends about two seconds
; later: give it time, so that its files can be replaced.
!macro WaitForWizardToEnd
  StrCpy $1 0
  ${Do}
    FindWindow $0 "#32770" "${PRODUCT}"
    ${IfThen} $0 == 0 ${|} ${ExitDo} ${|}
    ${IfThen} $1 >= 100 ${|} ${ExitDo} ${|}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
!macroend

Section "Install"
  SetShellVarContext current
  !insertmacro WaitForWizardToEnd
  SetOutPath "$INSTDIR"
  File "${DIST}/kovradesk.exe"
  File "${DIST}/rawconv.exe"
  File "${DIST}/kovradesk_RUS.dll"
  File "${DIST}/Setting.ini"
  File "${DIST}/Language.txt"
  CreateDirectory "$INSTDIR\History"
  CreateDirectory "$INSTDIR\Template"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "${MENUDIR}"
  CreateShortcut "${MENUDIR}\${PRODUCT}.lnk" "$INSTDIR\kovradesk.exe"
  CreateShortcut "${MENUDIR}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${APPKEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\kovradesk.exe"
  WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put there and the update check's leftovers. The user's work stays:
; conversion workbooks in History, the template and working copies the user may have filled
; in; the folders go only when they are empty.
Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\kovradesk.exe"
  Delete "$INSTDIR\rawconv.exe"
  Delete "$INSTDIR\kovradesk_RUS.dll"
  Delete "$INSTDIR\Setting.ini"
  Delete "$INSTDIR\Language.txt"
  Delete "$INSTDIR\tmpVerion.ini"
  Delete "$INSTDIR\Setup.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\History"
  RMDir "$INSTDIR\Template"
  RMDir "$INSTDIR"

  Delete "${MENUDIR}\${PRODUCT}.lnk"
  Delete "${MENUDIR}\Uninstall ${PRODUCT}.lnk"
  RMDir "${MENUDIR}"
  DeleteRegKey HKCU "${UNINSTKEY}"
  DeleteRegKey HKCU "${APPKEY}"
SectionEnd
