// A Win32 service that accepts the stop control, or refuses it when its command line has
// the argument "refuse".
#include <windows.h>

#include <cstring>

namespace {
SERVICE_STATUS_HANDLE g_status;
HANDLE g_stop;
bool g_refuse;

void Report(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = g_refuse || state != SERVICE_RUNNING ? 0 : SERVICE_ACCEPT_STOP;
  SetServiceStatus(g_status, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID) {
  if (control == SERVICE_CONTROL_STOP && !g_refuse) {
    SetEvent(g_stop);
    return NO_ERROR;
  }
  return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  g_status = RegisterServiceCtrlHandlerExA("", Control, nullptr);
  if (!g_status) return;
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stop, INFINITE);
  Report(SERVICE_STOPPED);
}
}  // namespace

int main(int argc, char** argv) {
  g_refuse = argc > 1 && strcmp(argv[1], "refuse") == 0;
  g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  char name[] = "";
  SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
