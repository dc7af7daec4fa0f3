; The setup program and the uninstaller. The build makes it with
;   makensis -DCONFIG=<build>/installer/config.nsh setup.nsi
; where config.nsh (generated from the branding values) names the product, its version,
; its publisher and the files of the build to ship.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "${CONFIG}"
; A signed build signs the uninstaller here, before it is packed: the setup writes it
; out unchanged at install time, where nothing could sign it any more.
!ifdef SIGN_UNINSTALLER
    !uninstfinalize '${SIGN_UNINSTALLER}' = 0
!endif
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_NAME}"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
; The program's settings stores. The per-user one is always addressed by the name
; "Sorvane"; the machine-wide one lives under the company's name.
!define USER_SETTINGS_PARENT "Software\VB and VBA Program Settings"
!define USER_SETTINGS_KEY "${USER_SETTINGS_PARENT}\Sorvane"
!define MACHINE_SETTINGS_PARENT "SOFTWARE\${COMPANY_NAME}"
!define MACHINE_SETTINGS_KEY "${MACHINE_SETTINGS_PARENT}\Sorvane"
; The start-up entry the program writes: named after its executable, pointing into its folder.
!define RUN_VALUE "Sorvane"
!define START_MENU "$SMPROGRAMS\${PRODUCT_NAME}"

Name "${PRODUCT_NAME}"
OutFile "${SETUP_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT_NAME}"
; An upgrade goes where the last install went, unless /D= says otherwise.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT_NAME} ${VERSION_TEXT}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=0 "CompanyName" "${COMPANY_NAME}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT_NAME} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=0 "Comments" "${WEBSITE}"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The setup runs elevated, maybe as an administrator who is not the logged-on user: the
; program is started by the shell of the logged-on user, with that user's own rights.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgramAsTheUser
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var KeepDefinitions
Var ShippedDateText

; Moves FROM over TO in one step, so that a crash leaves the old file or the new one.
!macro ReplaceFile FROM TO
    StrCpy $8 "${FROM}"
    StrCpy $9 "${TO}"
    ; MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH
    System::Call 'kernel32::MoveFileExW(w r8, w r9, i 9) i .r7'
    ${If} $7 == 0
        Delete "$8"
        Abort "Could not replace $9."
    ${EndIf}
!macroend

; Ends every running copy of the program file named in $R0 that was started from the
; install folder (a copy elsewhere is left alone): first it asks the program's windows to
; close, so that the program stores its state, then it terminates what is still running.
; An interactive run asks before; Cancel aborts the setup or the uninstall.
!macro StopRunningProgramFunction UN
Function ${UN}StopRunningProgram
    Push $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    Push $7
    Push $R1
    StrCpy $R1 "not asked"
    ; TH32CS_SNAPPROCESS
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'
    ${If} $0 != -1
        ; PROCESSENTRY32W on x64: 568 bytes, the process id at offset 8, the file name at 44.
        System::Alloc 568
        Pop $1
        System::Call '*$1(i 568)'
        System::Call 'kernel32::Process32FirstW(p r0, p r1) i .r2'
        ${DoWhile} $2 != 0
            System::Call '*$1(i, i, i .r3, i, l, i, i, i, i, i, &w260 .r4)'
            ${If} $4 == $R0
                ; PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
                System::Call 'kernel32::OpenProcess(i 0x101001, i 0, i r3) p .r5'
                ${If} $5 != 0
                    StrCpy $6 ${NSIS_MAX_STRLEN}
                    System::Call 'kernel32::QueryFullProcessImageNameW(p r5, i 0, w .r4, *i r6) i .r7'
                    ${If} $7 != 0
                    ${AndIf} $4 == "$INSTDIR\$R0"
                        ${If} $R1 == "not asked"
                        ${AndIfNot} ${Silent}
                            MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "${PRODUCT_NAME} is running ($4).$\r$\n$\r$\nIt must be closed to go on. Click OK to close it now, or Cancel to stop." IDOK +2
                            StrCpy $R1 "cancelled"
                        ${EndIf}
                        ${If} $R1 != "cancelled"
                            StrCpy $R1 "asked"
                            DetailPrint "Closing $4 (process $3)"
                            nsExec::Exec '"$SYSDIR\taskkill.exe" /PID $3'
                            Pop $6
                            StrCpy $7 258
                            ${If} $6 == 0
                                System::Call 'kernel32::WaitForSingleObject(p r5, i 5000) i .r7'
                            ${EndIf}
                            ${If} $7 != 0
                                System::Call 'kernel32::TerminateProcess(p r5, i 1)'
                                System::Call 'kernel32::WaitForSingleObject(p r5, i 5000)'
                            ${EndIf}
                        ${EndIf}
                    ${EndIf}
                    System::Call 'kernel32::CloseHandle(p r5)'
                ${EndIf}
            ${EndIf}
            ${If} $R1 == "cancelled"
                ${Break}
            ${EndIf}
            System::Call 'kernel32::Process32NextW(p r0, p r1) i .r2'
        ${Loop}
        System::Free $1
        System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    StrCpy $0 $R1
    Pop $R1
    Pop $7
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    ${If} $0 == "cancelled"
        Pop $0
        Abort "${PRODUCT_NAME} is still running."
    ${EndIf}
    Pop $0
