; The per-user installer of Tollivane, built by scripts/package.sh:
;   makensis -DVERSION=1.2 -DSOURCE=<folder with Tollivane.exe and Sounds> -DICON=<Tollivane.ico>
;            -DOUTFILE=<setup.exe> Tollivane.nsi
; It needs no administrator rights: the program goes into the user's own
; programs folder, where data.xml beside the exe can be written (under
; Program Files every save would fail). Installing over an older version, and
; uninstalling, keep data.xml unless the user asks for it to go.

; 64-bit, as the program is (and a 64-bit Wine runs it without a 32-bit one).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef SOURCE
  !error "SOURCE is not defined"
!endif
!ifndef ICON
  !error "ICON is not defined"
!endif
!ifndef OUTFILE
  !error "OUTFILE is not defined"
!endif

!define APP "Tollivane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
; The hidden window every running Tollivane has.
!define RUNNING_CLASS "Tollivane.Utility"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" ""

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Var StartAtSignIn
Var StartAtSignInBox
Var DeleteAlarms
Var DeleteAlarmsBox

!insertmacro MUI_PAGE_DIRECTORY
Page custom OptionsPage OptionsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tollivane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tollivane now"
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.OptionsPage un.OptionsPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; A running Tollivane holds its exe and writes data.xml when it closes: it
; must be closed first.
!macro WaitUntilClosed
  ${Do}
    FindWindow $0 "${RUNNING_CLASS}"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Tollivane is running. Close it (Exit in its menu in the notification area), then choose Retry." \
      /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}
!macroend

Function .onInit
  ; On by default; an upgrade keeps the choice made before.
  StrCpy $StartAtSignIn ${BST_CHECKED}
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIfNot} ${FileExists} "$SMSTARTUP\${APP}.lnk"
    StrCpy $StartAtSignIn ${BST_UNCHECKED}
  ${EndIf}
FunctionEnd

Function OptionsPage
  !insertmacro MUI_HEADER_TEXT "Options" "How Tollivane starts."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "An alarm clock that is not running rings no alarm. Tollivane sits in the notification area while it runs."
  Pop $0
  ${NSD_CreateCheckbox} 0 30u 100% 12u "Start Tollivane when I sign in"
  Pop $StartAtSignInBox
  ${NSD_SetState} $StartAtSignInBox $StartAtSignIn
  nsDialogs::Show
FunctionEnd

Function OptionsPageLeave
  ${NSD_GetState} $StartAtSignInBox $StartAtSignIn
FunctionEnd

Section "Tollivane"
  SetShellVarContext current
  !insertmacro WaitUntilClosed
  SetOutPath "$INSTDIR"
  File "${SOURCE}\Tollivane.exe"
  SetOutPath "$INSTDIR\Sounds"
  File "${SOURCE}\Sounds\*.mp3"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\Tollivane.exe"
  ${If} $StartAtSignIn == ${BST_CHECKED}
    CreateShortcut "$SMSTARTUP\${APP}.lnk" "$INSTDIR\Tollivane.exe"
  ${Else}
    Delete "$SMSTARTUP\${APP}.lnk"
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tollivane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  StrCpy $DeleteAlarms ${BST_UNCHECKED}
FunctionEnd

Function un.OptionsPage
  !insertmacro MUI_HEADER_TEXT "Uninstall Tollivane" "Remove Tollivane from this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Tollivane will be removed from $INSTDIR. Your alarms (data.xml) stay there, unless you tick the box."
  Pop $0
  ${NSD_CreateCheckbox} 0 30u 100% 12u "Also delete my alarms"
  Pop $DeleteAlarmsBox
  ${NSD_SetState} $DeleteAlarmsBox $DeleteAlarms
  nsDialogs::Show
FunctionEnd

Function un.OptionsPageLeave
  ${NSD_GetState} $DeleteAlarmsBox $DeleteAlarms
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro WaitUntilClosed
  Delete "$INSTDIR\Tollivane.exe"
  Delete "$INSTDIR\Sounds\*.mp3"
  RMDir "$INSTDIR\Sounds"
  ${If} $DeleteAlarms == ${BST_CHECKED}
    Delete "$INSTDIR\data.xml"
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: data.xml, and whatever else the user put there, stay.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$SMSTARTUP\${APP}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
