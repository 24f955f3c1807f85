; Keyloom's setup program. scripts/package.sh builds it:
;   makensis /DVERSION=1.0.0.3 /DX64_EXE=... /DX86_EXE=... /DOUTFILE=... installer/keyloom.nsi
; VERSION comes from the file VERSION, through CMakeLists.txt.
; /DTARGET=amd64-unicode makes a 64-bit setup program from the same script,
; for machines that cannot run 32-bit code; the one that ships is 32-bit, so
; that it runs on every Windows and picks the program that fits.
;
; Command line: /S installs silently; /SIGNIN selects "Start Keyloom when I
; sign in" (for silent installs); /D=dir sets the folder.
;
; Exit codes (setup and uninstaller): 0 done; 1 cancelled; 2 Keyloom has a
; window open, runs a macro or did not end, and nothing was changed; 3 the
; program file cannot be replaced (in use), and nothing was changed.

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
!include "StrFunc.nsh"
${StrLoc}

!define PRODUCT "Keyloom"
!define PUBLISHER "Tallow Labs"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyloom"
; The program keeps everything here, in the 32-bit registry view.
!define STORE_KEY "Software\Tallow Labs\Keyloom"
!define STORE_PARENT "Software\Tallow Labs"
; Each user's sign-in task is "Keyloom <their SID>"; older setups made one
; task named "Keyloom".
!define TASK_PREFIX "Keyloom"
!define OLD_TASK_NAME "Keyloom"
; Keyloom's main window has a class of its own and answers the registered
; message with 1 (it shuts down) or 2 (a window of its own is open or a
; macro runs; nothing done).
!define MAIN_CLASS "KeyloomMainWindow"
!define SHUTDOWN_MESSAGE "KeyloomShutdownRequest"
!define SHUTDOWN_ACCEPTED 1
!define SHUTDOWN_REFUSED 2
; Keyloom before that: a hidden dialog titled "Keyloom" whose Shutdown is
; the OK command. Such a window counts only when its process runs the
; Keyloom.exe of this folder; a message box captioned "Keyloom" is not it.
!define OLD_MAIN_CLASS "#32770"
!define OLD_MAIN_TITLE "Keyloom"
!define IDOK 1
!define EXIT_BUSY 2
!define EXIT_IN_USE 3

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
; A file that cannot be written stops the install instead of being left
; out; CheckReplaceable makes sure first that it can be.
AllowSkipFiles off

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

; "yes" once a running Keyloom was shut down here, to start it again.
Var WasRunning
; The SID of the user the Keyloom shut down here ran as ("" when unknown).
Var KeyloomUser
; The user signed in to this session (not necessarily the account that
; approved the elevation): SID string, DOMAIN\name, "yes"/"no" administrator.
Var SessionSid
Var SessionName
Var SessionAdmin
Var TaskName
; "yes" when an older setup listed a 64-bit program on ARM64 Windows.
Var StaleEntry64

; The 64-bit program only where the processor runs x86-64 code natively:
; ARM64 Windows gets the 32-bit one, which it runs everywhere. The uninstall
; entry and the program's bitness go together.
!macro USE_PROGRAM_VIEW
  ${If} ${IsNativeAMD64}
    SetRegView 64
  ${Else}
    SetRegView 32
  ${EndIf}
!macroend

