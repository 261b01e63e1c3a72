; The Windows installer: the folder the zip is made of, installed for the current user (no
; administrator needed) or for all users, with Start-menu entries and an uninstaller that removes
; the installed files only, so that what the user made there (run records, own modem types) stays.
;   makensis -DVERSION=1.0 -DSOURCE=<program folder> -DFILES=<removal list> -DICON=<.ico>
;            -DLICENCE=<licence text> -DOUTFILE=<setup.exe> installer.nsi
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

Var ChosenFolder

Function .onInit
  ; The mode's default folder must not replace one given with /D=.
  StrCpy $ChosenFolder $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $ChosenFolder != ""
    StrCpy $INSTDIR $ChosenFolder
  ${EndIf}
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Quillon"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*"
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
  ; Only what the installer put there: a folder that still holds something of the user's stays.
  !include "${FILES}"
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
