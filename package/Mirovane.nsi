; The installer of Varnholt Glyph Gatherer: installs for all users, adds a Start menu shortcut,
; an Explorer command on folders and icon files and an entry in the list of installed programs, and writes an uninstaller that takes all of
; it away again. On 64-bit Windows it installs the 64-bit program into the 64-bit Program Files
; with its entry in the 64-bit registry, and replaces a 32-bit install of ours; elsewhere the
; 32-bit program. Built by the build (package/CMakeLists.txt), which passes:
;   VERSION  four numbers, read from the file VERSION
;   TARGET   the stub: x86-unicode for the shipped installer (it starts on every Windows),
;            amd64-unicode for the tests where 32-bit programs cannot start
;   FILES32  the folder with the 32-bit Mirovane.exe and Mirovane.com, Mirovane.chm, LICENSE.TXT
;            and README.TXT
;   FILES64  the folder with the 64-bit Mirovane.exe and Mirovane.com; without it the installer puts the 32-bit
;            program everywhere, as the releases before the 64-bit program did
;   ART      res/art, for the icon and the side picture
;   OUTFILE  the installer to write

!ifndef VERSION | TARGET | FILES32 | ART | OUTFILE
  !error "Build the installer through the build: make dist"
!endif

Target ${TARGET}
SetCompressor /SOLID lzma
; Files packed keep their dates only where the Program section says so: the build dates the
; program's files with the commit's time, so that two builds give the same installer, and any
; other file (such as the side picture) is packed without the time it was checked out.
SetDateSave off
ManifestDPIAware true

!define PRODUCT "Varnholt Glyph Gatherer"
!define PUBLISHER "Varnholt"
!define EXE "Mirovane.exe"
; The console twin, which command prompts find first for "Mirovane".
!define COM "Mirovane.com"
!define UNINSTALLER "Uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The program's own key for each user's settings.
!define SETTINGS_KEY "Software\Varnholt\Glyph Gatherer"
!searchparse "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "."
!define FOLDER "Varnholt\Glyph Gatherer"
; The Explorer command on folders, drives and icon container files (ExplorerCommand below):
; the verb's key under each class of HKLM\Software\Classes, and what the menu shows.
!define VERB "MirovaneShowIcons"
!define VERB_TEXT "Show icons with Glyph Gatherer"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The folder is chosen in .onInit, once the registry view is known (InstallDir and
; InstallDirRegKey are read before, in the 32-bit view).
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
!include "x64.nsh"

!define MUI_ICON "${ART}/Mirovane.ico"
!define MUI_UNICON "${ART}/Mirovane.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ART}/setupside.bmp"
!define MUI_ABORTWARNING
; The finish page offers no "start the program now": it would run with the installer's
; raised rights and keep its settings under the administrator's name.

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${FILES32}/LICENSE.TXT"
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

; Adds (Write) or removes (Delete) the Explorer command of one class, such as "Directory" or
; "SystemFileAssociations\.dll".
!macro ExplorerVerb action class
  !if ${action} == Write
    WriteRegStr HKLM "Software\Classes\${class}\shell\${VERB}" "" "${VERB_TEXT}"
    WriteRegStr HKLM "Software\Classes\${class}\shell\${VERB}" "Icon" '"$INSTDIR\${EXE}",0'
    WriteRegStr HKLM "Software\Classes\${class}\shell\${VERB}\command" "" '"$INSTDIR\${EXE}" "%1"'
  !else
    DeleteRegKey HKLM "Software\Classes\${class}\shell\${VERB}"
  !endif
!macroend
!macro ExplorerCommand action
  !insertmacro ExplorerVerb ${action} "Directory"
  !insertmacro ExplorerVerb ${action} "Drive"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.exe"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.dll"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.ico"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.cur"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.ani"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.icl"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.cpl"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.ocx"
  !insertmacro ExplorerVerb ${action} "SystemFileAssociations\.scr"
!macroend

; "1" where the 64-bit program goes: 64-bit Windows on x64 processors. ARM64 Windows gets the
; 32-bit program: every version runs x86 programs, only some run x64 ones.
Var Is64
; On 64-bit Windows, the folder of a 32-bit install of ours that this one replaces.
Var Earlier32Dir
; Program Files of 32-bit programs.
Var Programs32Dir

; Chooses the program and the registry view of this Windows, for installer and uninstaller.
!macro ChooseProgram un
  Function ${un}ChooseProgram
    StrCpy $Is64 ""
    !if ${TARGET} == amd64-unicode
      ; The 64-bit stub's $PROGRAMFILES32 names the 64-bit folder; Windows' own variable tells.
      ReadEnvStr $Programs32Dir "ProgramFiles(x86)"
    !else
      StrCpy $Programs32Dir $PROGRAMFILES32
    !endif
    !ifdef FILES64
      ${If} ${RunningX64}
      ${AndIfNot} ${IsNativeARM64}
        StrCpy $Is64 "1"
        SetRegView 64
      ${EndIf}
    !else
      SetRegView 32
    !endif
  FunctionEnd
