; The Stepforge installer: installs for the current user only, so it needs no
; administrator rights, into %LOCALAPPDATA%\Programs\Stepforge, adds Start-menu
; shortcuts and an entry in Apps & features, and writes an uninstaller that
; removes exactly the files it installed.
;
; Made by make_packages.py, which defines VERSION, TARGET (x86-unicode for the
; 32-bit program, amd64-unicode for the 64-bit one: the installer is a program
; of the same kind), OUTFILE, FILE_LISTS (the InstallFiles and UninstallFiles
; macros, one line per payload file), ICON and SIZE_KB. Both install into the
; same folder, so either replaces the other.

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "${FILE_LISTS}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Stepforge"
!define MENU_FOLDER "$SMPROGRAMS\Stepforge"

Name "Stepforge"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Stepforge"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Stepforge ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Stepforge"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Stepforge drum machine setup"
VIAddVersionKey "CompanyName" "Stepforge"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 the Stepforge developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION PlayDemo
!define MUI_FINISHPAGE_RUN_TEXT "Play the demo now"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\ReadMe.htm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the read-me"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function PlayDemo
  Exec '"$INSTDIR\Stepforge.exe" "$INSTDIR\Demo.^&^"'
FunctionEnd

Section "Stepforge"
  SetShellVarContext current
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "${MENU_FOLDER}"
  CreateShortCut "${MENU_FOLDER}\Stepforge.lnk" "$INSTDIR\Stepforge.exe"
  CreateShortCut "${MENU_FOLDER}\Stepforge Demo.lnk" "$INSTDIR\Stepforge.exe" '"$INSTDIR\Demo.^&^"'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Stepforge"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Stepforge"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Stepforge.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

; The program registers the setup file association at every start. It goes
; with this copy, but not when it names another copy, which registered last.
!macro RemoveAssociation ROOT PREFIX
  ReadRegStr $0 ${ROOT} "${PREFIX}Stepforge\shell\open\command" ""
  StrLen $1 "$INSTDIR\Stepforge.exe"
  StrCpy $2 $0 $1
  ${If} $2 == "$INSTDIR\Stepforge.exe"
    DeleteRegKey ${ROOT} "${PREFIX}Stepforge"
    ReadRegStr $3 ${ROOT} "${PREFIX}.^&^" ""
    ${If} $3 == "Stepforge"
      DeleteRegKey ${ROOT} "${PREFIX}.^&^"
    ${EndIf}
  ${EndIf}
!macroend

Section "Uninstall"
  SetShellVarContext current
  Delete "${MENU_FOLDER}\Stepforge.lnk"
  Delete "${MENU_FOLDER}\Stepforge Demo.lnk"
  RMDir "${MENU_FOLDER}"

  ; Setup files of the user's own left in the folder keep it, and them.
  !insertmacro UninstallFiles
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  !insertmacro RemoveAssociation HKCU "Software\Classes\"
  ; Where HKEY_CLASSES_ROOT is not the per-user merge (Wine) it holds a copy too.
  !insertmacro RemoveAssociation HKCR ""
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
