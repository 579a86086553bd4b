// Until the settings sheet exists, the dialog closes at once without changes.
#include "app/SettingsDialog.h"

int RunSettingsDialog(HWND, int) { return 0; }
