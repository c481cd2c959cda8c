; Setup program of Klemva: the measurement program, varnok.dll and the port
; finder, installed for the current user without elevation.
;
; Built by scripts/dist.sh:
;   makensis -DSTAGE=<folder with KLEMVA.EXE, varnok.dll, FindKLV.exe, Limiti.ini>
;            -DOUTFILE=<setup.exe> [-DSTUB=amd64-unicode] dist/klemva.nsi
;
; Command line of the setup: /S (silent), /D=<program folder> (last, unquoted),
; /MISURE=<measurements folder>. Exit codes: 0 installed, 2 a folder too long
; (silent), 3 the program is running (silent; nothing changed).
;
; What it writes (HKCU only):
;   SOFTWARE\VARNOK\Klemva            directory  the measurements folder
;   SOFTWARE\VARNOK\Klemva\2.0        directory  the program folder
;   Software\Classes\.klv and Klemva.Document.1  the association, so that the
;       program's own rewrite of it at every start lands in the user's classes
;   ...\CurrentVersion\Uninstall\Klemva          the entry in the program list
; Into the measurements folder, only when it holds none: the example Limiti.ini.
; The settings under 2.0 (Einstellungen, the lists) are never touched.

Unicode true
!ifdef STUB
Target ${STUB}
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Klemva"
!define DISPLAY_VERSION "2.4"
!define FILE_VERSION "4.0.0.0"
!define PUBLISHER "VARNOK GmbH"
; The association names this file; the program builds it from the 2.0
; directory, so the 32-bit program is installed under this name.
!define PROGRAM_FILE "KLEMVA.EXE"
!define PORT_FINDER_FILE "FindKLV.exe"
!define UNINSTALLER_FILE "Disinstalla.exe"
!define LIMITS_FILE "Limiti.ini"
!define PRODUCT_KEY "SOFTWARE\VARNOK\Klemva"
!define VERSION_KEY "SOFTWARE\VARNOK\Klemva\2.0"
!define CLASSES_KEY "Software\Classes"
!define DOC_EXTENSION ".klv"
!define DOC_CLASS "Klemva.Document.1"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Klemva"
; The longest folders the program accepts: the measurements folder is read
; into 80 bytes, and "<program folder>\KLEMVA.EXE" must fit MAX_PATH.
!define MAX_MEASURE_DIR 79
!define MAX_PROGRAM_DIR 248
; SHChangeNotify: tell the shell that file associations changed.
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${PRODUCT} ${DISPLAY_VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Klemva"
InstallDirRegKey HKCU "${VERSION_KEY}" "directory"
BrandingText "${PUBLISHER}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "Version ${DISPLAY_VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "Version ${DISPLAY_VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Installazione di Klemva"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 1997-2026 ${PUBLISHER}"

Var MeasureDir
Var OldProgramDir

; The files this setup puts into the program folder, and the folder itself
; when nothing else is left in it (not /r: it may hold the user's own files).
!macro RemoveProgramFiles DIR
    Delete "${DIR}\${PROGRAM_FILE}"
    Delete "${DIR}\varnok.dll"
    Delete "${DIR}\${PORT_FINDER_FILE}"
    ; The port finder's note of the port; the port itself stays in the settings.
    Delete "${DIR}\COM_Port_hint.txt"
    Delete "${DIR}\${UNINSTALLER_FILE}"
    RMDir "${DIR}"
!macroend

; A running program keeps its files open: they can be neither replaced nor
; removed, and a setup that went on would leave the old program in place
; while reporting success. The program is known by its frame window's class.
; Asked before anything is written; silent, the run ends with exit code 3
; and changes nothing.
!define FRAME_CLASS "Klemva"
!macro WaitUntilProgramClosed TEXT
    ${Do}
        FindWindow $0 "${FRAME_CLASS}"
        ${If} $0 = 0
            ${Break}
        ${EndIf}
        ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${TEXT}" /SD IDCANCEL IDRETRY`
            SetErrorLevel 3
            Abort
        ${EndIf}
    ${Loop}
!macroend

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "wizard.bmp"
!define MUI_LANGDLL_WINDOWTITLE "Lingua / Language"
!define MUI_LANGDLL_INFO "Scegliere la lingua dell'installazione.$\r$\nChoose the language of the setup."
; The choice is offered at every interactive run, the last one preselected;
; the uninstaller takes it without asking.
!define MUI_LANGDLL_ALWAYSSHOW
!define MUI_LANGDLL_REGISTRY_ROOT HKCU
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Installer Language"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckProgramDir
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "$(MeasureHeader)"
!define MUI_PAGE_HEADER_SUBTEXT "$(MeasureSubheader)"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$(MeasureText)"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "$(MeasureFrame)"
!define MUI_DIRECTORYPAGE_VARIABLE $MeasureDir
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckMeasureDir
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM_FILE}"
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(KeptData)"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(UninstalledKeptData)"
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "English"
!include "texts.nsh"

Section "!$(SecProgram)" SecProgram
    SectionIn RO
    !insertmacro WaitUntilProgramClosed "$(ProgramRunning)"
    ; Installed before into another folder: that copy goes, so that no
    ; program is left behind without its uninstaller.
    ${If} $OldProgramDir != ""
    ${AndIf} $OldProgramDir != $INSTDIR
    ${AndIf} ${FileExists} "$OldProgramDir\${UNINSTALLER_FILE}"
        !insertmacro RemoveProgramFiles "$OldProgramDir"
    ${EndIf}
    SetOutPath "$INSTDIR"
    File "/oname=${PROGRAM_FILE}" "${STAGE}/${PROGRAM_FILE}"
    File "${STAGE}/varnok.dll"
    WriteUninstaller "$INSTDIR\${UNINSTALLER_FILE}"

    CreateDirectory "$MeasureDir"
    ; Example limit sets for the inspector to check and adapt; a limit file
    ; already in the folder is the inspector's own and stays as it is.
    ${IfNot} ${FileExists} "$MeasureDir\${LIMITS_FILE}"
        SetOutPath "$MeasureDir"
        File "${STAGE}/${LIMITS_FILE}"
        ; The shortcuts below start in the output folder.
        SetOutPath "$INSTDIR"
    ${EndIf}
    WriteRegStr HKCU "${PRODUCT_KEY}" "directory" "$MeasureDir"
    WriteRegStr HKCU "${VERSION_KEY}" "directory" "$INSTDIR"
    Call WriteAssociation

    ; Shortcuts start in the program folder: the port finder leaves its hint
    ; file in its working folder, and the program reads it from its own.
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM_FILE}"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\$(UninstallLink).lnk" "$INSTDIR\${UNINSTALLER_FILE}"
SectionEnd

Section "$(SecPortFinder)" SecPortFinder
    SetOutPath "$INSTDIR"
    File "${STAGE}/${PORT_FINDER_FILE}"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\$(PortFinderLink).lnk" "$INSTDIR\${PORT_FINDER_FILE}"
SectionEnd

; Last, so that the size covers every installed file.
Section "-UninstallEntry"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${DISPLAY_VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_FILE},0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER_FILE}"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER_FILE}" /S'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "${MUI_LANGDLL_REGISTRY_VALUENAME}" $LANGUAGE
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(SecProgramInfo)"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPortFinder} "$(SecPortFinderInfo)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The same strings the program writes at every start. The keys are made in
; the user's classes: the program's writes to HKEY_CLASSES_ROOT then go to
; these existing keys instead of the machine's, which needs no elevation.
Function WriteAssociation
    WriteRegStr HKCU "${CLASSES_KEY}\${DOC_EXTENSION}" "" "${DOC_CLASS}"
    WriteRegStr HKCU "${CLASSES_KEY}\${DOC_CLASS}" "" "$(DocTypeName)"
    WriteRegStr HKCU "${CLASSES_KEY}\${DOC_CLASS}\DefaultIcon" "" "$INSTDIR\${PROGRAM_FILE},1"
    WriteRegStr HKCU "${CLASSES_KEY}\${DOC_CLASS}\shell\open\command" "" "$INSTDIR\${PROGRAM_FILE} %1"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
