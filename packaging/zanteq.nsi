; Installer of ZANTEQ Setup. packaging/make-installer builds it:
;   makensis -DVERSION=1.0 -DVERSION_QUAD=1.0.0.0 -DFILES=files.nsh -DOUTFILE=out.exe zanteq.nsi
; FILES defines the macros zanteq_install_files and zanteq_remove_files from
; the staged install tree, so the installer holds exactly what the install
; rules name.
;
; Per machine into Program Files when the user can elevate, per user into
; %LOCALAPPDATA%\Programs otherwise (or with /CurrentUser). The uninstaller
; removes only what the installer put there: the user's .dat files, wherever
; they are, and %APPDATA%\ZANTEQ\zanteq.ini stay.

; The 64-bit stub: our program is 64-bit, and a 32-bit installer would not
; even start on a 64-bit-only Wine.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "ZANTEQ Setup"
!define PUBLISHER "ZANTEQ"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZANTEQ Setup"
!define SHORTCUT "$SMPROGRAMS\ZANTEQ Setup.lnk"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "ZANTEQ Setup"
; An update goes where the installed version is, in its scope.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILES}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} installer"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "(C) ${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}/../win32/resources/zanteq.ico"
!define MUI_UNICON "${__FILEDIR__}/../win32/resources/zanteq.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\zanteq.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README-ja.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: it is the language of a system that is neither. A Japanese
; system gets the Japanese pages.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString program_running ${LANG_ENGLISH} "ZANTEQ Setup is running. Close it, then press Retry."
LangString program_running ${LANG_JAPANESE} "ZANTEQ Setup が起動しています。終了してから「再試行」を押してください。"

Var previous
Var chosen_folder

; A running zanteq.exe (it holds its single-instance mutex) cannot be
; replaced or removed: wait until the user closes it, or stop before
; anything is touched. A silent run stops at once.
!macro zanteq_wait_until_closed
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "ZANTEQ VEZ_O_Mutex") p .r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(program_running)" /SD IDCANCEL IDCANCEL`
      SetErrorLevel 3
      Quit
    ${EndIf}
  ${Loop}
!macroend

Function .onInit
  ; A folder named with /D= wins over the mode's folder and over the folder
  ; of an installed version.
  StrCpy $chosen_folder $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $chosen_folder != ""
    StrCpy $INSTDIR $chosen_folder
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; Remove the installation this uninstaller belongs to: per user when the
  ; user's own entry names this folder, even for a user who could elevate.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${EndIf}
FunctionEnd

Section "ZANTEQ Setup" main
  SectionIn RO
  !insertmacro zanteq_wait_until_closed
  ; An installed version (older or not) goes first, through its own
  ; uninstaller, which leaves the user's files; so nothing of it stays
  ; behind and nothing is asked.
  ReadRegStr $previous SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $previous != ""
  ${AndIf} ${FileExists} "$previous\uninstall.exe"
    InitPluginsDir
    CopyFiles /SILENT "$previous\uninstall.exe" "$PLUGINSDIR\previous-uninstall.exe"
    ExecWait '"$PLUGINSDIR\previous-uninstall.exe" /S _?=$previous'
    Delete "$PLUGINSDIR\previous-uninstall.exe"
  ${EndIf}

  !insertmacro zanteq_install_files
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\zanteq.exe" "" "$INSTDIR\zanteq.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zanteq.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  !insertmacro zanteq_wait_until_closed
  !insertmacro zanteq_remove_files
  Delete "$INSTDIR\uninstall.exe"
  ; Stays while it holds files of the user's own, such as saved .dat files.
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
