// Ending the processes and services that run a program file, through the library's twin.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "setup/Records.h"
#include "tests/setup/SetupHarness.h"

namespace {

using ListProcessesFn = int(WINAPI*)(ProcessRecord**);
using ListServicesFn = int(WINAPI*)(ServiceRecord**);
using TerminateProcessByIdFn = int(WINAPI*)(DWORD);
using StopAndDeleteServiceFn = int(WINAPI*)(const char*);
using KillUsersOfFileFn = void(WINAPI*)(const char*, int, const ProcessRecord*, int,
                                        const ServiceRecord*);
using ForceToolhelpFn = void(WINAPI*)(int);

std::string Ansi(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// The list's record of a process, or null.
const ProcessRecord* FindProcess(const ProcessRecord* records, int count, DWORD id) {
  for (int i = 0; i < count; ++i) {
    if (records[i].processId == id) return &records[i];
  }
  return nullptr;
}

class ProcessCleanup : public testing::Test {
 protected:
  void TearDown() override { RemoveTree(u"C:\\tl-procs"); }

  ListProcessesFn listProcesses = Twin<ListProcessesFn>("ListProcesses");
  KillUsersOfFileFn killUsersOfFile = Twin<KillUsersOfFileFn>("KillUsersOfFile");
};

TEST_F(ProcessCleanup, EndsOnlyTheProcessesOfThatExactFile) {
  const std::u16string target = PlaceHelper(u"tl-victim.exe", u"C:\\tl-procs\\a", u"victim.exe");
  const std::u16string copy = PlaceHelper(u"tl-victim.exe", u"C:\\tl-procs\\b", u"victim.exe");
  Child victim(target), bystander(copy);

  ProcessRecord* records = nullptr;
  const int count = listProcesses(&records);
  const ProcessRecord* listed = FindProcess(records, count, victim.id());
  ASSERT_TRUE(listed);
  EXPECT_STREQ(listed->programFile, Ansi(target).c_str());

  killUsersOfFile("c:\\TL-PROCS\\A\\Victim.EXE", count, records, 0, nullptr);
  LocalFree(records);
  ASSERT_TRUE(victim.WaitForExit(10000));
  DWORD exitCode = 0;
  GetExitCodeProcess(victim.process(), &exitCode);
  EXPECT_EQ(0xFFFFFFFFu, exitCode);
  EXPECT_TRUE(bystander.Running());
}

TEST_F(ProcessCleanup, ToolhelpNamesMatchNoPath) {
  const std::u16string path = PlaceHelper(u"tl-victim.exe", u"C:\\tl-procs\\t", u"victim.exe");
  Child victim(path);
  const auto forceToolhelp = Twin<ForceToolhelpFn>("ForceToolhelp");
  forceToolhelp(1);
  ProcessRecord* records = nullptr;
  const int count = listProcesses(&records);
  forceToolhelp(0);

  const ProcessRecord* listed = FindProcess(records, count, victim.id());
  ASSERT_TRUE(listed);
  EXPECT_STREQ("victim.exe", listed->programFile);
  killUsersOfFile(Ansi(path).c_str(), count, records, 0, nullptr);
  LocalFree(records);
  EXPECT_TRUE(victim.Running());
}

TEST_F(ProcessCleanup, VanishedProcessIsNotTerminated) {
  DWORD id = 0;
  {
    Child victim(PlaceHelper(u"tl-victim.exe", u"C:\\tl-procs\\v", u"victim.exe"));
    id = victim.id();
  }
  // Wine keeps an ended process's id a moment after its last handle is closed.
  HANDLE lingering = nullptr;
  for (int i = 0; i < 500 && (lingering = OpenProcess(PROCESS_TERMINATE, FALSE, id)); ++i) {
    CloseHandle(lingering);
    Sleep(20);
  }
  ASSERT_FALSE(lingering);
  EXPECT_EQ(0, Twin<TerminateProcessByIdFn>("TerminateProcessById")(id));
}

// Services made by each test, removed again by the test however it ends.
class ServiceCleanup : public testing::Test {
 protected:
  void SetUp() override {
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_TRUE(manager_);
  }
  void TearDown() override {
    for (const std::string& name : made_) {
      SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_ALL_ACCESS);
      if (!service) continue;
      SERVICE_STATUS_PROCESS status = {};
      DWORD size = 0;
      if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                               sizeof status, &size) &&
          status.dwProcessId) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
      }
      DeleteService(service);
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager_);
    RemoveTree(u"C:\\tl svc");
    RemoveTree(u"C:\\tl-svc");
  }

  // Creates service `name` running `command`, started when asked; its process id, or 0.
  DWORD Make(const char* name, const std::string& command, bool start) {
    SC_HANDLE service = CreateServiceA(
        manager_, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
        SERVICE_ERROR_IGNORE, command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(service) << name << " " << GetLastError();
    if (!service) return 0;
    made_.push_back(name);
    SERVICE_STATUS_PROCESS status = {};
    if (start) {
      EXPECT_TRUE(StartServiceA(service, 0, nullptr)) << name << " " << GetLastError();
      DWORD size = 0;
      for (int i = 0;
           i < 1000 &&
           QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                sizeof status, &size) &&
           status.dwCurrentState != SERVICE_RUNNING;
           ++i) {
        Sleep(20);
      }
      EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState) << name;
    }
    CloseServiceHandle(service);
    return status.dwProcessId;
  }

  bool Exists(const char* name) {
    SC_HANDLE service = OpenServiceA(manager_, name, SERVICE_QUERY_STATUS);
    if (service) CloseServiceHandle(service);
    return service != nullptr;
  }

  StopAndDeleteServiceFn stopAndDelete = Twin<StopAndDeleteServiceFn>("StopAndDeleteService");

 private:
  SC_HANDLE manager_ = nullptr;
  std::vector<std::string> made_;
};

