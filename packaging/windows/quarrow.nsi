; The Windows installer of the launcher, built by makensis from the Windows
; build (the target `installer`, cmake/WindowsInstaller.cmake), which passes
;   QUARROW_VERSION  the program's version, e.g. 1.0.0
;   QUARROW_EXE      the built quarrow-launcher.exe
;   QUARROW_ICON     the program's icon (res/icon.ico)
;   QUARROW_OUTFILE  the installer to write
;   QUARROW_LOADER   (optional) a loader to install as quilbyLoader.exe; the
;                    demo loader, with QUARROW_INSTALL_DEMO_LOADER
;
; It installs for every user of the machine:
;   Program Files\Quarrow\quarrow-launcher.exe    the program
;   Program Files\Quarrow\uninstall.exe           its uninstaller
;   the Start menu's "Quarrow" shortcut to the program
;   the "Quarrow" entry of the installed programs (the Uninstall registry key)
; The game's own loader, quilbyLoader.exe, belongs beside the program in
; Program Files\Quarrow; the game's publisher puts it there. The uninstaller
; removes only what the installer put there, so a loader placed beside the
; program (and not installed by this installer) keeps its folder.
;
; /S installs or uninstalls silently; /D=<folder> (last on the command line)
; picks another folder.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define PRODUCT "Quarrow"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarrow"

Name "${PRODUCT}"
OutFile "${QUARROW_OUTFILE}"
Icon "${QUARROW_ICON}"
UninstallIcon "${QUARROW_ICON}"
InstallDir "$PROGRAMFILES64\Quarrow"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${QUARROW_VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "Quarrow Studio"
VIAddVersionKey "LegalCopyright" "© Quarrow Studio"
VIAddVersionKey "FileDescription" "${PRODUCT} ${QUARROW_VERSION} setup"
VIAddVersionKey "FileVersion" "${QUARROW_VERSION}"
VIAddVersionKey "ProductVersion" "${QUARROW_VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "Quarrow"
    SetOutPath "$INSTDIR"
    File "/oname=quarrow-launcher.exe" "${QUARROW_EXE}"
!ifdef QUARROW_LOADER
    File "/oname=quilbyLoader.exe" "${QUARROW_LOADER}"
!endif
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut starts the program in its own folder.
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quarrow-launcher.exe" "" "$INSTDIR\quarrow-launcher.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${QUARROW_VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quarrow Studio"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quarrow-launcher.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$INSTDIR\quarrow-launcher.exe"
!ifdef QUARROW_LOADER
    Delete "$INSTDIR\quilbyLoader.exe"
!endif
    Delete "$INSTDIR\uninstall.exe"
    ; Only an empty folder goes: a loader placed beside the program stays.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
