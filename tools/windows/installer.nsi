; The Windows installer: the folder the zip is made of, installed for the current user (no
; administrator needed) or for all users, with Start-menu entries and an uninstaller. The programs
; are replaced by every install; the catalogue and the type folders are written only where they
; are missing or as an earlier install left them, and removed only as installed, so that what the
; user changed or made there stays. The user's own modem types belong in
; %LOCALAPPDATA%\quillon\types, which no install or uninstall touches. One installation per mode:
; an earlier one of the same mode in another folder is uninstalled first.
;   makensis -DVERSION=1.0 -DSOURCE=<program folder> -DINSTALL_FILES=<install list>
;            -DREMOVE_FILES=<removal list> -DICON=<.ico> -DLICENCE=<licence text>
;            -DOUTFILE=<setup.exe> installer.nsi
; Silent use: setup.exe /S [/CurrentUser | /AllUsers] [/D=C:\folder]
;             uninstall.exe /S (the mode of the installation is part of its registered command)
; A 64-bit installer, as the programs are: it runs where they can run, and sees the registry and
; the program folder that they see.
Target amd64-unicode
SetCompressor /SOLID lzma

!define NAME "Quillon"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"
!define SETTINGS_KEY "Software\Quillon"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "${NAME}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!define MULTIUSER_INSTALLMODE_FUNCTION KeepChosenFolder
!include MultiUser.nsh
!include MUI2.nsh

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${NAME}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${NAME} setup"
VIAddVersionKey /LANG=0 "CompanyName" "Quillon developers"
VIAddVersionKey /LANG=0 "LegalCopyright" "(c) 2026 Quillon developers, MIT licence"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillon.exe"
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
; The uninstaller speaks the language chosen at installation and finds its shortcuts by it.
!define MUI_LANGDLL_REGISTRY_ROOT SHCTX
!define MUI_LANGDLL_REGISTRY_KEY "${SETTINGS_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Language"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the default where Windows speaks neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString ConsoleShortcut ${LANG_ENGLISH} "Quillon console (quillon-flash)"
LangString ConsoleShortcut ${LANG_RUSSIAN} "Консоль Quillon (quillon-flash)"
; The station's entry has one name in every language, the one its window's title begins with.
!define STATION_SHORTCUT "Quillon — станция"
LangString ReadmeShortcut ${LANG_ENGLISH} "Read me"
LangString ReadmeShortcut ${LANG_RUSSIAN} "Прочтите"
LangString FinishText ${LANG_ENGLISH} "Quillon is installed.$\r$\n$\r$\nPut your own modem types \
  (a Quillon_dir.ini and its type folders) in %LOCALAPPDATA%\quillon\types: no install, update \
  or uninstall touches that folder."
LangString FinishText ${LANG_RUSSIAN} "Quillon установлен.$\r$\n$\r$\nСвои типы модемов \
  (Quillon_dir.ini и папки типов) кладите в %LOCALAPPDATA%\quillon\types: ни установка, ни \
  обновление, ни удаление эту папку не трогают."

; Where each data file's last-write time is kept as the installer left it: a file whose time is
; still that is unchanged.
!define DATA_STAMPS "$INSTDIR\installed-data.ini"

; A data file (catalogue, profile, compiled file): written where there is none, or where there is
; one as an earlier install left it; one that differs (edited by the user, or never ours) stays.
!macro InstallData FILE
  StrCpy $1 "write"
  ${If} ${FileExists} "$INSTDIR\${FILE}"
    ClearErrors
    GetFileTime "$INSTDIR\${FILE}" $2 $3
    ReadINIStr $4 "${DATA_STAMPS}" "unchanged" "${FILE}"
    ${If} ${Errors}
    ${OrIf} "$2 $3" != $4
      StrCpy $1 "keep"
    ${EndIf}
  ${EndIf}
  ${If} $1 == "write"
    File "/oname=$INSTDIR\${FILE}" "${SOURCE}\${FILE}"
    GetFileTime "$INSTDIR\${FILE}" $2 $3
    WriteINIStr "${DATA_STAMPS}" "unchanged" "${FILE}" "$2 $3"
  ${Else}
    DeleteINIStr "${DATA_STAMPS}" "unchanged" "${FILE}"
  ${EndIf}
!macroend

; A data file goes with the installation only as the installer left it.
!macro RemoveData FILE
  ClearErrors
  GetFileTime "$INSTDIR\${FILE}" $2 $3
  ReadINIStr $4 "${DATA_STAMPS}" "unchanged" "${FILE}"
  ${IfNot} ${Errors}
  ${AndIf} "$2 $3" == $4
    Delete "$INSTDIR\${FILE}"
  ${EndIf}
!macroend

Var ChosenFolder

Function .onInit
  ; A folder given with /D= holds whatever mode is chosen, on the command line or on the page.
  StrCpy $ChosenFolder $INSTDIR
  !insertmacro MULTIUSER_INIT
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

; Called whenever the mode is set, which puts the mode's folder (or its earlier installation's)
; into $INSTDIR.
Function KeepChosenFolder
  ${If} $ChosenFolder != ""
    StrCpy $INSTDIR $ChosenFolder
  ${EndIf}
FunctionEnd

; An earlier installation of this mode in another folder is uninstalled first, as its own
; uninstaller does it, so that there is one installation with its one uninstall entry.
Function RemoveEarlierInstallation
  ReadRegStr $0 SHCTX "${SETTINGS_KEY}" "InstallDir"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /$MultiUser.InstallMode /S _?=$0'
    ; Run in place, the uninstaller cannot remove itself.
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Quillon"
  Call RemoveEarlierInstallation
  SetOutPath "$INSTDIR"
  !include "${INSTALL_FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The console opens in the program's folder with the runner's help, ready for a command.
  CreateDirectory "$SMPROGRAMS\${NAME}"
  CreateShortcut "$SMPROGRAMS\${NAME}\${NAME}.lnk" "$INSTDIR\quillon.exe"
  CreateShortcut "$SMPROGRAMS\${NAME}\${STATION_SHORTCUT}.lnk" "$INSTDIR\quillon.exe" "--station"
  CreateShortcut "$SMPROGRAMS\${NAME}\$(ConsoleShortcut).lnk" "$SYSDIR\cmd.exe" \
    "/k quillon-flash.exe --help" "$INSTDIR\quillon-flash.exe"
  CreateShortcut "$SMPROGRAMS\${NAME}\$(ReadmeShortcut).lnk" "$INSTDIR\README.txt"

  WriteRegStr SHCTX "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Quillon developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillon.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Only what the installer put there as it is: a folder that still holds something of the
  ; user's stays.
  !include "${REMOVE_FILES}"
  Delete "${DATA_STAMPS}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${NAME}\${NAME}.lnk"
  Delete "$SMPROGRAMS\${NAME}\${STATION_SHORTCUT}.lnk"
  Delete "$SMPROGRAMS\${NAME}\$(ConsoleShortcut).lnk"
  Delete "$SMPROGRAMS\${NAME}\$(ReadmeShortcut).lnk"
  RMDir "$SMPROGRAMS\${NAME}"

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "${SETTINGS_KEY}"
SectionEnd