!macro DEFINE_CLOSE_KEYLOOM prefix
; $0 the running Keyloom's main window (0 when none), $1 "new" or "old".
Function ${prefix}FindKeyloom
  StrCpy $1 "new"
  System::Call "user32::FindWindowW(w '${MAIN_CLASS}', p 0) p .r0"
  ${If} $0 P<> 0
    Return
  ${EndIf}
  StrCpy $1 "old"
  StrCpy $0 0
  ${Do}
    System::Call "user32::FindWindowExW(p 0, p r0, w '${OLD_MAIN_CLASS}', w '${OLD_MAIN_TITLE}') p .r0"
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r3) i"
    ; PROCESS_QUERY_LIMITED_INFORMATION
    System::Call "kernel32::OpenProcess(i 0x1000, i 0, i r3) p .r4"
    ${If} $4 P<> 0
      System::Call "kernel32::QueryFullProcessImageNameW(p r4, i 0, w .r5, *i ${NSIS_MAX_STRLEN}) i .r6"
      System::Call "kernel32::CloseHandle(p r4)"
      System::Call "kernel32::GetLongPathNameW(w r5, w .r5, i ${NSIS_MAX_STRLEN}) i"
      StrCpy $R9 "$INSTDIR\Keyloom.exe"
      System::Call "kernel32::GetLongPathNameW(w R9, w .r7, i ${NSIS_MAX_STRLEN}) i .r8"
      ${If} $8 = 0
        StrCpy $7 "$INSTDIR\Keyloom.exe"
      ${EndIf}
      ; StrCmp ignores case, as file names do.
      ${If} $6 <> 0
      ${AndIf} $5 == $7
        Return
      ${EndIf}
    ${EndIf}
  ${Loop}
  StrCpy $1 ""
FunctionEnd

; Asks a running Keyloom to shut down by its own message (it removes its
; tray icon and exits), never by force, and waits until the process is
; gone so that its file can be replaced or removed. Asks the user first
; unless silent; when Keyloom has a window open or runs a macro, the
; interactive setup asks to close it and retries. Leaves $R0 "closed"
; (none runs now), "busy" (it refused and setup is silent) or "running".
Function ${prefix}CloseKeyloom
  StrCpy $R0 "closed"
  StrCpy $R2 "ask"
again:
  Call ${prefix}FindKeyloom
  ${If} $0 P= 0
    Return
  ${EndIf}
  ${If} $R2 == "ask"
    StrCpy $R2 "asked"
    MessageBox MB_OKCANCEL|MB_ICONQUESTION "Keyloom is running.$\r$\n$\r$\nClick OK to shut it down now (its hot keys stop until it is started again), or Cancel to stop here." /SD IDOK IDOK close
    StrCpy $R0 "running"
    Return
  ${EndIf}
close:
  System::Call "user32::GetWindowThreadProcessId(p r0, *i .r3) i"
  !if "${prefix}" == ""
    StrCpy $R3 $3
    Call ProcessUser
    StrCpy $KeyloomUser $R8
  !endif
  ; SYNCHRONIZE: enough to wait for the process to end.
  System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r3) p .r4"
  ${If} $1 == "new"
    System::Call "user32::RegisterWindowMessageW(w '${SHUTDOWN_MESSAGE}') i .r5"
    ; SMTO_ABORTIFHUNG: a hung Keyloom answers nothing, which counts as running.
    System::Call "user32::SendMessageTimeoutW(p r0, i r5, p 0, p 0, i 2, i 10000, *p .r6) p .r7"
    ${If} $7 P= 0
    ${OrIf} $6 <> ${SHUTDOWN_ACCEPTED}
      System::Call "kernel32::CloseHandle(p r4)"
      ${If} $7 P<> 0
      ${AndIf} $6 = ${SHUTDOWN_REFUSED}
        DetailPrint "Keyloom has a window open or is running a macro"
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Keyloom has a window open or is running a macro.$\r$\n$\r$\nClose Keyloom's window (or let the macro finish) and click Retry, or click Cancel to stop here without changing anything." /SD IDCANCEL IDRETRY again
        StrCpy $R0 "busy"
      ${Else}
        DetailPrint "Keyloom did not answer the request to shut down"
        StrCpy $R0 "running"
      ${EndIf}
      Return
    ${EndIf}
  ${Else}
    SendMessage $0 ${WM_COMMAND} ${IDOK} 0 /TIMEOUT=10000
  ${EndIf}
  DetailPrint "Shutting down the running Keyloom"
  StrCpy $WasRunning "yes"
  ${If} $4 P<> 0
    System::Call "kernel32::WaitForSingleObject(p r4, i 30000) i .r3"
    System::Call "kernel32::CloseHandle(p r4)"
  ${EndIf}
  ; Without a process handle, the window going away is the sign.
  StrCpy $4 0
  ${Do}
    Call ${prefix}FindKeyloom
    ${If} $0 P= 0
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

