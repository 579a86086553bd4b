// Visual styles loaded at run time: the common-controls version and the theme calls when a theme is
// active.
#include "toolkit/ThemeHelper.h"

#include <shlwapi.h>

namespace {

uint32_t CommonControlsVersion() {
  // Only an already loaded library counts: loading it here would pick a version the
  // program itself never uses.
  HMODULE comctl = GetModuleHandleW(u"ComCtl32.dll");
  if (!comctl) return 0;
  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  if (!getVersion) return 0;
  DLLVERSIONINFO info = {};
  info.cbSize = 20;
  if (FAILED(getVersion(&info))) return 0;
  return (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
}

HMODULE LoadQuietly(const char16_t* name) {
  SetErrorMode(SEM_NOOPENFILEERRORBOX);
  return LoadLibraryW(name);
}

template <typename Function>
Function As(FARPROC address) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

CThemeHelper globalHelper;
CThemeHelper* currentHelper = nullptr;

}  // namespace

CThemeHelper::CThemeHelper() : version(CommonControlsVersion()) {
  module = LoadQuietly(u"UxTheme.dll");
}

CThemeHelper::CThemeHelper(const char16_t* library, uint32_t forcedVersion)
    : version(forcedVersion) {
  module = LoadQuietly(library);
}

CThemeHelper::~CThemeHelper() {
  if (module) FreeLibrary(module);
  module = nullptr;
}

// Looked up on every call: the theme library may lack any of these on older systems.
FARPROC CThemeHelper::Find(const char* name) const {
  return module ? GetProcAddress(module, name) : nullptr;
}

HTHEME CThemeHelper::OpenThemeData(HWND window, const char16_t* classList) {
  auto f = As<HTHEME(WINAPI*)(HWND, LPCWSTR)>(Find("OpenThemeData"));
  return f ? f(window, classList) : nullptr;
}

HRESULT CThemeHelper::CloseThemeData(HTHEME theme) {
  auto f = As<HRESULT(WINAPI*)(HTHEME)>(Find("CloseThemeData"));
  return f ? f(theme) : E_FAIL;
}

HRESULT CThemeHelper::DrawThemeBackground(HTHEME theme, HDC dc, int part, int state,
                                          const RECT* rect, const RECT* clip) {
  auto f = As<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*)>(
      Find("DrawThemeBackground"));
  return f ? f(theme, dc, part, state, rect, clip) : E_FAIL;
}

HRESULT CThemeHelper::DrawThemeText(HTHEME theme, HDC dc, int part, int state, const char16_t* text,
                                    int length, DWORD flags, DWORD flags2, const RECT* rect) {
  auto f = As<HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*)>(
      Find("DrawThemeText"));
  return f ? f(theme, dc, part, state, text, length, flags, flags2, rect) : E_FAIL;
}

HRESULT CThemeHelper::GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state,
                                                    const RECT* bounds, RECT* content) {
  auto f = As<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, RECT*)>(
      Find("GetThemeBackgroundContentRect"));
  return f ? f(theme, dc, part, state, bounds, content) : E_FAIL;
}

BOOL CThemeHelper::IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state) {
  auto f = As<BOOL(WINAPI*)(HTHEME, int, int)>(Find("IsThemeBackgroundPartiallyTransparent"));
  return f ? f(theme, part, state) : FALSE;
}

HRESULT CThemeHelper::DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect) {
  auto f = As<HRESULT(WINAPI*)(HWND, HDC, const RECT*)>(Find("DrawThemeParentBackground"));
  return f ? f(window, dc, rect) : E_FAIL;
}

BOOL CThemeHelper::IsThemeActive() {
  auto f = As<BOOL(WINAPI*)()>(Find("IsThemeActive"));
  return f ? f() : FALSE;
}

BOOL CThemeHelper::IsAppThemed() {
  auto f = As<BOOL(WINAPI*)()>(Find("IsAppThemed"));
  return f ? f() : FALSE;
}

CThemeHelper& ThemeHelper() { return currentHelper ? *currentHelper : globalHelper; }

CThemeHelper* ReplaceThemeHelper(CThemeHelper* helper) {
  CThemeHelper* previous = currentHelper ? currentHelper : &globalHelper;
  currentHelper = helper;
  return previous;
}
