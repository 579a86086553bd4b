// Until the link list dialog is built, asking for it shows nothing.
#include "app/LinkListDialog.h"

void RunLinkListDialog(HWND, const LINKLISTREQUEST*) {}
