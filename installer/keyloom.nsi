; Keyloom's setup program. scripts/package.sh builds it:
;   makensis /DVERSION=1.0.0.3 /DX64_EXE=... /DX86_EXE=... /DOUTFILE=... installer/keyloom.nsi
; VERSION comes from project(Keyloom VERSION ...) in CMakeLists.txt.
; /DTARGET=amd64-unicode makes a 64-bit setup program from the same script,
; for machines that cannot run 32-bit code; the one that ships is 32-bit, so
; that it runs on every Windows and picks the program that fits.
;
; Command line: /S installs silently; /SIGNIN selects "Start Keyloom when I
; sign in" (for silent installs); /D=dir sets the folder.

!ifndef VERSION | X64_EXE | X86_EXE | OUTFILE
  !error "VERSION, X64_EXE, X86_EXE and OUTFILE must be defined (see scripts/package.sh)"
!endif

; /DSIGN="command" signs the uninstaller before it is packed in and the
; setup program once it is written (scripts/sign.sh; the command gets the
; file's path, and the uninstaller's also UNINSTALLER_COPY, where a copy of
; the signed uninstaller is kept to be checked).
!ifdef SIGN
  !ifndef UNINSTALLER_COPY
    !error "SIGN needs UNINSTALLER_COPY"
  !endif
  !uninstfinalize '${SIGN} "%1" "${UNINSTALLER_COPY}"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

!ifdef TARGET
  Target ${TARGET}
  ; On a 64-bit stub ${RunningX64} is known at compile time, which leaves
  ; the other branch of each test an unused label.
  !pragma warning disable 6012
!else
  Unicode true
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Keyloom"
!define PUBLISHER "Tallow Labs"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyloom"
; The program keeps everything here, in the 32-bit registry view.
!define STORE_KEY "Software\Tallow Labs\Keyloom"
!define STORE_PARENT "Software\Tallow Labs"
!define TASK_NAME "Keyloom"
; Keyloom's main window: a hidden dialog of its own window class (a message
; box or another program's window titled "Keyloom" is never taken for it).
; Its Shutdown is the OK command.
!define MAIN_CLASS "KeyloomMainWindow"
!define MAIN_TITLE "Keyloom"
!define IDOK 1

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
BrandingText "${PUBLISHER}"
OutFile "${OUTFILE}"
; Keyloom writes under HKEY_LOCAL_MACHINE and asks for elevation itself;
; setup installs for every user of the machine and asks the same.
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2000 ${PUBLISHER}"

!define MUI_ICON "..\src\res\keyloom.ico"
!define MUI_UNICON "..\src\res\keyloom.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Keyloom.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Keyloom now"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The uninstall entry and the program's bitness go together: the 64-bit
; program on 64-bit Windows, listed in the 64-bit view.
!macro USE_PROGRAM_VIEW
  ${If} ${RunningX64}
    SetRegView 64
  ${Else}
    SetRegView 32
  ${EndIf}
!macroend

; Ends a running Keyloom the way its Shutdown command does (it removes its
; tray icon and exits), never by force, and waits until the process is
; gone so that its file can be replaced or removed. Asks first unless
; silent; leaves $R0 "closed" or "running".
!macro DEFINE_CLOSE_KEYLOOM prefix
Function ${prefix}CloseKeyloom
  StrCpy $R0 "closed"
  FindWindow $0 "${MAIN_CLASS}" "${MAIN_TITLE}"
  ${If} $0 = 0
    Return
  ${EndIf}
  MessageBox MB_OKCANCEL|MB_ICONQUESTION "Keyloom is running.$\r$\n$\r$\nClick OK to shut it down now (its hot keys stop until it is started again), or Cancel to stop here." /SD IDOK IDOK close
  StrCpy $R0 "running"
  Return
close:
  DetailPrint "Shutting down the running Keyloom"
  System::Call "user32::GetWindowThreadProcessId(p r0, *i 0 r1) i"
  ; SYNCHRONIZE: enough to wait for the process to end.
  System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2"
  SendMessage $0 ${WM_COMMAND} ${IDOK} 0 /TIMEOUT=10000
  ${If} $2 != 0
    System::Call "kernel32::WaitForSingleObject(p r2, i 30000) i .r3"
    System::Call "kernel32::CloseHandle(p r2)"
  ${EndIf}
  ; Without a process handle, the window going away is the sign.
  StrCpy $4 0
  ${Do}
    FindWindow $0 "${MAIN_CLASS}" "${MAIN_TITLE}"
    ${If} $0 = 0
      Return
    ${EndIf}
    IntOp $4 $4 + 1
    ${If} $4 > 150
      ${Break}
    ${EndIf}
    Sleep 200
  ${Loop}
  StrCpy $R0 "running"
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_KEYLOOM ""
!insertmacro DEFINE_CLOSE_KEYLOOM "un."


Section "Keyloom (required)" SecProgram
  SectionIn RO
  Call CloseKeyloom
  ${If} $R0 != "closed"
    Abort "Keyloom is still running; nothing was changed. Shut it down from its tray icon and run setup again."
  ${EndIf}

  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    DetailPrint "Installing the 64-bit program"
    File "/oname=Keyloom.exe" "${X64_EXE}"
  ${Else}
    DetailPrint "Installing the 32-bit program"
    File "/oname=Keyloom.exe" "${X86_EXE}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Keyloom.exe" "" "$INSTDIR\Keyloom.exe" 0

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  !insertmacro USE_PROGRAM_VIEW
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Keyloom.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SetRegView lastused
SectionEnd