FunctionEnd

Function .onInit
    ; Italian like the program, whatever the language of Windows; English on request.
    StrCpy $LANGUAGE ${LANG_ITALIAN}
    !insertmacro MUI_LANGDLL_DISPLAY
    ReadRegStr $OldProgramDir HKCU "${VERSION_KEY}" "directory"
    ; A reinstall keeps the measurements folder chosen before.
    ReadRegStr $MeasureDir HKCU "${PRODUCT_KEY}" "directory"
    ${If} $MeasureDir == ""
        StrCpy $MeasureDir "$DOCUMENTS\Klemva"
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/MISURE=" $1
    ${IfNot} ${Errors}
        StrCpy $MeasureDir $1
    ${EndIf}
    ; The port finder is a 64-bit program: offered on 64-bit Windows only.
    ${IfNot} ${RunningX64}
        SectionSetFlags ${SecPortFinder} ${SF_RO}
        SectionSetText ${SecPortFinder} ""
    ${EndIf}
    ${If} ${Silent}
        StrLen $1 $MeasureDir
        StrLen $2 $INSTDIR
        ${If} $1 > ${MAX_MEASURE_DIR}
        ${OrIf} $2 > ${MAX_PROGRAM_DIR}
            SetErrorLevel 2
            Abort
        ${EndIf}
    ${EndIf}
