// The program's entry point. GUI thread.
#include <windows.h>

#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR, int) {
  const int code = RunProgram(instance, previous);
  // Scan threads still running are not waited for.
  if (code == 0) ExitProcess(0);
  return code;
}
