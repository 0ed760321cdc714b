; The Windows installer: Tamsel and Quorvi with their data files in one folder, for the current
; user (under the user's own programs folder) or for all users (under Program Files), with
; Start-menu entries and an uninstaller that removes exactly what was installed.
; Made by tools/windows/release.sh, which defines VERSION, SOURCE (the laid-out folder), LISTS
; (the files and folders to remove), ICONS and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Tamsel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SETTINGS_KEY "Software\${PRODUCT}\Install"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "Mode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "Folder"
!include MultiUser.nsh
!include MUI2.nsh
!include x64.nsh

Name "Tamsel VB 学习参考"
OutFile "${OUTFILE}"
!define MUI_ICON "${ICONS}\tamsel.ico"
!define MUI_UNICON "${ICONS}\tamsel.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tamsel.exe"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "Tamsel VB 学习参考"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Tamsel VB 学习参考 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "Tamsel"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "本程序只能安装在 64 位的 Windows 上。" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Tamsel"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Tamsel"
  CreateShortcut "$SMPROGRAMS\Tamsel\Tamsel VB 学习参考.lnk" "$INSTDIR\Tamsel.exe" "" "$INSTDIR\Tamsel.exe" 0
  CreateShortcut "$SMPROGRAMS\Tamsel\Quorvi VB 考试.lnk" "$INSTDIR\Quorvi.exe" "" "$INSTDIR\Quorvi.exe" 0

  WriteRegStr SHCTX "${SETTINGS_KEY}" "Mode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${SETTINGS_KEY}" "Folder" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Tamsel VB 学习参考"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tamsel.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Tamsel"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Tamsel\Tamsel VB 学习参考.lnk"
  Delete "$SMPROGRAMS\Tamsel\Quorvi VB 考试.lnk"
  RMDir "$SMPROGRAMS\Tamsel"
!include "${LISTS}\files.nsh"
  ; What the programs leave beside the bank while they run, and the older bank the first
  ; conversion keeps.
  Delete "$INSTDIR\shiti.mdb-journal"
  Delete "$INSTDIR\shiti.mdb-wal"
  Delete "$INSTDIR\shiti.mdb-shm"
!include "${LISTS}\dirs.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "${SETTINGS_KEY}"
  DeleteRegKey /ifempty SHCTX "Software\${PRODUCT}"
SectionEnd