; $0 "yes" when FILE can be opened for writing and deletion with no one
; else holding it (Windows keeps a running program's file from being
; written), or does not exist.
; Texts that may hold a quote (a folder named Tools&Co's) reach System::Call
; in $R9, never inside its quoted literals, which they would end.
!macro CAN_REPLACE FILE
  StrCpy $0 "yes"
  ${If} ${FileExists} "${FILE}"
    ; GENERIC_WRITE | DELETE, no sharing, OPEN_EXISTING
    StrCpy $R9 "${FILE}"
    System::Call "kernel32::CreateFileW(w R9, i 0x40010000, i 0, p 0, i 3, i 0x80, p 0) p .r1"
    ${If} $1 P= -1
    ${OrIf} $1 P= 0
      StrCpy $0 "no"
    ${Else}
      System::Call "kernel32::CloseHandle(p r1)"
    ${EndIf}
  ${EndIf}
!macroend

; Before anything changes: the program file (and, for setup, the
; uninstaller) must be replaceable or removable. Keyloom running in another
; session, one that is still starting, or a scanner holding the file keeps
; it from being; the interactive setup and uninstaller offer Retry.
!macro DEFINE_CHECK_REPLACEABLE prefix
Function ${prefix}CheckReplaceable
again:
  !insertmacro CAN_REPLACE "$INSTDIR\Keyloom.exe"
  !if "${prefix}" == ""
    ${If} $0 == "yes"
      !insertmacro CAN_REPLACE "$INSTDIR\Uninstall.exe"
    ${EndIf}
  !endif
  ${If} $0 == "no"
    DetailPrint "$INSTDIR\Keyloom.exe is in use and cannot be replaced"
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$INSTDIR\Keyloom.exe is in use and cannot be replaced: Keyloom may be running for another user or in another session, or a virus scanner may be checking the file.$\r$\n$\r$\nEnd it and click Retry, or click Cancel to stop here without changing anything." /SD IDCANCEL IDRETRY again
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_CHECK_REPLACEABLE ""
!insertmacro DEFINE_CHECK_REPLACEABLE "un."

; $0 "yes" when the folder $0 is $1 or holds it.
Function IsUnder
  StrLen $2 $0
  StrCpy $3 $1 $2
  StrCpy $4 $1 1 $2
  ${If} $0 == ""
    StrCpy $0 "no"
  ${ElseIf} $3 == $0
  ${AndIf} $4 == ""
    StrCpy $0 "yes"
  ${ElseIf} $3 == $0
  ${AndIf} $4 == "\"
    StrCpy $0 "yes"
  ${Else}
    StrCpy $0 "no"
  ${EndIf}
FunctionEnd

; Program Files lets only administrators and SYSTEM write. Any other folder
; gets that too before a program starts from it with full rights at sign-in:
; Administrators and SYSTEM full control, Users read and execute, nothing
; inherited from the parent (whose Users or Authenticated Users may write),
; and the owner Administrators (an owner could change the list again).
Function SecureInstallFolder
  StrCpy $1 $INSTDIR
  StrCpy $0 $PROGRAMFILES
  Call IsUnder
  StrCpy $5 $0
  StrCpy $0 $PROGRAMFILES64
  Call IsUnder
  ${If} $5 == "yes"
  ${OrIf} $0 == "yes"
    Return
  ${EndIf}
  DetailPrint "Letting only administrators write to $INSTDIR"
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /setowner *S-1-5-32-544'
  Pop $0
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX'
  Pop $1
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR" /remove:g *S-1-1-0 *S-1-5-11 *S-1-3-0 *S-1-5-32-547'
  Pop $2
  ${If} $1 != 0
    DetailPrint "icacls answered $1"
    MessageBox MB_OK|MB_ICONSTOP "Setup could not keep other users from changing $INSTDIR (icacls answered $1). Choose a folder in Program Files, or one only administrators may change." /SD IDOK
    SetErrorLevel ${EXIT_IN_USE}
    Abort "The folder's access rights could not be set."
  ${EndIf}
FunctionEnd

; The user signed in to this session, whose desktop setup runs on: the
; owner of the shell (Explorer) of this session, read from its process
; token, which also tells whether that user is an administrator (a limited
; token of one, or a token with the Administrators group). Without a shell,
; or its token out of reach: the session's user name (WTS), whose
; administrator rights then go unchecked.
Function SessionUser
  StrCpy $SessionSid ""
  StrCpy $SessionName ""
  StrCpy $SessionAdmin "yes"
  StrCpy $3 0
  System::Call "user32::GetShellWindow() p .r0"
  ${If} $0 P<> 0
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
    System::Call "kernel32::OpenProcess(i 0x1000, i 0, i r1) p .r2"
    ${If} $2 P<> 0
      ; TOKEN_QUERY | TOKEN_DUPLICATE
      System::Call "advapi32::OpenProcessToken(p r2, i 0x000A, *p .r3) i"
      System::Call "kernel32::CloseHandle(p r2)"
    ${EndIf}
  ${EndIf}
  System::Alloc 1024
  Pop $4
  ${If} $3 P<> 0
    ; TokenUser: a TOKEN_USER, whose first member is the SID's address.
    System::Call "advapi32::GetTokenInformation(p r3, i 1, p r4, i 1024, *i .r5) i .r6"
    ${If} $6 <> 0
      System::Call "*$4(p .r7)"
      System::Call "advapi32::ConvertSidToStringSidW(p r7, *p .r8) i .r6"
      ${If} $6 <> 0
        System::Call "*$8(&w${NSIS_MAX_STRLEN} .r9)"
        StrCpy $SessionSid $9
        System::Call "kernel32::LocalFree(p r8)"
      ${EndIf}
      System::Call "advapi32::LookupAccountSidW(p 0, p r7, w .r1, *i ${NSIS_MAX_STRLEN}, w .r2, *i ${NSIS_MAX_STRLEN}, *i 0) i .r6"
      ${If} $6 <> 0
        StrCpy $SessionName "$2\$1"
      ${EndIf}
      ; TokenElevationType: 2 elevated, 3 limited (an administrator's
      ; filtered token); 1 has no linked token: then the groups decide.
      System::Call "advapi32::GetTokenInformation(p r3, i 18, *i .r1, i 4, *i .r5) i .r6"
      ${If} $6 = 0
      ${OrIf} $1 = 1
        System::Call "advapi32::DuplicateToken(p r3, i 1, *p .r2) i .r6"
        System::Call "advapi32::ConvertStringSidToSidW(w 'S-1-5-32-544', *p .r7) i"
        System::Call "advapi32::CheckTokenMembership(p r2, p r7, *i .r1) i .r6"
        System::Call "kernel32::LocalFree(p r7)"
        System::Call "kernel32::CloseHandle(p r2)"
        ${If} $6 <> 0
        ${AndIf} $1 = 0
          StrCpy $SessionAdmin "no"
        ${EndIf}
      ${EndIf}
    ${EndIf}
    System::Call "kernel32::CloseHandle(p r3)"
  ${EndIf}
  ${If} $SessionSid == ""
    ; WTSUserName 5, WTSDomainName 7 of this session.
    System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r1, *i .r2) i .r6"
    ${If} $6 <> 0
      System::Call "*$1(&w${NSIS_MAX_STRLEN} .r5)"
      System::Call "wtsapi32::WTSFreeMemory(p r1)"
      System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 7, *p .r1, *i .r2) i .r6"
      StrCpy $9 ""
      ${If} $6 <> 0
        System::Call "*$1(&w${NSIS_MAX_STRLEN} .r9)"
        System::Call "wtsapi32::WTSFreeMemory(p r1)"
      ${EndIf}
      StrCpy $SessionName "$9\$5"
      ${If} $9 == ""
        StrCpy $SessionName $5
      ${EndIf}
      StrCpy $R9 $SessionName
      System::Call "advapi32::LookupAccountNameW(p 0, w R9, p r4, *i 1024, w .r1, *i ${NSIS_MAX_STRLEN}, *i 0) i .r6"
      ${If} $6 <> 0
        System::Call "advapi32::ConvertSidToStringSidW(p r4, *p .r8) i .r6"
        ${If} $6 <> 0
          System::Call "*$8(&w${NSIS_MAX_STRLEN} .r9)"
          StrCpy $SessionSid $9
          System::Call "kernel32::LocalFree(p r8)"
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Free $4
  StrCpy $TaskName "${TASK_PREFIX} $SessionSid"