TEST_F(ServiceCleanup, BinaryPathsGiveProgramFilesAndOnlyThatFileStops) {
  const std::string quoted = Ansi(PlaceHelper(u"tl-testsvc.exe", u"C:\\tl svc\\q", u"svc.exe"));
  const std::string plain = Ansi(PlaceHelper(u"tl-testsvc.exe", u"C:\\tl-svc", u"svc.exe"));
  Make("TlSvcQuoted", "\"" + quoted + "\" --mode x", true);
  const DWORD plainId = Make("TlSvcPlain", plain + " --mode", true);
  ASSERT_NE(0u, plainId);
  HANDLE plainProcess = OpenProcess(SYNCHRONIZE, FALSE, plainId);

  ServiceRecord* records = nullptr;
  const int count = Twin<ListServicesFn>("ListServices")(&records);
  std::string quotedFile = "missing", plainFile = "missing";
  for (int i = 0; i < count; ++i) {
    if (std::string(records[i].serviceName) == "TlSvcQuoted") quotedFile = records[i].programFile;
    if (std::string(records[i].serviceName) == "TlSvcPlain") plainFile = records[i].programFile;
  }
  EXPECT_EQ(quoted, quotedFile);
  EXPECT_EQ(plain, plainFile);

  Twin<KillUsersOfFileFn>("KillUsersOfFile")(plain.c_str(), 0, nullptr, count, records);
  LocalFree(records);
  EXPECT_FALSE(Exists("TlSvcPlain"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(plainProcess, 10000));
  CloseHandle(plainProcess);
  EXPECT_TRUE(Exists("TlSvcQuoted"));
}

TEST_F(ServiceCleanup, StopAndDeleteOutcomes) {
  const std::string program = Ansi(PlaceHelper(u"tl-testsvc.exe", u"C:\\tl svc\\o", u"svc.exe"));
  Make("TlSvcStopped", "\"" + program + "\"", false);
  Make("TlSvcRefuses", "\"" + program + "\" refuse", true);

  EXPECT_EQ(1, stopAndDelete("TlSvcStopped"));
  EXPECT_FALSE(Exists("TlSvcStopped"));
  EXPECT_EQ(0, stopAndDelete("TlSvcRefuses"));
  EXPECT_TRUE(Exists("TlSvcRefuses"));
  EXPECT_EQ(1, stopAndDelete("TlSvcNoSuchService"));
}

}  // namespace
