; The installer of Varnholt Glyph Gatherer: installs for all users, adds a Start menu shortcut
; and an entry in the list of installed programs, and writes an uninstaller that takes all of
; it away again. Built by the build (package/CMakeLists.txt), which passes:
;   VERSION  four numbers, read from the file VERSION
;   TARGET   the stub: x86-unicode for the shipped installer, amd64-unicode for the tests
;   FILES    the folder with Mirovane.exe, Mirovane.hlp, LICENSE.TXT and README.TXT
;   ART      res/art, for the icon and the side picture
;   OUTFILE  the installer to write

!ifndef VERSION | TARGET | FILES | ART | OUTFILE
  !error "Build the installer through the build: make dist"
!endif

Target ${TARGET}
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "Varnholt Glyph Gatherer"
!define PUBLISHER "Varnholt"
!define EXE "Mirovane.exe"
!define UNINSTALLER "Uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The program's own key for each user's settings.
!define SETTINGS_KEY "Software\Varnholt\Glyph Gatherer"
!searchparse "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "."

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Varnholt\Glyph Gatherer"
; Installing over an earlier version goes to wherever that one went.
InstallDirRegKey HKLM "${ARP_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright ${U+00A9} 2026 ${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define MUI_ICON "${ART}/Mirovane.ico"
!define MUI_UNICON "${ART}/Mirovane.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}/setupside.bmp"
!define MUI_ABORTWARNING
; The finish page offers no "start the program now": it would run with the installer's
; raised rights and keep its settings under the administrator's name.

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FILES}/LICENSE.TXT"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running copy would keep its program file locked; ask the user to close it first.
; Without questions (/S) the installer or uninstaller gives up instead, with exit code 2.
!macro WaitUntilClosed un
  Function ${un}WaitUntilClosed
    ${Do}
      FindWindow $0 "TfrmMainForm"
      ${If} $0 == 0
        Return
      ${EndIf}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is running. Close it, then choose Retry." /SD IDCANCEL IDRETRY +3
      SetErrorLevel 2
      Quit
    ${Loop}
  FunctionEnd
!macroend
!insertmacro WaitUntilClosed ""
!insertmacro WaitUntilClosed "un."

Function .onInit
  SetShellVarContext all
  Call WaitUntilClosed
FunctionEnd

Section "Program"
  SetOutPath "$INSTDIR"
  File "${FILES}/${EXE}"
  File "${FILES}/Mirovane.hlp"
  File "${FILES}/LICENSE.TXT"
  File "${FILES}/README.TXT"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  WriteRegStr HKLM "${ARP_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${ARP_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegDWORD HKLM "${ARP_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD HKLM "${ARP_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegStr HKLM "${ARP_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${ARP_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKLM "${ARP_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${ARP_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${ARP_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${ARP_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${ARP_KEY}" "NoRepair" 1
  ; In kilobytes, as the list of programs expects.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${ARP_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext all
  Call un.WaitUntilClosed
FunctionEnd

; Only what the installer put there: the folder goes only when nothing else is left in it.
Section "Uninstall"
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\Mirovane.hlp"
  Delete "$INSTDIR\LICENSE.TXT"
  Delete "$INSTDIR\README.TXT"
  ; The help viewer's own index of the help file, written beside it on first use.
  Delete "$INSTDIR\Mirovane.GID"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ; The maker's folder of the default location, once no other program of ours is in it.
  RMDir "$PROGRAMFILES\Varnholt"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${ARP_KEY}"

  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also remove your settings of ${PRODUCT} (window layout and options)?" /SD IDNO IDNO keep
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Varnholt"
  keep:
SectionEnd