FunctionEnd

; $0 with & < > " ' written as XML's entities.
Function XmlEscape
  StrCpy $1 ""
  StrCpy $2 0
  ${Do}
    StrCpy $3 $0 1 $2
    ${If} $3 == ""
      ${Break}
    ${EndIf}
    ${If} $3 == "&"
      StrCpy $3 "&amp;"
    ${ElseIf} $3 == "<"
      StrCpy $3 "&lt;"
    ${ElseIf} $3 == ">"
      StrCpy $3 "&gt;"
    ${ElseIf} $3 == '"'
      StrCpy $3 "&quot;"
    ${ElseIf} $3 == "'"
      StrCpy $3 "&apos;"
    ${EndIf}
    StrCpy $1 "$1$3"
    IntOp $2 $2 + 1
  ${Loop}
  StrCpy $0 $1
FunctionEnd

; $0 "yes" when the task named $1 is registered. schtasks /Query answers
; with the task's definition; a scheduler without /Query (Wine's answers 0
; and prints nothing) leaves the definition's file in System32\Tasks (the
; 64-bit one on 64-bit Windows) as the sign.
Function TaskExists
  nsExec::ExecToStack '"$SYSDIR\schtasks.exe" /Query /TN "$1" /XML'
  Pop $2
  Pop $3
  StrCpy $0 "no"
  ${If} $2 == 0
    ${StrLoc} $4 $3 "<Task" ">"
    ${If} $4 != ""
      StrCpy $0 "yes"
    ${EndIf}
  ${EndIf}
  ${If} $0 == "no"
    ${DisableX64FSRedirection}
    ${If} ${FileExists} "$WINDIR\System32\Tasks\$1"
      StrCpy $0 "yes"
    ${EndIf}
    ${EnableX64FSRedirection}
  ${EndIf}