; Keyloom runs elevated, and Windows does not start elevated programs from
; the Run key: a scheduled task started at sign-in with the highest
; privileges does. Written as a task definition because the definition can
; also lift the scheduler's defaults that would stop it (72 hours' run
; time, not starting on battery).
Section /o "Start Keyloom when I sign in" SecSignIn
  ReadEnvStr $1 "USERDOMAIN"
  ReadEnvStr $2 "USERNAME"
  InitPluginsDir
  FileOpen $0 "$PLUGINSDIR\keyloom-task.xml" w
  FileWriteUTF16LE /BOM $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '    <Author>${PUBLISHER}</Author>$\r$\n'
  FileWriteUTF16LE $0 '    <Description>Starts Keyloom when you sign in.</Description>$\r$\n'
  FileWriteUTF16LE $0 '  </RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers>$\r$\n'
  FileWriteUTF16LE $0 '    <LogonTrigger>$\r$\n'
  FileWriteUTF16LE $0 '      <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '      <UserId>$1\$2</UserId>$\r$\n'
  FileWriteUTF16LE $0 '    </LogonTrigger>$\r$\n'
  FileWriteUTF16LE $0 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals>$\r$\n'
  FileWriteUTF16LE $0 '    <Principal id="Author">$\r$\n'
  FileWriteUTF16LE $0 '      <LogonType>InteractiveToken</LogonType>$\r$\n'
  FileWriteUTF16LE $0 '      <RunLevel>HighestAvailable</RunLevel>$\r$\n'
  FileWriteUTF16LE $0 '    </Principal>$\r$\n'
  FileWriteUTF16LE $0 '  </Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  FileWriteUTF16LE $0 '    <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Author">$\r$\n'
  FileWriteUTF16LE $0 '    <Exec>$\r$\n'
  FileWriteUTF16LE $0 '      <Command>$INSTDIR\Keyloom.exe</Command>$\r$\n'
  FileWriteUTF16LE $0 '    </Exec>$\r$\n'
  FileWriteUTF16LE $0 '  </Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /XML "$PLUGINSDIR\keyloom-task.xml" /TN "${TASK_NAME}" /F'
  Pop $0
  ${If} $0 != 0
    DetailPrint "schtasks answered $0: Keyloom will not start at sign-in"
    MessageBox MB_OK|MB_ICONEXCLAMATION "Keyloom could not be set to start when you sign in (schtasks answered $0). Everything else is installed." /SD IDOK
  ${EndIf}
SectionEnd

; $0 "yes" when the sign-in task is registered: the scheduler keeps each
; task's definition as a file of its name, in the 64-bit System32 on 64-bit
; Windows.
Function SignInTaskExists
  StrCpy $0 "no"
  ${DisableX64FSRedirection}
  ${If} ${FileExists} "$WINDIR\System32\Tasks\${TASK_NAME}"
    StrCpy $0 "yes"
  ${EndIf}
  ${EnableX64FSRedirection}
FunctionEnd

; A new install without the option removes the task an older one made.
Section "-RemoveSignInTask"
  Call SignInTaskExists
  ${IfNot} ${SectionIsSelected} ${SecSignIn}
  ${AndIf} $0 == "yes"
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
    Pop $0
  ${EndIf}
SectionEnd

Section "Uninstall"
  Call un.CloseKeyloom
  ${If} $R0 != "closed"
    Abort "Keyloom is still running; nothing was removed. Shut it down from its tray icon and uninstall again."
  ${EndIf}

  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
  Pop $0
  Delete "$INSTDIR\Keyloom.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro USE_PROGRAM_VIEW
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  SetRegView lastused

  ; The stored macros and recordings stay unless the user asks otherwise;
  ; a silent uninstall keeps them.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "Keep your Keyloom macros and recordings?$\r$\n$\r$\nYes keeps them in the registry for a later install. No deletes them for good." /SD IDYES IDYES keep
  SetRegView 32
  DeleteRegKey HKLM "${STORE_KEY}"
  DeleteRegKey /ifempty HKLM "${STORE_PARENT}"
  SetRegView lastused
  DetailPrint "Deleted the stored macros and recordings"
keep:
SectionEnd

Function .onInit
  ${If} ${RunningX64}
    ; The 64-bit program goes to the 64-bit Program Files, unless /D= chose
    ; another folder.
    ${If} $INSTDIR == "$PROGRAMFILES\${PRODUCT}"
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${EndIf}
  ; A new install over an old one goes where the old one is.
  !insertmacro USE_PROGRAM_VIEW
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
  SetRegView lastused
  ; The sign-in option starts as it was: on where the task already exists,
  ; or when the command line asks for it.
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/SIGNIN" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${SecSignIn} ${SF_SELECTED}
  ${EndIf}
  Call SignInTaskExists
  ${If} $0 == "yes"
    SectionSetFlags ${SecSignIn} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
