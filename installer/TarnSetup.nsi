; The installer of the Korvo Tarn Configurator, built by the normal build
; (cmake/installer.cmake) into build/TarnSetup.exe:
;   makensis -DVERSION=1.0.0 -DGENERATED=<folder of files.nsh and languages.nsh>
;            -DOUTFILE=TarnSetup.exe TarnSetup.nsi
;
; Installs everything of the module directory but save\ into
; $PROGRAMFILES64\Korvo\Tarn, registers the device service machine-wide,
; writes HKLM\Software\Korvo\Tarn (Language, InstallDir), a Start-menu
; shortcut and the Add/Remove Programs entry, and (unless unticked) starts
; the tray companion at log-on from the machine's Run key. The uninstaller
; takes all of that away again and leaves the user's profiles (save\) and
; the mouse's state alone. Both close a running tray companion first.
;
; Switches: /S silent; /LANG=English|German|French|FrenchCanadian|Russian|
;   Japanese|Korean|ChineseSimplified|ChineseTraditional (silent or not; otherwise the
; first page asks, and a reinstall keeps the language chosen before);
; /COMPANION=0 leaves the companion out of log-on (a reinstall keeps the
; choice made before); /D=folder (the usual NSIS switch, last on the line).
; Exit codes: 0 done, 1 cancelled, 2 a bad switch or nothing to uninstall,
; 3 the program is running, 4 the device service could not be
; (un)registered.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true

!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh

!ifndef VERSION
  !error "makensis -DVERSION=x.y.z"
!endif
!ifndef GENERATED
  !error "makensis -DGENERATED=folder of files.nsh and languages.nsh"
!endif
!ifndef OUTFILE
  !define OUTFILE TarnSetup.exe
!endif

!define PRODUCT "Korvo Tarn Configurator"
!define COMPANY "Korvo"
!define SETTINGS_KEY "Software\Korvo\Tarn"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvoTarn"
!define WINDOW_CLASS "SINGLE_INSTANCE_APP_TARN"
!define COMPANION_CLASS "TarnTrayCompanion"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "KorvoTarnCompanion"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define DEFAULT_LANGUAGE "English"

!define EXIT_BAD_SWITCH 2
!define EXIT_NOT_INSTALLED 2
!define EXIT_RUNNING 3
!define EXIT_SERVICE 4

!include /CHARSET=UTF8 "${GENERATED}\languages.nsh"
!include "${GENERATED}\files.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Korvo\Tarn"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright ${COMPANY}"

Var Chosen        ; the shipped language chosen, as the program reads it
Var LanguageList  ; the drop-down list of the first page
Var Companion     ; 1: start the tray companion with Windows
Var CompanionBox  ; its check box on the first page

Page custom LanguagePage LanguagePageLeave
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; --- both directions --------------------------------------------------------

; Waits for the program to be closed (it holds the device service and its
; files); silent runs cannot ask and end with EXIT_RUNNING.
!macro REFUSE_WHILE_RUNNING
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(SetupRunning)" /SD IDCANCEL IDRETRY`
      SetErrorLevel ${EXIT_RUNNING}
      Quit
    ${EndIf}
  ${Loop}
!macroend

; Asks a running tray companion to end (it holds the device service and its
; files) and waits up to 5 s for it; one that stays is handled as a running
; program.
!macro CLOSE_COMPANION
  FindWindow $0 "${COMPANION_CLASS}"
  ${If} $0 != 0
    DetailPrint "Closing the tray companion."
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    StrCpy $1 0
    ${Do}
      FindWindow $0 "${COMPANION_CLASS}"
      ${If} $0 == 0
      ${OrIf} $1 >= 50
        ${Break}
      ${EndIf}
      Sleep 100
      IntOp $1 $1 + 1
    ${Loop}
    ${Do}
      FindWindow $0 "${COMPANION_CLASS}"
      ${If} $0 == 0
        ${Break}
      ${EndIf}
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(SetupCompanionRunning)" /SD IDCANCEL IDRETRY`
        SetErrorLevel ${EXIT_RUNNING}
        Quit
      ${EndIf}
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${Loop}
  ${EndIf}
!macroend

; --- installing -------------------------------------------------------------

!macro MATCH_LANGUAGE NAME OWN ID
  ${If} $R1 == "${NAME}"   ; letter case is ignored, as the program ignores it
    StrCpy $Chosen "${NAME}"
  ${EndIf}
!macroend