FunctionEnd

Section "Keyloom (required)" SecProgram
  SectionIn RO
  Call CloseKeyloom
  ${If} $R0 == "busy"
  ${OrIf} $R0 == "running"
    SetErrorLevel ${EXIT_BUSY}
    Abort "Keyloom is still running; nothing was changed. Close its windows, or shut it down from its tray icon, and run setup again."
  ${EndIf}
  Call CheckReplaceable
  ${If} $0 != "yes"
    SetErrorLevel ${EXIT_IN_USE}
    Abort "$INSTDIR\Keyloom.exe is in use; nothing was changed."
  ${EndIf}

  CreateDirectory "$INSTDIR"
  Call SecureInstallFolder
  SetOutPath "$INSTDIR"
  ${If} ${IsNativeAMD64}
    DetailPrint "Installing the 64-bit program"
    File "/oname=Keyloom.exe" "${X64_EXE}"
    File "/oname=keyloomc.exe" "${X64_KEYLOOMC}"
  ${Else}
    DetailPrint "Installing the 32-bit program"
    File "/oname=Keyloom.exe" "${X86_EXE}"
    File "/oname=keyloomc.exe" "${X86_KEYLOOMC}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Keyloom.exe" "" "$INSTDIR\Keyloom.exe" 0

  ; Only now that the files are in does the list of programs name this
  ; version.
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
  ${If} $StaleEntry64 == "yes"
    SetRegView 64
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    SetRegView lastused
  ${EndIf}
