; The Windows installer, kelvane-<version>-setup.exe, made by scripts/build_windows.sh with
; Debian's makensis from the folder the zip is made of:
;   makensis -DVERSION=<version> -DSTAGE=<that folder> -DICON=<kelvane.ico> -DOUTFILE=<setup.exe>
; It installs for the user who runs it, without administrator rights: the program in the user's
; own programs folder, a Start-menu entry with the icon, an entry in "Apps" to remove it. The
; uninstaller removes what the installer put there and nothing else: the user's command table,
; settings and journals (in %APPDATA%\Kelvane and %LOCALAPPDATA%\Kelvane) stay.
; "setup.exe /S" installs without asking, "uninstall.exe /S" removes so too.
; A 64-bit installer for the 64-bit program (Wine runs it without its 32-bit part, too).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane"

Name "Kelvane ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\Kelvane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show

LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Kelvane"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; The program starts in its own folder, which holds no command table: the user's copy is used.
    CreateShortCut "$SMPROGRAMS\Kelvane.lnk" "$INSTDIR\kelvane.exe" "" "$INSTDIR\kelvane.exe" 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kelvane"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvane.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Kelvane.lnk"
    ; Only what the installer put there (its list is made with the installer), then the folder
    ; if nothing else is left in it.
    !include "${STAGE}.uninstall.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