!macroend
!insertmacro ChooseProgram ""
!insertmacro ChooseProgram "un."

; The default folder: Program Files of the program's kind.
!macro DefaultParent out
  ${If} $Is64 == "1"
    StrCpy ${out} "$PROGRAMFILES64\Varnholt"
  ${Else}
    StrCpy ${out} "$Programs32Dir\Varnholt"
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  Call ChooseProgram
  Call WaitUntilClosed
  ; Over an earlier version: into its folder. A 32-bit install on 64-bit Windows stays in a
  ; folder the user chose, but leaves the 32-bit Program Files.
  ReadRegStr $0 HKLM "${ARP_KEY}" "InstallLocation"
  StrCpy $Earlier32Dir ""
  ${If} $Is64 == "1"
    SetRegView 32
    ReadRegStr $Earlier32Dir HKLM "${ARP_KEY}" "InstallLocation"
    SetRegView 64
    ${If} $0 == ""
    ${AndIf} $Earlier32Dir != "$Programs32Dir\${FOLDER}"
      StrCpy $0 $Earlier32Dir
    ${EndIf}
  ${EndIf}
  ; Empty unless /D= chose the folder.
  ${If} $INSTDIR == ""
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${Else}
      !insertmacro DefaultParent $INSTDIR
      StrCpy $INSTDIR "$INSTDIR\Glyph Gatherer"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Program"
  ; The 32-bit install goes first, through its own uninstaller (silent: the settings stay), so
  ; that one program and one entry remain. Its entry stays if that fails, to remove it later.
  ${If} $Earlier32Dir != ""
    StrCpy $1 0
    ${If} ${FileExists} "$Earlier32Dir\${UNINSTALLER}"
      ClearErrors
      ExecWait '"$Earlier32Dir\${UNINSTALLER}" /S _?=$Earlier32Dir' $1
      ${If} ${Errors}
        StrCpy $1 1
      ${EndIf}
    ${EndIf}
    ${If} $1 == 0
      Delete "$Earlier32Dir\${UNINSTALLER}"
      RMDir "$Earlier32Dir"
      RMDir "$Programs32Dir\Varnholt"
      SetRegView 32
      DeleteRegKey HKLM "${ARP_KEY}"
      SetRegView 64
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR"
  SetDateSave on
  !ifdef FILES64
    ${If} $Is64 == "1"
      File "${FILES64}/${EXE}"
      File "${FILES64}/${COM}"
    ${Else}
      File "${FILES32}/${EXE}"
      File "${FILES32}/${COM}"
    ${EndIf}
  !else
    File "${FILES32}/${EXE}"
    File "${FILES32}/${COM}"
  !endif
  File "${FILES32}/Mirovane.chm"
  ; The WinHelp file of earlier versions, and the index its viewer wrote beside it.
  Delete "$INSTDIR\Mirovane.hlp"
  Delete "$INSTDIR\Mirovane.GID"
  File "${FILES32}/LICENSE.TXT"
  File "${FILES32}/README.TXT"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
  !insertmacro ExplorerCommand Write

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
  Call un.ChooseProgram
  Call un.WaitUntilClosed
FunctionEnd

; Only what the installer put there: the folder goes only when nothing else is left in it.
Section "Uninstall"
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\${COM}"
  Delete "$INSTDIR\Mirovane.chm"
  Delete "$INSTDIR\LICENSE.TXT"
  Delete "$INSTDIR\README.TXT"
  ; Left by an earlier version: its WinHelp file and the index its viewer wrote beside it.
  Delete "$INSTDIR\Mirovane.hlp"
  Delete "$INSTDIR\Mirovane.GID"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; A folder already empty can still be held for a moment (by the uninstaller's first copy as
  ; it ends, or by a virus scanner): it is tried again for a few seconds. A folder that still
  ; holds the user's own files is left at once.
  ${For} $1 1 20
    RMDir "$INSTDIR"
    ${DirState} "$INSTDIR" $2
    ${IfThen} $2 != 0 ${|} ${ExitFor} ${|}
    Sleep 250
  ${Next}
  ; The maker's folder of the default location, once no other program of ours is in it.
  !insertmacro DefaultParent $0
  RMDir "$0"
  Delete "${SHORTCUT}"
  !insertmacro ExplorerCommand Delete
  DeleteRegKey HKLM "${ARP_KEY}"

  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also remove your settings of ${PRODUCT} (window layout and options)?" /SD IDNO IDNO keep
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Varnholt"
  ; A settings file a user made in the program's folder, and the folder once that was all it held.
  Delete "$INSTDIR\Mirovane.ini"
  RMDir "$INSTDIR"
  !insertmacro DefaultParent $0
  RMDir "$0"
  keep:
SectionEnd
