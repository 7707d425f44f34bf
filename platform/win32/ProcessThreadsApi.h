// Starting programs as new processes: the startup and process records,
// the creation flags and CreateProcessA, plus CloseHandle for the process
// and thread handles that CreateProcessA hands out.
//
// The caller owns the records it passes in; the layer owns the handles it
// returns in PROCESS_INFORMATION until the caller gives them back with
// CloseHandle.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>.
#include "win32/TChar.h"
#else

#include "win32/WinDef.h"
#include "win32/WinError.h"

// The error for a current directory that cannot be entered.
#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using PSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using PPROCESS_INFORMATION = PROCESS_INFORMATION*;
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// The records have the 64-bit Windows layout, so code that fills them by
// offset or checks their sizes sees the same numbers as on Windows.
static_assert(sizeof(STARTUPINFOA) == 104);
static_assert(sizeof(PROCESS_INFORMATION) == 24);
static_assert(sizeof(SECURITY_ATTRIBUTES) == 24);

// Flags of STARTUPINFOA::dwFlags.
#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESIZE 0x00000002
#define STARTF_USEPOSITION 0x00000004
#define STARTF_USECOUNTCHARS 0x00000008
#define STARTF_USEFILLATTRIBUTE 0x00000010
#define STARTF_RUNFULLSCREEN 0x00000020
#define STARTF_FORCEONFEEDBACK 0x00000040
#define STARTF_FORCEOFFFEEDBACK 0x00000080
#define STARTF_USESTDHANDLES 0x00000100

// Process creation flags.
#define DEBUG_PROCESS 0x00000001
#define DEBUG_ONLY_THIS_PROCESS 0x00000002
#define CREATE_SUSPENDED 0x00000004
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define IDLE_PRIORITY_CLASS 0x00000040
#define HIGH_PRIORITY_CLASS 0x00000080
#define REALTIME_PRIORITY_CLASS 0x00000100
#define CREATE_NEW_PROCESS_GROUP 0x00000200
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_SEPARATE_WOW_VDM 0x00000800
#define CREATE_SHARED_WOW_VDM 0x00001000
#define BELOW_NORMAL_PRIORITY_CLASS 0x00004000
#define ABOVE_NORMAL_PRIORITY_CLASS 0x00008000
#define INHERIT_PARENT_AFFINITY 0x00010000
#define CREATE_PROTECTED_PROCESS 0x00040000
#define EXTENDED_STARTUPINFO_PRESENT 0x00080000
#define CREATE_BREAKAWAY_FROM_JOB 0x01000000
#define CREATE_PRESERVE_CODE_AUTHZ_LEVEL 0x02000000
#define CREATE_DEFAULT_ERROR_MODE 0x04000000
#define CREATE_NO_WINDOW 0x08000000

// Starts a program as a new process and returns as soon as the program is
// running, without waiting for it.
//
// With a null `applicationName` the program is the first token of
// `commandLine`: the text between a leading quotation mark and the next one,
// or else the text up to the first space. A token without '/' is searched in
// the directory of the running executable, then in each absolute PATH
// entry; the first regular, executable file wins. The current directory is
// never searched, nor is an empty or relative PATH entry, so that a program
// planted in the folder the caller was started from never runs. A token
// with '/' is used as given. With an `applicationName`, that file is run as
// given and no search is made.
//
// The new program's argument vector is { token, the exact bytes after the
// token's single separator space }, or just { token } when nothing follows
// the token, so that the program can rebuild its command line byte for byte.
// No shell is ever involved.
//
// The new process inherits the environment (or gets `environment`, a
// "A=B\0C=D\0\0" block, UTF-16 with CREATE_UNICODE_ENVIRONMENT) and the
// current directory (or gets `currentDirectory`). It always gets a session
// of its own, which stands for the new console: CREATE_NEW_CONSOLE,
// DETACHED_PROCESS, CREATE_NO_WINDOW and CREATE_NEW_PROCESS_GROUP all mean
// that here. It inherits standard input, output and error and no other
// descriptor, whatever `inheritHandles` says: the layer has no inheritable
// handles. A standard descriptor that is closed, or that is close-on-exec
// (a private file of the caller's that landed there), is the null device
// in the new process. It starts with default signal dispositions and an empty signal
// mask. The caller never has to wait for it: it is not left as a child of
// the caller, so it leaves no zombie behind.
//
// Security attributes and the window-placement fields of `startupInfo` are
// accepted and have no effect. STARTF_USESTDHANDLES, CREATE_SUSPENDED, the
// debugging flags and the priority classes other than
// NORMAL_PRIORITY_CLASS are not supported and fail with
// ERROR_NOT_SUPPORTED.
//
// Returns TRUE and fills `processInformation` (dwProcessId and dwThreadId are
// the new process's id) once the program has been executed. Returns FALSE,
// leaves `processInformation` unchanged and sets the last error otherwise:
// ERROR_INVALID_PARAMETER for a missing command line, startup information or
// process information, or for conflicting flags; ERROR_INVALID_NAME for an
// empty program name; ERROR_FILE_NOT_FOUND when the program does not exist;
// ERROR_PATH_NOT_FOUND when a directory on its path does not exist;
// ERROR_DIRECTORY when `currentDirectory` cannot be entered;
// ERROR_ACCESS_DENIED when the program is not executable;
// ERROR_BAD_EXE_FORMAT when the system cannot run its format;
// ERROR_NOT_ENOUGH_MEMORY when the system has no room for another process.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);

// Gives back a handle that the layer handed out. Closing a process or thread
// handle does not affect the process. Returns FALSE with
// ERROR_INVALID_HANDLE for a handle that is not open.
BOOL CloseHandle(HANDLE handle);

// The calling thread's id (the system's thread id); never 0.
DWORD GetCurrentThreadId();

#endif // _WIN32