FunctionEnd

Function CheckProgramDir
    StrLen $0 $INSTDIR
    ${If} $0 > ${MAX_PROGRAM_DIR}
        MessageBox MB_ICONEXCLAMATION|MB_OK "$(ProgramDirTooLong)"
        Abort
    ${EndIf}
FunctionEnd

Function CheckMeasureDir
    StrLen $0 $MeasureDir
    ${If} $0 > ${MAX_MEASURE_DIR}
        MessageBox MB_ICONEXCLAMATION|MB_OK "$(MeasureDirTooLong)"
        Abort
    ${EndIf}
FunctionEnd

Section "Uninstall"
    !insertmacro WaitUntilProgramClosed "$(ProgramRunningUninstall)"
    !insertmacro RemoveProgramFiles "$INSTDIR"

    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\$(PortFinderLink).lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\$(UninstallLink).lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    ; The association only while it is still ours.
    ReadRegStr $0 HKCU "${CLASSES_KEY}\${DOC_EXTENSION}" ""
    ${If} $0 == "${DOC_CLASS}"
        DeleteRegKey HKCU "${CLASSES_KEY}\${DOC_EXTENSION}"
    ${EndIf}
    DeleteRegKey HKCU "${CLASSES_KEY}\${DOC_CLASS}"
    ; A start of the program with elevation (and Wine, always) writes the
    ; machine's classes; remove those too while they name this installation.
    ReadRegStr $0 HKLM "${CLASSES_KEY}\${DOC_CLASS}\shell\open\command" ""
    ${If} $0 == "$INSTDIR\${PROGRAM_FILE} %1"
        ReadRegStr $1 HKLM "${CLASSES_KEY}\${DOC_EXTENSION}" ""
        ${If} $1 == "${DOC_CLASS}"
            DeleteRegKey HKLM "${CLASSES_KEY}\${DOC_EXTENSION}"
        ${EndIf}
        DeleteRegKey HKLM "${CLASSES_KEY}\${DOC_CLASS}"
    ${EndIf}
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

    ; The program folder is gone; the measurements folder, the settings and
    ; the lists are the user's and stay.
    DeleteRegValue HKCU "${VERSION_KEY}" "directory"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ReadRegStr $MeasureDir HKCU "${PRODUCT_KEY}" "directory"
    DetailPrint "$(KeptData)"
SectionEnd

Function un.onInit
    !insertmacro MUI_UNGETLANGUAGE
    ReadRegStr $MeasureDir HKCU "${PRODUCT_KEY}" "directory"
FunctionEnd
