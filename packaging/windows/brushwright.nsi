; The Brushwright installer for 64-bit Windows. makensis gets VERSION (the program's
; version), STAGE (the folder holding what is installed) and OUT (the installer to make).
Unicode true
!include FileFunc.nsh
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define KEY "Software\Velmora\Tamsin\"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brushwright"

Name "Brushwright ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Brushwright"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Brushwright"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${STAGE}\brushwright.scr"
  File "${STAGE}\bwtool.exe"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\data"
  File /r "${STAGE}\data\*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The saver finds its data through PATH.
  WriteRegStr HKLM "${KEY}" "PATH" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brushwright"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'

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
  RMDir /r "$INSTDIR\data"
  Delete "$INSTDIR\brushwright.scr"
  Delete "$INSTDIR\bwtool.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