; The installer's language of the chosen one into $R3 (0 for none).
!macro ID_OF_CHOSEN NAME OWN ID
  ${If} $Chosen == "${NAME}"
    StrCpy $R3 ${ID}
  ${EndIf}
!macroend

; The first language whose installer language is the detected one.
!macro MATCH_DETECTED NAME OWN ID
  ${If} $Chosen == ""
  ${AndIf} $LANGUAGE == ${ID}
    StrCpy $Chosen "${NAME}"
  ${EndIf}
!macroend

; Shows the installer's pages in the chosen language, where it has one.
!macro SHOW_IN_CHOSEN
  StrCpy $R3 0
  !insertmacro TARN_FOR_EACH_LANGUAGE ID_OF_CHOSEN
  ${If} $R3 != 0
    StrCpy $LANGUAGE $R3
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro REFUSE_WHILE_RUNNING
  !insertmacro CLOSE_COMPANION

  ; The companion starts with Windows unless a former install was told not to.
  StrCpy $Companion 1
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != ""
    ReadRegStr $R1 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $R1 == ""
      StrCpy $Companion 0
    ${EndIf}
  ${EndIf}

  ; A reinstall keeps the language chosen before, when it still ships.
  StrCpy $Chosen ""
  ReadRegStr $R1 HKLM "${SETTINGS_KEY}" "Language"
  ${If} $R1 != ""
    !insertmacro TARN_FOR_EACH_LANGUAGE MATCH_LANGUAGE
  ${EndIf}
  ; Otherwise the language of the user's Windows: NSIS has matched it to
  ; one of its own, and Canadian French is told apart by its number.
  ${If} $Chosen == ""
    System::Call 'kernel32::GetUserDefaultUILanguage() i .r2'
    ${If} $2 == 3084
      StrCpy $Chosen "FrenchCanadian"
      StrCpy $R1 $Chosen
      StrCpy $Chosen ""
      !insertmacro TARN_FOR_EACH_LANGUAGE MATCH_LANGUAGE
    ${EndIf}
  ${EndIf}
  ${If} $Chosen == ""
    !insertmacro TARN_FOR_EACH_LANGUAGE MATCH_DETECTED
  ${EndIf}
  ${If} $Chosen == ""
    StrCpy $Chosen "${DEFAULT_LANGUAGE}"
  ${EndIf}

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/COMPANION=" $R1
  ${IfNot} ${Errors}
    ${If} $R1 == "0"
      StrCpy $Companion 0
    ${ElseIf} $R1 == "1"
      StrCpy $Companion 1
    ${Else}
      MessageBox MB_OK|MB_ICONSTOP "$(SetupCompanionSwitch)" /SD IDOK
      SetErrorLevel ${EXIT_BAD_SWITCH}
      Quit
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/LANG=" $R1
  ${IfNot} ${Errors}
    StrCpy $R2 $Chosen
    StrCpy $Chosen ""
    ${If} $R1 != ""
      !insertmacro TARN_FOR_EACH_LANGUAGE MATCH_LANGUAGE
    ${EndIf}
    ${If} $Chosen == ""
      MessageBox MB_OK|MB_ICONSTOP "$(SetupUnknownLanguage)" /SD IDOK
      SetErrorLevel ${EXIT_BAD_SWITCH}
      Quit
    ${EndIf}
  ${EndIf}
  !insertmacro SHOW_IN_CHOSEN
FunctionEnd

; The drop-down lists each language under its own name.
!macro ADD_LANGUAGE NAME OWN ID
  ${NSD_CB_AddString} $LanguageList "${OWN}"
  ${If} $Chosen == "${NAME}"
    StrCpy $R4 "${OWN}"
  ${EndIf}
!macroend

!macro CHOSEN_OF_OWN NAME OWN ID
  ${If} $0 == "${OWN}"
    StrCpy $Chosen "${NAME}"
  ${EndIf}
!macroend