FunctionEnd
!macroend
!insertmacro StopRunningProgramFunction ""
!insertmacro StopRunningProgramFunction "un."

; Deletes the start-up value under ROOT when it starts the program of this folder.
!macro RemoveRunValue ROOT
    ReadRegStr $0 ${ROOT} "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 != ""
        ; The data may be quoted; the program writes the folder, "\" and the name.
        StrCpy $1 $0 1
        ${If} $1 == '"'
            StrCpy $0 $0 "" 1
        ${EndIf}
        StrLen $1 "$INSTDIR\"
        StrCpy $2 $0 $1
        ${If} $2 == "$INSTDIR\"
            DeleteRegValue ${ROOT} "${RUN_KEY}" "${RUN_VALUE}"
            DetailPrint "Removed the start-up entry $0"
        ${EndIf}
    ${EndIf}
!macroend

; The shipped definitions' date as a DATE (its bit pattern, in $0) and as the system's
; short date text (in $ShippedDateText), the form in which the program writes date.dat.
Function ShippedDefinitionsDate
    System::Call '*(&i2 ${DEFINITIONS_YEAR}, &i2 ${DEFINITIONS_MONTH}, &i2 0, &i2 ${DEFINITIONS_DAY}, &i2 0, &i2 0, &i2 0, &i2 0) p .r1'
    System::Call 'oleaut32::SystemTimeToVariantTime(p r1, *l .r0)'
    ; LOCALE_USER_DEFAULT, DATE_SHORTDATE
    System::Call 'kernel32::GetDateFormatW(i 0x400, i 1, p r1, p 0, w .r2, i ${NSIS_MAX_STRLEN}) i .r3'
    System::Free $1
    StrCpy $ShippedDateText $2
FunctionEnd

; Sets $KeepDefinitions to 1 when the install folder holds definitions dated later than
; the shipped ones: date.dat parsed the way the program parses it.
Function DecideOnDefinitions
    StrCpy $KeepDefinitions 0
    Call ShippedDefinitionsDate
    StrCpy $5 $0
    ClearErrors
    FileOpen $1 "$INSTDIR\date.dat" r
    ${IfNot} ${Errors}
        FileRead $1 $2
        FileClose $1
        ${Do}
            StrCpy $3 $2 1 -1
            ${If} $3 == "$\r"
            ${OrIf} $3 == "$\n"
                StrCpy $2 $2 -1
            ${Else}
                ${ExitDo}
            ${EndIf}
        ${Loop}
        System::Call 'oleaut32::VarDateFromStr(w r2, i 0x400, i 0, *l .r4) i .r3'
        ; Dates after 1899 are positive doubles, whose bit patterns order as the values do.
        ${If} $3 == 0
            System::Int64Op $4 > $5
            Pop $6
            ${If} $6 == 1
                StrCpy $KeepDefinitions 1
                DetailPrint "Keeping the installed definitions of $2: they are newer than ${DEFINITIONS_YEAR}-${DEFINITIONS_MONTH}-${DEFINITIONS_DAY}."
            ${EndIf}
        ${EndIf}
    ${EndIf}
