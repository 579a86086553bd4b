// The dialog that lists the links into or out of one page of a worksheet. Windows-side
// header; GUI thread. Modal: returns when the dialog is closed.
#pragma once

#include <windows.h>

class CLinkFinder;

struct LINKLISTREQUEST {
  int Direction;     // 1: links into the page; 0: links out of it
  const WCHAR* Url;  // the page as the links list shows it
  CLinkFinder* Finder;
};

void RunLinkListDialog(HWND owner, const LINKLISTREQUEST* request);
