; The Windows installer, made by makensis from the staged game folder
; (cmake/windows_package.cmake passes VERSION, VERSION4, STAGE, ICON and
; OUTFILE). It installs for the player alone, so it asks for no
; administrator: the game into %LOCALAPPDATA%\Programs\TumbleSquash, an entry
; in the Start menu, and an uninstaller in "Apps". The uninstaller keeps the
; scores and settings (%APPDATA%\TumbleSquash) unless asked: a box on its
; page, or /REMOVESCORES with /S.
Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TumbleSquash"

Name "TumbleSquash ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\TumbleSquash"
InstallDirRegKey HKCU "Software\TumbleSquash" "InstallDir"
RequestExecutionLevel user
BrandingText "TumbleSquash ${VERSION}"

VIProductVersion "${VERSION4}"
VIAddVersionKey "ProductName" "TumbleSquash"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "TumbleSquash ${VERSION} installer"
VIAddVersionKey "CompanyName" "The TumbleSquash developers"
VIAddVersionKey "LegalCopyright" "The TumbleSquash developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tumblesquash.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Play TumbleSquash now"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "Your scores and settings stay on this computer unless you tick the box below."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "TumbleSquash"
  SetOutPath "$INSTDIR"
  File "${STAGE}\tumblesquash.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\TITLE.ssk"
  File "${STAGE}\OMAKETITLE.ssk"
  File "${STAGE}\qqqq.ssk"
  File "${STAGE}\qqqqomake.ssk"
  File "${STAGE}\JYOUSI.SSK"
  File "${STAGE}\minititle.bmp"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\TumbleSquash.lnk" "$INSTDIR\tumblesquash.exe" \
    "" "$INSTDIR\tumblesquash.exe" 0 SW_SHOWNORMAL "" "A mouse shooting gallery"
  WriteRegStr HKCU "Software\TumbleSquash" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "TumbleSquash"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The TumbleSquash developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tumblesquash.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "-un.TumbleSquash"
  Delete "$SMPROGRAMS\TumbleSquash.lnk"
  Delete "$INSTDIR\tumblesquash.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\TITLE.ssk"
  Delete "$INSTDIR\OMAKETITLE.ssk"
  Delete "$INSTDIR\qqqq.ssk"
  Delete "$INSTDIR\qqqqomake.ssk"
  Delete "$INSTDIR\JYOUSI.SSK"
  Delete "$INSTDIR\minititle.bmp"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\TumbleSquash"
SectionEnd

Section /o "un.Also remove my scores and settings" RemoveScores
  ; The screenshots in Pictures\TumbleSquash are the player's pictures:
  ; they stay.
  RMDir /r "$APPDATA\TumbleSquash"
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESCORES" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${RemoveScores}
  ${EndIf}
FunctionEnd
