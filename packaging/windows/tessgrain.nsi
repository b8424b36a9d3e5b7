; The Windows installer: Tessgrain.aex and its companion into the folder both hosts scan, an
; Add/Remove Programs entry, and an uninstaller that takes back exactly that.
; makensis -DVERSION=... -DDISPLAY_NAME=... -DPUBLISHER=... -DSTAGE=<folder> -DOUTFILE=<exe>
Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written offers retry or cancel only: skipping one would leave half an
; install.
AllowSkipFiles off

!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALLER "Uninstall Tessgrain.exe"
!define ENTRY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrbiskTessgrain"

Name "${DISPLAY_NAME} ${VERSION}"
OutFile "${OUTFILE}"
; Where both hosts scan for plug-ins, and where the effect looks for its companion.
InstallDir "$PROGRAMFILES64\Adobe\Common\Plug-ins\7.0\MediaCore\Mirelune Orbisk"
VIProductVersion "${VERSION}"
VIAddVersionKey ProductName "${DISPLAY_NAME}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${DISPLAY_NAME} ${VERSION} Setup"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Every file the installer puts in the folder, once: the install, the lock check and the uninstall
; all go through this list.
!macro FOR_EACH_FILE OP
  !insertmacro ${OP} "Tessgrain.aex"
  !insertmacro ${OP} "Orbisk.exe"
  !insertmacro ${OP} "user-guide.html"
  !insertmacro ${OP} "LICENSE.txt"
  !insertmacro ${OP} "${UNINSTALLER}"
!macroend

!macro INSTALL_FILE NAME
  !if "${NAME}" != "${UNINSTALLER}"
    File "${STAGE}\${NAME}"
  !endif
!macroend

!macro REMOVE_FILE NAME
  Delete "$0\${NAME}"
!macroend

; A host that has loaded the module (or a running companion) holds its file: opening it for
; writing fails. Asked before anything is written, so cancel leaves the earlier install whole.
!macro WAIT_UNTIL_FREE NAME
  !if "${NAME}" != "${UNINSTALLER}"
  ${Do}
    ClearErrors
    ${IfNot} ${FileExists} "$0\${NAME}"
      ${Break}
    ${EndIf}
    FileOpen $1 "$0\${NAME}" a
    ${IfNot} ${Errors}
      FileClose $1
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "$0\${NAME} is in use. Close After Effects, Premiere Pro and Media Encoder, then choose Retry." \
      /SD IDCANCEL IDRETRY +2
    SetErrorLevel 2  ; the uninstaller would end with 0 otherwise
    Abort "$0\${NAME} is in use: nothing was changed."
  ${Loop}
  !endif
!macroend

; Deletes, under HKCU\Software\Adobe\$R0, every key named Tessgrain.aex (letter case aside) whose
; path runs through a plug-in cache, with everything below it: the rule the module's own cache
; reset follows, so a neighbour whose name merely holds ours keeps its entries.
!macro PLUGIN_CACHE_WALK PREFIX
Function ${PREFIX}WalkPluginCache
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R1 0
  ${Do}
    EnumRegKey $R2 HKCU "Software\Adobe$R0" $R1
    ${If} $R2 == ""
      ${Break}
    ${EndIf}
    StrCpy $R3 "$R0\$R2"
    Push $R3
    Call ${PREFIX}HoldsPluginCache
    Pop $R4
    ${If} $R4 == 1
    ${AndIf} $R2 == "Tessgrain.aex"
      DeleteRegKey HKCU "Software\Adobe$R3"
      ${Continue}  ; the next key moved up to this index
    ${EndIf}
    Push $R0
    StrCpy $R0 $R3
    Call ${PREFIX}WalkPluginCache
    Pop $R0
    IntOp $R1 $R1 + 1
  ${Loop}
  Pop $R3
  Pop $R2
  Pop $R1
FunctionEnd

; 1 when the path on the stack holds "plugincache" (StrCmp ignores letter case), else 0.
Function ${PREFIX}HoldsPluginCache
  Exch $R5
  Push $R6
  Push $R7
  StrLen $R6 $R5
  IntOp $R6 $R6 - 10
  ${Do}
    IntOp $R6 $R6 - 1
    ${If} $R6 < 0
      StrCpy $R5 0
      ${Break}
    ${EndIf}
    StrCpy $R7 $R5 11 $R6
    ${If} $R7 == "plugincache"
      StrCpy $R5 1
      ${Break}
    ${EndIf}
  ${Loop}
  Pop $R7
  Pop $R6
  Exch $R5
FunctionEnd
!macroend
!insertmacro PLUGIN_CACHE_WALK "un."

Function .onInit
  SetRegView 64
  ; Over an earlier version: into its folder, unless /D= names another.
  ${If} $INSTDIR == "$PROGRAMFILES64\Adobe\Common\Plug-ins\7.0\MediaCore\Mirelune Orbisk"
    ReadRegStr $0 HKLM "${ENTRY}" InstallLocation
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Tessgrain"
  StrCpy $0 $INSTDIR
  !insertmacro FOR_EACH_FILE WAIT_UNTIL_FREE
  ; An earlier version installed elsewhere (another /D=) leaves nothing behind there.
  ReadRegStr $0 HKLM "${ENTRY}" InstallLocation
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    !insertmacro FOR_EACH_FILE WAIT_UNTIL_FREE
    !insertmacro FOR_EACH_FILE REMOVE_FILE
    RMDir $0
  ${EndIf}

  SetOutPath $INSTDIR
  !insertmacro FOR_EACH_FILE INSTALL_FILE
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ${GetSize} $INSTDIR "/S=0K" $1 $2 $3
  WriteRegStr HKLM "${ENTRY}" DisplayName "${DISPLAY_NAME}"
  WriteRegStr HKLM "${ENTRY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${ENTRY}" Publisher "${PUBLISHER}"
  WriteRegStr HKLM "${ENTRY}" InstallLocation $INSTDIR
  WriteRegDWORD HKLM "${ENTRY}" EstimatedSize $1
  WriteRegStr HKLM "${ENTRY}" UninstallString '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${ENTRY}" QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${ENTRY}" NoModify 1
  WriteRegDWORD HKLM "${ENTRY}" NoRepair 1
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  StrCpy $0 $INSTDIR
  !insertmacro FOR_EACH_FILE WAIT_UNTIL_FREE
  !insertmacro FOR_EACH_FILE REMOVE_FILE
  RMDir $INSTDIR
  DeleteRegKey HKLM "${ENTRY}"
  ; The hosts would otherwise remember a plug-in that is gone.
  StrCpy $R0 ""
  Call un.WalkPluginCache
SectionEnd