SectionEnd

; Keyloom runs elevated, and Windows does not start elevated programs from
; the Run key: a scheduled task started at sign-in with the highest
; privileges does. Written as a task definition because the definition can
; also lift the scheduler's defaults that would stop it (72 hours' run
; time, not starting on battery) or slow it (priority 7, below normal,
; which Keyloom's hooks and every program RUN starts would inherit). The
; task is the signed-in user's, by SID, and named by it, so that each
; administrator has their own.
Section /o "Start Keyloom when I sign in" SecSignIn
  StrCpy $0 $INSTDIR
  Call XmlEscape
  StrCpy $5 $0
  StrCpy $0 $SessionSid
  Call XmlEscape
  StrCpy $6 $0
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
  FileWriteUTF16LE $0 '      <UserId>$6</UserId>$\r$\n'
  FileWriteUTF16LE $0 '      <Delay>PT15S</Delay>$\r$\n'
  FileWriteUTF16LE $0 '    </LogonTrigger>$\r$\n'
  FileWriteUTF16LE $0 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals>$\r$\n'
  FileWriteUTF16LE $0 '    <Principal id="Author">$\r$\n'
  FileWriteUTF16LE $0 '      <UserId>$6</UserId>$\r$\n'
  FileWriteUTF16LE $0 '      <LogonType>InteractiveToken</LogonType>$\r$\n'
  FileWriteUTF16LE $0 '      <RunLevel>HighestAvailable</RunLevel>$\r$\n'
  FileWriteUTF16LE $0 '    </Principal>$\r$\n'
  FileWriteUTF16LE $0 '  </Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  FileWriteUTF16LE $0 '    <Priority>4</Priority>$\r$\n'
  FileWriteUTF16LE $0 '    <Enabled>true</Enabled>$\r$\n'
  FileWriteUTF16LE $0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Author">$\r$\n'
  FileWriteUTF16LE $0 '    <Exec>$\r$\n'
  FileWriteUTF16LE $0 '      <Command>$5\Keyloom.exe</Command>$\r$\n'
  FileWriteUTF16LE $0 '      <WorkingDirectory>$5</WorkingDirectory>$\r$\n'
  FileWriteUTF16LE $0 '    </Exec>$\r$\n'
  FileWriteUTF16LE $0 '  </Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
  DetailPrint "Registering the sign-in task $TaskName for $SessionName"
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /XML "$PLUGINSDIR\keyloom-task.xml" /TN "$TaskName" /F'
  Pop $0
  ${If} $0 != 0
    DetailPrint "schtasks answered $0: Keyloom will not start at sign-in"
    MessageBox MB_OK|MB_ICONEXCLAMATION "Keyloom could not be set to start when you sign in (schtasks answered $0). Everything else is installed." /SD IDOK
  ${Else}
    ; The one task an older setup made gives way to this user's own.
    StrCpy $1 "${OLD_TASK_NAME}"
    Call TaskExists
    ${If} $0 == "yes"
      nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${OLD_TASK_NAME}" /F'
      Pop $0
    ${EndIf}
  ${EndIf}
SectionEnd

; A new install without the option removes this user's task (and the one
; an older setup made).
Section "-RemoveSignInTask"
  ${IfNot} ${SectionIsSelected} ${SecSignIn}
    StrCpy $1 $TaskName
    Call TaskExists
    ${If} $0 == "yes"
    ${AndIf} $SessionSid != ""
      nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "$TaskName" /F'
      Pop $0
    ${EndIf}
    StrCpy $1 "${OLD_TASK_NAME}"
    Call TaskExists
    ${If} $0 == "yes"
    ${AndIf} $SessionAdmin == "yes"
      nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${OLD_TASK_NAME}" /F'
      Pop $0
    ${EndIf}
  ${EndIf}
