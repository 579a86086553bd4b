// Records the installer library shares with its callers and with other processes. Plain
// fixed-width layouts, the same for the library and for programs built another way.
#pragma once

#include <cstddef>
#include <cstdint>

// One running process. Arrays of them come from ListProcesses; free them with LocalFree.
struct ProcessRecord {
  uint32_t processId;
  char programFile[1024];  // empty when the full path did not fit
};

// One active Win32 service. Arrays of them come from ListServices; free them with LocalFree.
struct ServiceRecord {
  char serviceName[1024];
  char programFile[1024];  // empty when the configuration could not be read or did not fit
};

// The named shared block through which a launch request reaches the desktop shell.
constexpr const char* kShellLaunchBlockName = "VistaElevatorMap";
constexpr const char* kShellLaunchMessageName = "VistaElevatorMsg";
constexpr int kShellLaunchTextUnits = 260;  // 259 units and a terminator

struct ShellLaunchBlock {
  uint64_t hook;     // written by the launcher; the hook passes it on
  uint32_t message;  // the registered launch message
  int32_t result;    // written by the hook: non-zero when the start succeeded
  char16_t file[kShellLaunchTextUnits];
  char16_t parameters[kShellLaunchTextUnits];
  char16_t folder[kShellLaunchTextUnits];
  uint32_t processWanted;
  uint32_t done;  // set to 1 by the hook once result is final
  uint64_t process;
};
static_assert(sizeof(ShellLaunchBlock) == 1592, "layout shared with the shell process");
static_assert(offsetof(ShellLaunchBlock, file) == 16 &&
                  offsetof(ShellLaunchBlock, parameters) == 536 &&
                  offsetof(ShellLaunchBlock, folder) == 1056 &&
                  offsetof(ShellLaunchBlock, processWanted) == 1576 &&
                  offsetof(ShellLaunchBlock, done) == 1580 &&
                  offsetof(ShellLaunchBlock, process) == 1584,
              "layout shared with the shell process");

// How a launch goes, from the system's state (ChooseLaunchRoute).
enum LaunchRoute : int32_t {
  kLaunchDirect = 0,    // start the file from this process
  kLaunchViaShell = 1,  // start it inside the desktop shell
  kLaunchNone = 2,      // it cannot be started without elevation
};
