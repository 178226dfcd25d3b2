; The Brushwright installer for 64-bit Windows. makensis gets VERSION (the program's
; version), STAGE (the folder holding what is installed), FILES (the list of the data
; files, made by scripts/package-windows: the macros INSTALL_DATA and UNINSTALL_DATA) and
; OUT (the installer to make).
;
; The uninstaller removes exactly the files the installer wrote, and a folder only when it
; is empty then: a user may have installed into a folder that already held a "data" folder
; of their own.
Unicode true
!include FileFunc.nsh
!include MUI2.nsh
!include "${FILES}"
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define KEY "Software\Velmora\Tamsin\"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brushwright"

Name "Brushwright ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Brushwright"

!define MUI_FINISHPAGE_TITLE "Brushwright is installed"
!define MUI_FINISHPAGE_TEXT "To make Brushwright your screen saver later, open Settings, \
  Personalisation, Lock screen, Screen saver (or the Screen Saver control panel), choose \
  Brushwright in the list and press OK. Its Settings button there sets the speed and \
  the delay.$\r$\n$\r$\nREADME.txt in $INSTDIR says more."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Brushwright"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${STAGE}\brushwright.scr"
  File "${STAGE}\bwtool.exe"
  File "${STAGE}\README.txt"
  !insertmacro INSTALL_DATA
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The saver finds its data through PATH.
  WriteRegStr HKLM "${KEY}" "PATH" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brushwright"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velmora"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\brushwright.scr",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; What was installed, in kilobytes (the folder may hold files of the user's own).
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${INSTALLED_KB}

  ; A silent install changes the screen saver only when asked with /SAVER.
  IfSilent 0 ask
    ${GetOptionsS} $CMDLINE "/SAVER" $0
    IfErrors done make_current
  ask:
  MessageBox MB_YESNO "Make Brushwright the current screen saver?" /SD IDNO IDNO done
  make_current:
  WriteRegStr HKCU "Control Panel\Desktop" "SCRNSAVE.EXE" "$INSTDIR\brushwright.scr"
  done:
SectionEnd

Section "Uninstall"
  SetRegView 64
  ; The screen saver setting goes only when it still names this saver.
  ReadRegStr $0 HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  StrCmp $0 "$INSTDIR\brushwright.scr" 0 +2
    DeleteRegValue HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  DeleteRegValue HKLM "${KEY}" "PATH"
  DeleteRegKey /ifempty HKLM "${KEY}"
  DeleteRegKey /ifempty HKLM "Software\Velmora"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  !insertmacro UNINSTALL_DATA
  Delete "$INSTDIR\brushwright.scr"
  Delete "$INSTDIR\bwtool.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
