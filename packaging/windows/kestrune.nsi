; The Windows installer of Kestrune. Built by the kestrune_windows_packages target of the
; Windows build, which defines:
;   VERSION      the project's version ("3.15")
;   OUTFILE      the installer to write
;   KESTRUNE_EXE the window, kestrune.exe
;   KESTRUNECTL_EXE  the command-line tool, kestrunectl.exe (when it was built)
;   LICENSE_FILE the licence shown before installing (when there is one)
; A 64-bit installer for the 64-bit programs: it writes the 64-bit registry and
; Program Files, and a 32-bit Windows refuses to start it at all.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"

!define PRODUCT "Kestrune"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune"
; Hubs answer the discovery request on UDP 30303; without an inbound rule the firewall
; drops the replies to a program it does not know, and the search finds no hub.
!define FIREWALL_RULE "Kestrune hub discovery (UDP 30303)"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING

!ifdef LICENSE_FILE
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!endif
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "Kestrune developers, Apache License 2.0"

; Programs are started by their full path: by a bare name Windows would look in the
; installer's own folder first (Downloads, as a rule), and run what lies there elevated.
!macro AllowDiscovery program
  nsExec::Exec '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow program="$INSTDIR\${program}" protocol=UDP localport=30303 profile=any enable=yes'
  Pop $0
!macroend

!macro ForgetDiscovery program
  nsExec::Exec '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${FIREWALL_RULE}" program="$INSTDIR\${program}"'
  Pop $0
!macroend

; Always Program Files, which only administrators may change: elsewhere (C:\Kestrune) the
; folder would let every user replace the programs, and the uninstaller runs elevated. So
; there is no folder page, and a folder given with /D= is not taken.
Function .onInit
  StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
FunctionEnd

Section "Kestrune"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=kestrune.exe" "${KESTRUNE_EXE}"
!ifdef KESTRUNECTL_EXE
  File "/oname=kestrunectl.exe" "${KESTRUNECTL_EXE}"
!endif
!ifdef LICENSE_FILE
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
!endif

  ; A rule left by an earlier installation is replaced, not doubled.
  !insertmacro ForgetDiscovery "kestrune.exe"
  !insertmacro AllowDiscovery "kestrune.exe"
!ifdef KESTRUNECTL_EXE
  !insertmacro ForgetDiscovery "kestrunectl.exe"
  !insertmacro AllowDiscovery "kestrunectl.exe"
!endif

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\kestrune.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Удалить ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrune.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro ForgetDiscovery "kestrune.exe"
  !insertmacro ForgetDiscovery "kestrunectl.exe"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Удалить ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\kestrune.exe"
  Delete "$INSTDIR\kestrunectl.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
