// The cookie functions as the program exports them: with the platform's standard-call
// convention, forwarding to the store.
#include <windows.h>

#include "net/Cookies.h"

extern "C" {

void WINAPI ExportCookiesInitialize(const WCHAR* file) { CookiesInitialize(file); }

void WINAPI ExportCookiesFree(const WCHAR* file) { CookiesFree(file); }

void WINAPI ExportCookieClearForDomain(const WCHAR* host) { CookieClearForDomain(host); }

void WINAPI ExportCookiesDeleteCookie(const WCHAR* file, const WCHAR* line) {
  CookiesDeleteCookie(file, line);
}

void WINAPI ExportCookiesFillTreeView(HWND tree) { CookiesFillTreeView(tree); }
}
