// Ends the processes and services that run a given program file. ANSI texts; paths compare
// ignoring case and only in full. Any thread; every failure is silent.
#pragma once

#include <windows.h>

#include "setup/Records.h"

extern "C" {
// Running processes with their program files. *records is allocated with LocalAlloc (null
// when none); the caller frees it with LocalFree.
int WINAPI ListProcesses(ProcessRecord** records);
// Active Win32 services with their program files; 0 and a null array on failure. The caller
// frees *records with LocalFree.
int WINAPI ListServices(ServiceRecord** records);
// Non-zero when the process was terminated; waits one second with the wait cursor.
int WINAPI TerminateProcessById(DWORD processId);
// Non-zero when the service is deleted or cannot be reached; 0 when it refuses to stop.
int WINAPI StopAndDeleteService(const char* serviceName);
void WINAPI EnableDebugPrivilege();
// Stops and deletes every listed service, then terminates every listed process, whose
// program file is path.
void WINAPI KillUsersOfFile(const char* path, int processCount, const ProcessRecord* processes,
                            int serviceCount, const ServiceRecord* services);
}

// Set only by the tests' twin: list processes as on a system without psapi.dll.
extern bool g_forceToolhelp;
