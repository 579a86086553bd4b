// The link list dialog: for one URL of a worksheet, the pages that link to it or the links
// on it, with copy and open on a context menu. Windows-side header; GUI thread.
#pragma once

#include <windows.h>

class CLinkFinder;

struct LINKLISTREQUEST {
  int Direction;  // 1: the pages linking to Url; 0: the links on it
  const WCHAR* Url;
  CLinkFinder* Finder;
};

// Modal; returns when the dialog ends. Its geometry persists in g_settings.
void RunLinkListDialog(HWND owner, const LINKLISTREQUEST* request);

// The list's context menu, its items greyed without a selection; the caller destroys it.
HMENU BuildLinkListMenu(HWND list);
