// The engine's two doors into the process's cookie store, and their exported forms.
#include "engine/LinkFinder.h"
#include "net/Cookies.h"

int CLinkFinder::HeaderSetCookie(WCHAR* host, char* text, DWORD length) {
  return CookiesSetFromHeader(host, text, length);
}

char* CLinkFinder::HeaderGetCookie(WCHAR* host, WCHAR* path) {
  return CookiesGetHeader(host, path);
}

// Exported members take the object first, as a member call does on this platform.
extern "C" {

int WINAPI ExportHeaderSetCookie(CLinkFinder* finder, WCHAR* host, char* text, DWORD length) {
  return finder->HeaderSetCookie(host, text, length);
}

char* WINAPI ExportHeaderGetCookie(CLinkFinder* finder, WCHAR* host, WCHAR* path) {
  return finder->HeaderGetCookie(host, path);
}
}