SectionEnd

; A silent upgrade starts Keyloom again if it shut one down, for the same
; user in the same session. Setup runs in the session of the Keyloom it
; shut down (it found that one's window on its own desktop); where it also
; runs as the account that Keyloom ran as, a plain start from here is the
; same user.
Function StartKeyloomAgain
  ${If} $WasRunning == "yes"
  ${AndIf} ${FileExists} "$INSTDIR\Keyloom.exe"
    StrCpy $WasRunning "started"
    StrCpy $R3 0
    Call ProcessUser
    ${If} $KeyloomUser == ""
    ${OrIf} $KeyloomUser == $R8
      DetailPrint "Starting Keyloom again"
      SetOutPath "$INSTDIR"
      Exec '"$INSTDIR\Keyloom.exe"'
    ${Else}
      ; Keyloom ran as another account than setup does (setup approved
      ; over the shoulder): started from here it would run as the wrong
      ; user. That user's sign-in task starts it as them, in their session.
      StrCpy $1 "${TASK_PREFIX} $KeyloomUser"
      Call TaskExists
      ${If} $0 != "yes"
        DetailPrint "Keyloom ran as $KeyloomUser, not as this setup's account: start it again from the Start menu"
        Return
      ${EndIf}
      DetailPrint "Starting Keyloom again with the sign-in task of $KeyloomUser"
      nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Run /TN "$1"'
      Pop $0
    ${EndIf}
    ; Setup ends once Keyloom is back (its window is there, up to 30 s), so
    ; that a script's next step, an uninstall say, finds it running and not
    ; half started.
    StrCpy $1 0
    ${Do}
      System::Call "user32::FindWindowW(w '${MAIN_CLASS}', p 0) p .r0"
      ${If} $0 P<> 0
      ${OrIf} $1 >= 150
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
      Sleep 200
    ${Loop}
  ${EndIf}
FunctionEnd

; $R8 the SID of the user that process $R3 (0: setup itself) runs as, or
; "" when its token is out of reach. Uses $R4 to $R7 only.
Function ProcessUser
  StrCpy $R8 ""
  ${If} $R3 = 0
    System::Call "kernel32::GetCurrentProcess() p .R4"
  ${Else}
    ; PROCESS_QUERY_LIMITED_INFORMATION
    System::Call "kernel32::OpenProcess(i 0x1000, i 0, i R3) p .R4"
  ${EndIf}
  ${If} $R4 P= 0
    Return
  ${EndIf}
  ; TOKEN_QUERY
  System::Call "advapi32::OpenProcessToken(p R4, i 0x0008, *p .R5) i .R6"
  ${If} $R3 <> 0
    System::Call "kernel32::CloseHandle(p R4)"
  ${EndIf}
  ${If} $R6 = 0
    Return
  ${EndIf}
  System::Alloc 1024
  Pop $R7
  ; TokenUser: a TOKEN_USER, whose first member is the SID's address.
  System::Call "advapi32::GetTokenInformation(p R5, i 1, p R7, i 1024, *i .R4) i .R6"
  ${If} $R6 <> 0
    System::Call "*$R7(p .R6)"
    System::Call "advapi32::ConvertSidToStringSidW(p R6, *p .R4) i .R6"
    ${If} $R6 <> 0
      System::Call "*$R4(&w${NSIS_MAX_STRLEN} .R8)"
      System::Call "kernel32::LocalFree(p R4)"
    ${EndIf}
  ${EndIf}
  System::Free $R7
  System::Call "kernel32::CloseHandle(p R5)"
FunctionEnd

Section "-StartAgain"
  ${If} ${Silent}
    Call StartKeyloomAgain
  ${EndIf}
SectionEnd

; A setup that stops after it shut Keyloom down starts the one it stopped.
Function .onInstFailed
  Call StartKeyloomAgain
FunctionEnd

Section "Uninstall"
  Call un.CloseKeyloom
  ${If} $R0 != "closed"
    SetErrorLevel ${EXIT_BUSY}
    Abort "Keyloom is still running; nothing was removed. Close its windows, or shut it down from its tray icon, and uninstall again."
  ${EndIf}
  Call un.CheckReplaceable
  ${If} $0 != "yes"
    SetErrorLevel ${EXIT_IN_USE}
    Abort "$INSTDIR\Keyloom.exe is in use; nothing was removed."
  ${EndIf}

  ; Every user's sign-in task (and an older setup's one) starts this program.
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${OLD_TASK_NAME}" /F'
  Pop $0
  ${DisableX64FSRedirection}
  FindFirst $1 $2 "$WINDIR\System32\Tasks\${TASK_PREFIX} S-1-*"
  ${EnableX64FSRedirection}
  ${DoWhile} $2 != ""
    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "$2" /F'
    Pop $0
    FindNext $1 $2
  ${Loop}
  FindClose $1
  Delete "$INSTDIR\Keyloom.exe"
  Delete "$INSTDIR\keyloomc.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro USE_PROGRAM_VIEW
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  SetRegView lastused

  ; The stored macros and recordings stay unless the user asks otherwise;
  ; a silent uninstall keeps them. Kept, the key keeps its access list
  ; (Administrators and SYSTEM only): nothing here touches it.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "Keep your Keyloom macros and recordings?$\r$\n$\r$\nYes keeps them in the registry for a later install. No deletes them for good." /SD IDYES IDYES keep
  SetRegView 32
  DeleteRegKey HKLM "${STORE_KEY}"
  DeleteRegKey /ifempty HKLM "${STORE_PARENT}"
  SetRegView lastused
  DetailPrint "Deleted the stored macros and recordings"