FunctionEnd

; Ships one definition file, unless newer installed definitions include it.
!macro DefinitionFile NAME
    ${If} $KeepDefinitions != 1
    ${OrIfNot} ${FileExists} "$INSTDIR\${NAME}"
        File "/oname=$INSTDIR\${NAME}.setup" "${DEFINITIONS_DIR}/${NAME}"
        !insertmacro ReplaceFile "$INSTDIR\${NAME}.setup" "$INSTDIR\${NAME}"
    ${EndIf}
!macroend

; A definition file, the update's waiting and new copies of it, the copy an update keeps for a
; rollback, and a setup's unfinished copy.
!macro RemoveDefinitionFile NAME
    Delete "$INSTDIR\${NAME}"
    Delete "$INSTDIR\DL${NAME}"
    Delete "$INSTDIR\${NAME}.setup"
    Delete "$INSTDIR\${NAME}.new"
    Delete "$INSTDIR\${NAME}.previous"
    Delete "$INSTDIR\${NAME}.previous.new"
!macroend

Function .onInit
    SetShellVarContext all
FunctionEnd

; Explorer started with a program's path hands it to the running shell of the desktop,
; which starts it unelevated as the user who is logged on.
Function StartProgramAsTheUser
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\Sorvane.exe"'
FunctionEnd

