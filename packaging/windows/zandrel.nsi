; The installer for Windows players. zandrel works on the installation it
; stands in, so everything goes into the game's folder, which the player picks.
; It runs with the player's own rights and asks for administrator rights only
; when that folder is not writable without them. An update writes over our
; files and nothing else; the uninstaller removes exactly the files of
; FILES, so the game, its mods and the player's settings
; (switcher.ini, varnok.ini, varnok.LOG, zandrel\lang.ini) always stay.
;
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder> -DFILES=<list.nsh> -DICON=<ico>
;            -DOUTFILE=<setup.exe> zandrel.nsi
;
; STAGE holds the files as they lie in the game's folder; FILES names each of
; them on a line of its own: !insertmacro ${ZANDREL_FILE} "zandrel\lang\English.ini".
Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | FILES | ICON | OUTFILE
  !error "give VERSION, STAGE, FILES, ICON and OUTFILE with -D"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zandrel"
!define UNINSTALLER "Uninstall-zandrel.exe"
; Where the game's folder has the game's program.
!define GAME_PROGRAM "game\code\release\game_exe.exe"

Name "Zandrel ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir ""
BrandingText "Zandrel ${VERSION}"
ShowInstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Zandrel"
VIAddVersionKey /LANG=1033 "FileDescription" "Zandrel and Varnok setup"
VIAddVersionKey /LANG=1033 "CompanyName" "The zandrel developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 The zandrel developers"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the game's folder: the one that holds the game's folders $\"game$\" and $\"editor$\". Zandrel works on the installation it stands in, and varnok keeps its settings and log beside itself."
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\zandrel.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; "user": this account's Start menu and uninstall entry (HKCU); "all": an
; install that needed administrator rights (HKLM, every account's menu).
Var Scope

!macro ZANDREL_INSTALL_FILE path
  File "/oname=$INSTDIR\${path}" "${STAGE}\${path}"
!macroend
!macro ZANDREL_REMOVE_FILE path
  Delete "$INSTDIR\${path}"
!macroend

Function .onInit
  StrCpy $Scope "user"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ELEVATED" $1
  ${IfNot} ${Errors}
    StrCpy $Scope "all"
    SetShellVarContext all
  ${EndIf}
  ; An update goes where the last install went.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} ${Silent}
    ${If} $INSTDIR == ""
      ; A silent first install needs /D=<the game's folder>.
      SetErrorLevel 2
      Quit
    ${EndIf}
    Call CheckFolder
  ${EndIf}
FunctionEnd

; Warns when the folder holds no game, and moves to administrator rights when
; the folder is not writable with the player's own.
Function CheckFolder
  ${IfNot} ${FileExists} "$INSTDIR\${GAME_PROGRAM}"
    MessageBox MB_YESNO|MB_ICONEXCLAMATION "The folder$\r$\n$INSTDIR$\r$\nholds no game ($\"${GAME_PROGRAM}$\" is missing). Zandrel works only in the game's folder.$\r$\n$\r$\nInstall here anyway?" /SD IDYES IDYES +2
    Abort
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    Return
  ${EndIf}
  ClearErrors
  FileOpen $0 "$INSTDIR\zandrel-setup-write-test.tmp" w
  ${IfNot} ${Errors}
    FileClose $0
    Delete "$INSTDIR\zandrel-setup-write-test.tmp"
    Return
  ${EndIf}
  ${If} $Scope == "all"
    MessageBox MB_OK|MB_ICONSTOP "The folder$\r$\n$INSTDIR$\r$\ncannot be written, even with administrator rights." /SD IDOK
    ${If} ${Silent}
      SetErrorLevel 5
      Quit
    ${EndIf}
    Abort
  ${EndIf}
  MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Only an administrator can write into$\r$\n$INSTDIR$\r$\nWindows will now ask for administrator rights." /SD IDOK IDOK +2
  Abort
  ${If} ${Silent}
    ExecShell "runas" "$EXEPATH" "/S /ELEVATED /D=$INSTDIR"
  ${Else}
    ExecShell "runas" "$EXEPATH" "/ELEVATED /D=$INSTDIR"
  ${EndIf}
  Quit
FunctionEnd

Section "Zandrel and Varnok" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  CreateDirectory "$INSTDIR\zandrel\lang"
  !define ZANDREL_FILE ZANDREL_INSTALL_FILE
  !include "${FILES}"
  !undef ZANDREL_FILE
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
SectionEnd

Section "Start menu entries" SecMenu
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\Zandrel"
  CreateShortcut "$SMPROGRAMS\Zandrel\Zandrel.lnk" "$INSTDIR\zandrel.exe"
  CreateShortcut "$SMPROGRAMS\Zandrel\Varnok.lnk" "$INSTDIR\varnok.exe"
  CreateShortcut "$SMPROGRAMS\Zandrel\Uninstall.lnk" "$INSTDIR\${UNINSTALLER}"
SectionEnd

Section "Desktop shortcut" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\Zandrel.lnk" "$INSTDIR\zandrel.exe"
SectionEnd

; The uninstall entry last, when every file is in place.
Section "-Uninstall entry"
  SectionGetSize ${SecMain} $0
  ${If} $Scope == "all"
    SetRegView 64
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zandrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zandrel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The zandrel developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\${UNINSTALLER}$\""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\${UNINSTALLER}$\" /S"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${Else}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Zandrel"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zandrel.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The zandrel developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\${UNINSTALLER}$\""
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\${UNINSTALLER}$\" /S"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "zandrel.exe, varnok.exe, kessit.dll and the language files, in the game's folder."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMenu} "Zandrel, Varnok and Uninstall in the Start menu."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A Zandrel shortcut on the desktop."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The uninstaller belongs to the folder it lies in. An install made with
; administrator rights is removed with them.
Function un.onInit
  StrCpy $Scope "user"
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != $INSTDIR
    SetRegView 64
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
      StrCpy $Scope "all"
      SetShellVarContext all
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !define ZANDREL_FILE ZANDREL_REMOVE_FILE
  !include "${FILES}"
  !undef ZANDREL_FILE
  ; Only when empty: zandrel\lang.ini, another language file or the
  ; player's own files keep them.
  RMDir "$INSTDIR\zandrel\lang"
  RMDir "$INSTDIR\zandrel"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  ; Shortcuts and the entry only when they are this folder's.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $Scope == "all"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $0 == $INSTDIR
    Delete "$SMPROGRAMS\Zandrel\Zandrel.lnk"
    Delete "$SMPROGRAMS\Zandrel\Varnok.lnk"
    Delete "$SMPROGRAMS\Zandrel\Uninstall.lnk"
    RMDir "$SMPROGRAMS\Zandrel"
    Delete "$DESKTOP\Zandrel.lnk"
    ${If} $Scope == "all"
      DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${Else}
      DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
  ${EndIf}
SectionEnd
