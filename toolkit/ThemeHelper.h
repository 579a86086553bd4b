// Visual styles without linking to the theme library: the common-controls version, the
// theme library loaded by name, and one wrapper per theme function that falls back to a
// harmless answer when the library or the function is missing. Windows-side header; GUI
// thread only. Handles returned by OpenThemeData are the caller's to close.
#pragma once

#include <windows.h>

#include <cstdint>

// Declared here because the platform's theme header cannot be used from C++.
typedef HANDLE HTHEME;
constexpr int BP_PUSHBUTTON = 1;
constexpr int PBS_NORMAL = 1;
constexpr int PBS_HOT = 2;
constexpr int PBS_PRESSED = 3;
constexpr int PBS_DISABLED = 4;
constexpr int PBS_DEFAULTED = 5;

class CThemeHelper {
 public:
  // The program's helper: the version of the already loaded common controls (0 when they
  // are not loaded) and "UxTheme.dll".
  CThemeHelper();
  // Tests: another theme library name and a version taken as given.
  CThemeHelper(const char16_t* library, uint32_t forcedVersion);
  ~CThemeHelper();
  CThemeHelper(const CThemeHelper&) = delete;
  CThemeHelper& operator=(const CThemeHelper&) = delete;

  HTHEME OpenThemeData(HWND window, const char16_t* classList);
  HRESULT CloseThemeData(HTHEME theme);
  HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                              const RECT* clip);
  HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const char16_t* text, int length,
                        DWORD flags, DWORD flags2, const RECT* rect);
  HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state,
                                        const RECT* bounds, RECT* content);
  BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state);
  HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect);
  BOOL IsThemeActive();
  BOOL IsAppThemed();

  // True with common controls 6 or later.
  bool HasCommonControls6() const { return (version >> 16) >= 6; }

  // Major version in the high 16 bits, minor in the low 16 bits.
  uint32_t version = 0;
  HMODULE module = nullptr;

 private:
  FARPROC Find(const char* name) const;
};

// The helper drawing code uses: the global one, or the one a test put in its place.
CThemeHelper& ThemeHelper();
// Tests: makes `helper` the one ThemeHelper() answers (null: the global again); returns
// the one it replaced. The caller keeps ownership.
CThemeHelper* ReplaceThemeHelper(CThemeHelper* helper);
