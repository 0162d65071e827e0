; The Windows installer: puts the programs, the MIDI library beside them,
; the README and the licence under Program Files, a Start-menu entry and an
; uninstaller, and (a component the user may leave out) "Open with Sonomot"
; for .mid files. /S installs and uninstalls without a window.
;
; makensis -DVERSION=0.0.0.2 -DBINDIR=<folder of the .exe and .dll>
;          -DDOCDIR=<folder of README.txt and LICENSE.txt> -DOUTFILE=<setup.exe>
;          sonomot.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "x64.nsh"

!ifndef VERSION | BINDIR | DOCDIR | OUTFILE
  !error "VERSION, BINDIR, DOCDIR and OUTFILE must be defined"
!endif

!define PRODUCT "Sonomot"
!define PRODUCT_KEY "Software\Sonomot"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sonomot"
!define PROG_ID "Sonomot.MidiFile"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallDir"
RequestExecutionLevel admin
ShowInstDetails show
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "LegalCopyright" "MIT License"

!insertmacro MUI_PAGE_LICENSE "${DOCDIR}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The programs are 64-bit: their folder and keys are the 64-bit ones, and
; the Start-menu entry is everyone's, as the folder is.
Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs 64-bit Windows."
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BINDIR}\sonomot-console.exe"
  File "${BINDIR}\MIDIData.dll"
  !ifdef WINDOW
    File "${BINDIR}\sonomot.exe"
  !endif
  File "${DOCDIR}\README.txt"
  File "${DOCDIR}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  !ifdef WINDOW
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\sonomot.exe"
  !else
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\sonomot-console.exe"
  !endif
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\README.lnk" "$INSTDIR\README.txt"

  WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Sonomot developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  !ifdef WINDOW
    ; The window carries the application icon.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sonomot.exe"
  !else
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sonomot-console.exe"
  !endif
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Offered in "Open with" beside the programs already there; no program's
; claim on .mid is taken over.
Section "Open with ${PRODUCT} for .mid files" SecOpenWith
  !ifdef WINDOW
    !define OPEN_PROGRAM "sonomot.exe"
  !else
    !define OPEN_PROGRAM "sonomot-console.exe"
  !endif
  WriteRegStr HKLM "Software\Classes\${PROG_ID}" "" "MIDI file"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}" "FriendlyTypeName" "MIDI file"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell\open" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell\open\command" "" \
    '"$INSTDIR\${OPEN_PROGRAM}" "%1"'
  WriteRegStr HKLM "Software\Classes\.mid\OpenWithProgids" "${PROG_ID}" ""
  WriteRegStr HKLM "Software\Classes\.midi\OpenWithProgids" "${PROG_ID}" ""
  WriteRegStr HKLM "${PRODUCT_KEY}" "OpenWith" "1"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The programs, the MIDI library, README and licence."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecOpenWith} "Offer ${PRODUCT} in the Open with menu of .mid files."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Takes away what the installer put there and nothing else: the settings
; a user saved (%APPDATA%\sonomot) are theirs and stay.
Section "Uninstall"
  Delete "$INSTDIR\sonomot-console.exe"
  Delete "$INSTDIR\sonomot.exe"
  Delete "$INSTDIR\MIDIData.dll"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\README.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegValue HKLM "Software\Classes\.mid\OpenWithProgids" "${PROG_ID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.mid\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\.mid"
  DeleteRegValue HKLM "Software\Classes\.midi\OpenWithProgids" "${PROG_ID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.midi\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\.midi"
  DeleteRegKey HKLM "Software\Classes\${PROG_ID}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
SectionEnd
