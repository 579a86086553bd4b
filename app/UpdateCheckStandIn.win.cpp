// Until the update check exists, asking for it does nothing.
#include "app/UpdateCheck.h"

void StartCheckForUpdate() {}
