; The Cantaro Maker installer. The build runs makensis with:
;   BIN_DIR      the folder holding the built program, its libraries and the extension
;   OUT_FILE     the installer to write
;   TARGET_AMD64 defined for a 64-bit Windows build (the shipped program is 32-bit)
; Silent use: CantaroMakerSetup.exe /S /D=<folder>; uninstall.exe /S [/REMOVEDATA]
; (/REMOVEDATA also removes the rips, the disc cache and the settings).
Unicode true
!ifdef TARGET_AMD64
  Target amd64-unicode
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Cantaro Maker"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CantaroMaker"
; The extension finds the program through this value.
!define SETUP_KEY "Software\Brenmark\Tambour"
!define CLSID "{B17213F3-499E-11D4-9FC1-5254ABDF26FA}"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
!ifdef TARGET_AMD64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; The shell extension's keys live under HKEY_CLASSES_ROOT.
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\CantaroMaker.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A file type for an extension that has none, so that the context-menu
; handler has a key to hang under; remembered so that uninstalling removes
; only what was made here.
!macro GiveFileType EXTENSION TYPE
  ReadRegStr $0 HKCR "${EXTENSION}" ""
  ${If} $0 == ""
    WriteRegStr HKCR "${EXTENSION}" "" "${TYPE}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "MadeFileType${EXTENSION}" "${TYPE}"
  ${EndIf}
!macroend

!macro TakeBackFileType EXTENSION
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "MadeFileType${EXTENSION}"
  ${If} $0 != ""
    DeleteRegKey HKCR "${EXTENSION}"
    DeleteRegKey /ifempty HKCR "$0\shellex\ContextMenuHandlers"
    DeleteRegKey /ifempty HKCR "$0\shellex"
    DeleteRegKey /ifempty HKCR "$0"
  ${EndIf}
!macroend

Section "Cantaro Maker" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/CantaroMaker.exe"
  File "${BIN_DIR}/LAME_ENC.DLL"
  File "${BIN_DIR}/BLADEENC.DLL"
  File "${BIN_DIR}/TambourExt.dll"
!if /FileExists "${BIN_DIR}/CantaroMaker.chm"
  File "${BIN_DIR}/CantaroMaker.chm"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${SETUP_KEY}" "SetupDirectory" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brenmark"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  !insertmacro GiveFileType ".cda" "CantaroMaker.cda"
  !insertmacro GiveFileType ".mp3" "CantaroMaker.mp3"
  !insertmacro GiveFileType ".wav" "CantaroMaker.wav"
  ClearErrors
  RegDLL "$INSTDIR\TambourExt.dll"
  ${If} ${Errors}
    DetailPrint "TambourExt.dll could not be registered"
    SetErrorLevel 2
  ${EndIf}
SectionEnd

Section "un.Cantaro Maker" UnSecProgram
  SectionIn RO
  UnRegDLL "$INSTDIR\TambourExt.dll"
  !insertmacro TakeBackFileType ".cda"
  !insertmacro TakeBackFileType ".mp3"
  !insertmacro TakeBackFileType ".wav"
  Delete "$INSTDIR\CantaroMaker.exe"
  Delete "$INSTDIR\LAME_ENC.DLL"
  Delete "$INSTDIR\BLADEENC.DLL"
  ; Explorer may hold the extension until it restarts.
  Delete /REBOOTOK "$INSTDIR\TambourExt.dll"
  Delete "$INSTDIR\CantaroMaker.chm"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegValue HKCU "${SETUP_KEY}" "SetupDirectory"
  DeleteRegKey /ifempty HKCU "${SETUP_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Brenmark"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off unless asked for: the user's rips, the disc cache and the settings.
Section /o "un.Rips, cache, settings" UnSecData
  RMDir /r "$INSTDIR\output"
  RMDir /r "$INSTDIR\db"
  RMDir /r "$INSTDIR\CACHE"
  DeleteRegKey HKCU "${SETUP_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Brenmark"
SectionEnd

; Last: the folder goes only when nothing is left in it.
Section "-un.Folder"
  RMDir "$INSTDIR"
SectionEnd

LangString DESC_UnSecData ${LANG_ENGLISH} "Also delete the output folder, the disc cache (db, CACHE) and the program's settings."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecData} $(DESC_UnSecData)
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEDATA" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecData} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
