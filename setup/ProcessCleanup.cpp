// Ends the processes and services that run a given program file.
#include "setup/ProcessCleanup.h"

#include <tlhelp32.h>

#include "setup/FindProc.h"
#include "setup/SetupText.h"
#include "toolkit/Win32Holders.h"

bool g_forceToolhelp = false;

namespace {

typedef BOOL(WINAPI* EnumProcessesFn)(DWORD*, DWORD, DWORD*);
typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE, HMODULE*, DWORD, DWORD*);
typedef DWORD(WINAPI* GetModuleFileNameExAFn)(HANDLE, HMODULE, LPSTR, DWORD);
typedef HANDLE(WINAPI* CreateToolhelp32SnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* Process32Fn)(HANDLE, PROCESSENTRY32*);

// Grows the array by one record; the count stays when memory runs out.
int AddProcess(ProcessRecord** records, int count, DWORD processId, const char* programFile,
               size_t length) {
  const SIZE_T size = (count + 1) * sizeof(ProcessRecord);
  HLOCAL grown = *records ? LocalReAlloc(*records, size, LMEM_MOVEABLE | LMEM_ZEROINIT)
                          : LocalAlloc(LPTR, size);
  if (!grown) return count;
  *records = static_cast<ProcessRecord*>(grown);
  ProcessRecord& record = (*records)[count];
  record.processId = processId;
  CopyWhole(record.programFile, sizeof record.programFile, programFile, length);
  return count + 1;
}

int ListWithPsapi(HMODULE psapi, ProcessRecord** records) {
  auto enumProcesses = FindProc<EnumProcessesFn>(psapi, "EnumProcesses");
  auto enumModules = FindProc<EnumProcessModulesFn>(psapi, "EnumProcessModules");
  auto moduleFileName = FindProc<GetModuleFileNameExAFn>(psapi, "GetModuleFileNameExA");
  if (!enumProcesses || !enumModules || !moduleFileName) return 0;

  DWORD size = 16;
  DWORD* ids = nullptr;
  DWORD used = 0;
  for (;;) {
    ids = static_cast<DWORD*>(LocalAlloc(LPTR, size));
    if (!ids) return 0;
    if (!enumProcesses(ids, size, &used)) {
      LocalFree(ids);
      return 0;
    }
    if (used < size) break;
    LocalFree(ids);
    size *= 2;
  }
  int count = 0;
  for (DWORD i = 0; i < used / sizeof(DWORD); ++i) {
    const HandleHolder process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
    if (!process.held()) continue;
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (enumModules(process.get(), &first, sizeof first, &needed) && needed >= sizeof first) {
      char path[sizeof(ProcessRecord::programFile)];
      DWORD length = moduleFileName(process.get(), first, path, sizeof path);
      // A name that filled the buffer may have been cut; it is left empty.
      if (length >= sizeof path - 1) length = sizeof path;
      count = AddProcess(records, count, ids[i], path, length);
    }
  }
  LocalFree(ids);
  return count;
}

int ListWithToolhelp(ProcessRecord** records) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return 0;
  auto snapshotFn = FindProc<CreateToolhelp32SnapshotFn>(kernel, "CreateToolhelp32Snapshot");
  auto first = FindProc<Process32Fn>(kernel, "Process32First");
  auto next = FindProc<Process32Fn>(kernel, "Process32Next");
  if (!snapshotFn || !first || !next) return 0;
  const HandleHolder snapshot(snapshotFn(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.held()) return 0;
  int count = 0;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = first(snapshot.get(), &entry); more; more = next(snapshot.get(), &entry)) {
    if (entry.szExeFile[0]) {
      count = AddProcess(records, count, entry.th32ProcessID, entry.szExeFile,
                         strnlen(entry.szExeFile, sizeof entry.szExeFile));
    }
  }
  return count;
}

// The program file of a service's binary path: the quoted text, or the text up to the
// first blank.
void ProgramFileOfCommand(const char* command, char* programFile, size_t size) {
  const char* start = command;
  const char* end;
  if (*start == '"') {
    ++start;
    end = strchr(start, '"');
  } else {
    end = strchr(start, ' ');
  }
  if (!end) end = start + strlen(start);
  CopyWhole(programFile, size, start, end - start);
}

