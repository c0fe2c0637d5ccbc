; A real NSIS installer for the uninstall tests and the demo: it installs a few files into
; Program Files, the usual vendor keys and an Uninstall entry whose uninstaller is NSIS's own
; (which copies itself to %TEMP% and hands over to that copy, as every NSIS uninstaller does).
; Built 64-bit: the machines the tests run on have no 32-bit Wine.
Unicode true
Target amd64-unicode
Name "Purgeon NSIS Sample"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\PurgeonNsisSample"
RequestExecutionLevel admin
AutoCloseWindow true
ShowUninstDetails hide

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PurgeonNsisSample"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetRegView 64
  SetOutPath "$INSTDIR"
  FileOpen $0 "$INSTDIR\readme.txt" w
  FileWrite $0 "Purgeon NSIS sample$\r$\n"
  FileClose $0
  CreateDirectory "$INSTDIR\data"
  FileOpen $0 "$INSTDIR\data\settings.ini" w
  FileWrite $0 "[settings]$\r$\nlevel=1$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Purgeon NSIS Sample"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Purgeon Sample Software"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "Software\Purgeon Sample Software\PurgeonNsisSample" "Path" "$INSTDIR"
  WriteRegStr HKCU "Software\PurgeonNsisSample" "LastRun" "never"
SectionEnd

; Removes what it installed but, like many real uninstallers, leaves the user's settings and
; its vendor key behind.
Section "Uninstall"
  SetAutoClose true
  SetRegView 64
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