; An administrator starts the program from this folder with full rights: a library or program
; a standard user could put here would run with them. Only Administrators and SYSTEM may
; change the folder, Users read and run it (by SID, so that every language's names match);
; the quarantine folder, protected on its own, keeps its stricter rights. A folder that cannot
; be restricted is refused before anything is installed in it.
Function LockDownInstallFolder
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX'
    Pop $0
    ${If} $0 != 0
        RMDir "$INSTDIR"
        MessageBox MB_OK|MB_ICONSTOP "Setup cannot restrict $INSTDIR to administrators (icacls: $0).$\r$\n$\r$\nChoose another folder." /SD IDOK
        Abort "Could not restrict $INSTDIR to administrators."
    ${EndIf}
    DetailPrint "Only administrators may change $INSTDIR."
FunctionEnd

Section "-Program"
    SetOutPath "$INSTDIR"
    Call LockDownInstallFolder
    StrCpy $R0 "Sorvane.exe"
    Call StopRunningProgram
    StrCpy $R0 "SorvaneCmd.exe"
    Call StopRunningProgram

    SetOverwrite on
    File "${GUI_EXE}"
    File "${CONSOLE_EXE}"
    !include "${OPTIONAL_FILES}"

    ; The user's exclusions (ENoSignature.txt) and the quarantine are not part of the
    ; setup: an upgrade leaves them as they are.
    Call DecideOnDefinitions
    !insertmacro DefinitionFile "ExeDefinition.dat"
    !insertmacro DefinitionFile "RegistryDefinition.dat"
    !insertmacro DefinitionFile "FileDefinition.dat"
    !insertmacro DefinitionFile "DirectoryDefinition.dat"
    !insertmacro DefinitionFile "BlockedCookies.dat"
    !insertmacro DefinitionFile "Safety.dat"
    ${If} $KeepDefinitions != 1
        FileOpen $1 "$INSTDIR\date.dat.setup" w
        FileWrite $1 "$ShippedDateText$\r$\n"
        FileClose $1
        !insertmacro ReplaceFile "$INSTDIR\date.dat.setup" "$INSTDIR\date.dat"
    ${EndIf}

    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; The start at logon, as the program's "Run at Startup" sets it up on its first start (a
    ; Task Scheduler task for the installing user), unless that user turned it off before.
    ReadRegStr $0 HKCU "${USER_SETTINGS_KEY}\OptionAndSettings" "chkRunAtStartup"
    ${If} $0 != "0"
        nsExec::ExecToLog '"$INSTDIR\SorvaneCmd.exe" startup on'
        Pop $0
        ${If} $0 != 0
            DetailPrint "${PRODUCT_NAME} could not be set to start at logon ($0); its Options page can do it later."
        ${EndIf}
    ${EndIf}

    CreateDirectory "${START_MENU}"
    CreateShortCut "${START_MENU}\${PRODUCT_NAME}.lnk" "$INSTDIR\Sorvane.exe" "" "$INSTDIR\Sorvane.exe" 0
    CreateShortCut "${START_MENU}\${PRODUCT_NAME} Console Help.lnk" "$SYSDIR\cmd.exe" \
        `/k ""$INSTDIR\SorvaneCmd.exe" --help"` "$INSTDIR\SorvaneCmd.exe" 0
    CreateShortCut "${START_MENU}\Uninstall ${PRODUCT_NAME}.lnk" "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION_TEXT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY_NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "http://${WEBSITE}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Sorvane.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    StrCpy $R0 "Sorvane.exe"
    Call un.StopRunningProgram
    StrCpy $R0 "SorvaneCmd.exe"
    Call un.StopRunningProgram

    ; Every user's start at logon of this copy, while its console program is still here.
    nsExec::ExecToLog '"$INSTDIR\SorvaneCmd.exe" startup remove-all'
    Pop $0
    ${If} $0 != 0
        DetailPrint "The Task Scheduler kept a task that starts ${PRODUCT_NAME} at logon ($0); delete it there."
    ${EndIf}
    !insertmacro RemoveRunValue HKLM
    !insertmacro RemoveRunValue HKCU
    DeleteRegKey HKCU "${USER_SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${USER_SETTINGS_PARENT}"
    DeleteRegKey HKLM "${MACHINE_SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "${MACHINE_SETTINGS_PARENT}"

    ; Only the names the setup and the program write: the folder may hold other files.
    Delete "$INSTDIR\Sorvane.exe"
    Delete "$INSTDIR\SorvaneCmd.exe"
    Delete "$INSTDIR\Localization.xml"
    Delete "$INSTDIR\Localization.sig"
    Delete "$INSTDIR\Help.chm"
    Delete "$INSTDIR\Scan_Log.txt"
    Delete "$INSTDIR\Scan_Log.json"
    Delete "$INSTDIR\Localization.txt"
    Delete "$INSTDIR\date.dat"
    Delete "$INSTDIR\date.dat.setup"
    ; What an update that never finished left: its journal, its staging and its new copies.
    Delete "$INSTDIR\update.pending"
    Delete "$INSTDIR\temp.dat"
    Delete "$INSTDIR\date.dat.new"
    Delete "$INSTDIR\date.dat.previous"
    Delete "$INSTDIR\date.dat.previous.new"
    !insertmacro RemoveDefinitionFile "ExeDefinition.dat"
    !insertmacro RemoveDefinitionFile "RegistryDefinition.dat"
    !insertmacro RemoveDefinitionFile "FileDefinition.dat"
    !insertmacro RemoveDefinitionFile "DirectoryDefinition.dat"
    !insertmacro RemoveDefinitionFile "BlockedCookies.dat"
    !insertmacro RemoveDefinitionFile "Safety.dat"

    ; The quarantine holds the user's removed files and ENoSignature.txt what the user chose
    ; to allow: both go only when the user says so, so a reinstall finds them as they were.
    RMDir "$INSTDIR\quarantine"
    ${If} ${FileExists} "$INSTDIR\quarantine\*.*"
    ${OrIf} ${FileExists} "$INSTDIR\ENoSignature.txt"
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "Keep the quarantine folder and your exclusions?$\r$\n$\r$\n$INSTDIR\quarantine holds copies of the files ${PRODUCT_NAME} removed, and their log; ENoSignature.txt lists what you chose to allow.$\r$\n$\r$\nClick Yes to keep them, or No to delete them with the program." /SD IDYES IDYES keep_user_data
        RMDir /r "$INSTDIR\quarantine"
        Delete "$INSTDIR\ENoSignature.txt"
        keep_user_data:
    ${EndIf}

    Delete "${START_MENU}\${PRODUCT_NAME}.lnk"
    Delete "${START_MENU}\${PRODUCT_NAME} Console Help.lnk"
    Delete "${START_MENU}\Uninstall ${PRODUCT_NAME}.lnk"
    RMDir "${START_MENU}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