Function LanguagePage
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 24u "$(SetupChooseLanguage)"
  Pop $0
  ${NSD_CreateDropList} 0 30u 50% 80u ""
  Pop $LanguageList
  StrCpy $R4 ""
  !insertmacro TARN_FOR_EACH_LANGUAGE ADD_LANGUAGE
  ${NSD_CB_SelectString} $LanguageList $R4
  ${NSD_CreateCheckBox} 0 56u 100% 12u "$(SetupStartCompanion)"
  Pop $CompanionBox
  ${If} $Companion == 1
    ${NSD_Check} $CompanionBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function LanguagePageLeave
  ${NSD_GetText} $LanguageList $0
  ${If} $0 != ""
    !insertmacro TARN_FOR_EACH_LANGUAGE CHOSEN_OF_OWN
  ${EndIf}
  ${NSD_GetState} $CompanionBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Companion 1
  ${Else}
    StrCpy $Companion 0
  ${EndIf}
  ; The installer's pages take their language at start: for another one, the
  ; installer starts again in it, with the choices made here.
  StrCpy $R3 0
  !insertmacro TARN_FOR_EACH_LANGUAGE ID_OF_CHOSEN
  ${If} $R3 != 0
  ${AndIf} $R3 != $LANGUAGE
    Exec '"$EXEPATH" /LANG=$Chosen /COMPANION=$Companion'
    Quit
  ${EndIf}
FunctionEnd

Section "Install"
  SetShellVarContext all
  SetRegView 64

  ; What an older build shipped in the program's own folders goes first, so
  ; no stale skin or text outlives it. save\ is the user's and stays.
  !insertmacro TARN_REMOVE_ASSET_FOLDERS
  !insertmacro TARN_INSTALL_FILES

  ; The device service, machine-wide (a class the whole machine sees).
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\TarnDeviceService.dll"' $0
  ${If} $0 != 0
    DetailPrint "Registering the device service failed ($0)."
    MessageBox MB_OK|MB_ICONSTOP "$(SetupRegisterFailed)" /SD IDOK
    SetErrorLevel ${EXIT_SERVICE}
    Abort
  ${EndIf}

  WriteRegStr HKLM "${SETTINGS_KEY}" "Language" $Chosen
  WriteRegStr HKLM "${SETTINGS_KEY}" "InstallDir" $INSTDIR
  ${If} $Companion == 1
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\TarnTray.exe"'
  ${Else}
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}

  CreateShortcut "${SHORTCUT}" "$INSTDIR\TarnConfig.exe" "" "$INSTDIR\TarnConfig.exe" 0 \
    SW_SHOWNORMAL "" "Configure the Korvo Tarn mouse"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TarnConfig.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; --- uninstalling -----------------------------------------------------------

!macro UN_MATCH_LANGUAGE NAME OWN ID
  ${If} $R1 == "${NAME}"
    StrCpy $LANGUAGE ${ID}
  ${EndIf}
!macroend

Function un.onInit
  SetShellVarContext all
  SetRegView 64
  ; The uninstaller speaks the language that was installed.
  ReadRegStr $R1 HKLM "${SETTINGS_KEY}" "Language"
  ${If} $R1 != ""
    !insertmacro TARN_FOR_EACH_LANGUAGE UN_MATCH_LANGUAGE
  ${EndIf}
  ; Only an installation that the registry knows of is removed, and only in
  ; the folder it names: a stray copy of this program elsewhere (a second
  ; run, a copied uninstaller) removes nothing.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
    MessageBox MB_OK|MB_ICONINFORMATION "$(SetupNothingToRemove)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_INSTALLED}
    Quit
  ${EndIf}
  StrCpy $INSTDIR $0
  !insertmacro REFUSE_WHILE_RUNNING
  !insertmacro CLOSE_COMPANION
FunctionEnd

Section "Uninstall"
  ${If} ${FileExists} "$INSTDIR\TarnDeviceService.dll"
    ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\TarnDeviceService.dll"' $0
    ${If} $0 != 0
      DetailPrint "Unregistering the device service failed ($0)."
      MessageBox MB_OK|MB_ICONSTOP "$(SetupUnregisterFailed)" /SD IDOK
      SetErrorLevel ${EXIT_SERVICE}
      Abort
    ${EndIf}
  ${EndIf}

  !insertmacro TARN_UNINSTALL_FILES
  !insertmacro TARN_REMOVE_ASSET_FOLDERS
  Delete "${SHORTCUT}"

  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegValue HKLM "${SETTINGS_KEY}" "Language"
  DeleteRegValue HKLM "${SETTINGS_KEY}" "InstallDir"
  DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Korvo"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: save\ with the user's profiles keeps the folder.
  RMDir "$INSTDIR"
  ${If} "$INSTDIR" == "$PROGRAMFILES64\Korvo\Tarn"
    RMDir "$PROGRAMFILES64\Korvo"
  ${EndIf}
SectionEnd
