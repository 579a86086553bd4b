#include "toolkit/MessageBox.h"

#include <cstdarg>
#include <cstdlib>

#include "toolkit/Format.h"

tagCUSTOMCONTROLS g_customControls;

int InitCustomControls(HINSTANCE module, const char16_t* iconName, const char16_t* bitmapName,
                       int handAnimation, int questionAnimation, int otherAnimation) {
  g_customControls = {module,        iconName,          bitmapName,
                      handAnimation, questionAnimation, otherAnimation};
  return 1;
}

namespace {

// The button Escape chooses: Cancel where the box has one, else its only button.
int EscapeAnswer(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OK:
      return IDOK;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDCANCEL;
  }
}

}  // namespace

int AnimatedMessageBox(HWND owner, const char16_t* format, const char16_t* caption, UINT flags,
                       ...) {
  va_list args;
  va_start(args, flags);
  va_list measure;
  va_copy(measure, args);
  // The length query leaves out the terminator.
  const int length = FormatStringWV(nullptr, 0, format, measure);
  va_end(measure);
  char16_t* text = static_cast<char16_t*>(calloc(length + 1, sizeof(char16_t)));
  if (text) FormatStringWV(text, length + 1, format, args);
  va_end(args);
  int answer = MessageBoxW(owner, text ? text : u"", caption, flags);
  free(text);
  // A quit message ends the box's own loop, which puts it back for the caller's loop; the
  // box's answer then is whatever button had the focus, not the user's choice.
  MSG quit;
  if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
    answer = EscapeAnswer(flags);
  }
  return answer;
}