keep:
SectionEnd

Function .onInit
  StrCpy $WasRunning "no"
  StrCpy $KeyloomUser ""
  StrCpy $StaleEntry64 "no"
  ${If} ${IsNativeAMD64}
    ; The 64-bit program goes to the 64-bit Program Files, unless /D= chose
    ; another folder.
    ${If} $INSTDIR == "$PROGRAMFILES\${PRODUCT}"
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${EndIf}
  ; A new install over an old one goes where the old one is.
  !insertmacro USE_PROGRAM_VIEW
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  SetRegView lastused
  ${If} $0 == ""
  ${AndIfNot} ${IsNativeAMD64}
  ${AndIf} ${RunningX64}
    ; An older setup put the 64-bit program on ARM64 Windows.
    SetRegView 64
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    SetRegView lastused
    ${If} $0 != ""
      StrCpy $StaleEntry64 "yes"
    ${EndIf}
  ${EndIf}
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}

  Call SessionUser
  ${If} $SessionSid == ""
  ${OrIf} $SessionAdmin != "yes"
    ; The task would start Keyloom with this user's highest token, which
    ; cannot run it: the option is shown, off and greyed, with the reason.
    ${If} $SessionSid == ""
      SectionSetText ${SecSignIn} "Start Keyloom when I sign in (not available: the signed-in user is unknown)"
    ${Else}
      SectionSetText ${SecSignIn} "Start Keyloom when I sign in (not available: $SessionName is not an administrator, and Keyloom needs administrator rights)"
    ${EndIf}
    SectionSetFlags ${SecSignIn} ${SF_RO}
    Return
  ${EndIf}
  ; The sign-in option starts as it was: on where this user's task (or an
  ; older setup's) exists, or when the command line asks for it.
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/SIGNIN" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${SecSignIn} ${SF_SELECTED}
  ${EndIf}
  StrCpy $1 $TaskName
  Call TaskExists
  ${If} $0 == "yes"
    SectionSetFlags ${SecSignIn} ${SF_SELECTED}
  ${EndIf}
  StrCpy $1 "${OLD_TASK_NAME}"
  Call TaskExists
  ${If} $0 == "yes"
    SectionSetFlags ${SecSignIn} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