void ReadProgramFile(SC_HANDLE manager, ServiceRecord& record) {
  SC_HANDLE service = OpenServiceA(manager, record.serviceName, SERVICE_QUERY_CONFIG);
  if (!service) return;
  DWORD needed = 0;
  if (!QueryServiceConfigA(service, nullptr, 0, &needed) &&
      GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    auto config = static_cast<QUERY_SERVICE_CONFIGA*>(LocalAlloc(LPTR, needed));
    if (config) {
      if (QueryServiceConfigA(service, config, needed, &needed) && config->lpBinaryPathName) {
        ProgramFileOfCommand(config->lpBinaryPathName, record.programFile,
                             sizeof record.programFile);
      }
      LocalFree(config);
    }
  }
  CloseServiceHandle(service);
}

void ShowWaitCursorOneSecond() {
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  Sleep(1000);
  SetCursor(previous);
}

}  // namespace

int WINAPI ListProcesses(ProcessRecord** records) {
  *records = nullptr;
  HMODULE psapi = g_forceToolhelp ? nullptr : LoadLibraryA("psapi.dll");
  int count = psapi ? ListWithPsapi(psapi, records) : ListWithToolhelp(records);
  if (psapi) FreeLibrary(psapi);
  return count;
}

int WINAPI ListServices(ServiceRecord** records) {
  *records = nullptr;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
  if (!manager) return 0;
  int count = 0;
  DWORD needed = 0;
  DWORD returned = 0;
  DWORD resume = 0;
  if (!EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_ACTIVE, nullptr, 0, &needed, &returned,
                           &resume) &&
      GetLastError() == ERROR_MORE_DATA) {
    auto services = static_cast<ENUM_SERVICE_STATUSA*>(LocalAlloc(LPTR, needed));
    resume = 0;
    if (services && EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_ACTIVE, services, needed,
                                        &needed, &returned, &resume)) {
      *records = static_cast<ServiceRecord*>(LocalAlloc(LPTR, returned * sizeof(ServiceRecord)));
      if (*records) {
        for (DWORD i = 0; i < returned; ++i) {
          ServiceRecord& record = (*records)[i];
          if (CopyWhole(record.serviceName, sizeof record.serviceName, services[i].lpServiceName)) {
            ReadProgramFile(manager, record);
          }
        }
        count = static_cast<int>(returned);
      }
    }
    if (services) LocalFree(services);
  }
  CloseServiceHandle(manager);
  return count;
}

void WINAPI EnableDebugPrivilege() {
  HandleHolder token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    return;
  }
  TOKEN_PRIVILEGES privileges = {};
  if (LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
  }
}

int WINAPI TerminateProcessById(DWORD processId) {
  EnableDebugPrivilege();
  const HandleHolder process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (!process.held()) return 0;
  BOOL terminated = TerminateProcess(process.get(), 0xFFFFFFFF);
  ShowWaitCursorOneSecond();
  return terminated ? 1 : 0;
}

int WINAPI StopAndDeleteService(const char* serviceName) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return 1;
  int result = 1;
  SC_HANDLE service =
      OpenServiceA(manager, serviceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
  if (service) {
    SERVICE_STATUS status = {};
    result = 0;
    if (QueryServiceStatus(service, &status) &&
        (status.dwCurrentState == SERVICE_STOPPED ||
         ControlService(service, SERVICE_CONTROL_STOP, &status))) {
      result = DeleteService(service) ? 1 : 0;
      ShowWaitCursorOneSecond();
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return result;
}

void WINAPI KillUsersOfFile(const char* path, int processCount, const ProcessRecord* processes,
                            int serviceCount, const ServiceRecord* services) {
  if (!path || !*path) return;
  for (int i = 0; i < serviceCount; ++i) {
    if (services[i].programFile[0] && lstrcmpiA(services[i].programFile, path) == 0) {
      StopAndDeleteService(services[i].serviceName);
    }
  }
  for (int i = 0; i < processCount; ++i) {
    if (processes[i].programFile[0] && lstrcmpiA(processes[i].programFile, path) == 0) {
      TerminateProcessById(processes[i].processId);
    }
  }
}
