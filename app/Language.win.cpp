// Language files: finding them in the lngfiles folders, the user's choice and loading or changing
// the language. GUI thread.
#include <windows.h>

#include "app/Language.h"
#include "app/StringTable.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Format.h"
#include "toolkit/Languages.h"

namespace {

void ScanFolder(const char16_t* pattern) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    for (int i = 0; i < LANGUAGE_COUNT; ++i) {
      char16_t name[32];
      finderstruct.GetLanguageName(i, name);
      char16_t fileName[40];
      FormatStringW(fileName, 40, u"%s.lng", name);
      if (lstrcmpiW(data.cFileName, fileName) == 0) {
        finderstruct.BitArrayOp(g_languageBits, BITARRAY_SET, i);
        break;
      }
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

// The first of the language's own file in both locations, else English in the first.
void ChooseFile(char16_t* out, const char16_t* folder, const char16_t* name,
                const char16_t* extension) {
  FormatStringW(out, SETTINGS_PATH_SIZE, u"%s\\lngfiles\\%s.%s", folder, name, extension);
  if (finderstruct.FileExists(out)) return;
  FormatStringW(out, SETTINGS_PATH_SIZE, u"%s\\..\\..\\lngfiles\\%s.%s", folder, name, extension);
  if (finderstruct.FileExists(out) || g_settings.CurrLang == LANGUAGE_ENGLISH_US) return;
  char16_t english[32];
  finderstruct.GetLanguageName(LANGUAGE_ENGLISH_US, english);
  FormatStringW(out, SETTINGS_PATH_SIZE, u"%s\\lngfiles\\%s.%s", folder, english, extension);
}

}  // namespace

void ScanLanguageFiles(const char16_t* programFolder) {
  char16_t pattern[SETTINGS_PATH_SIZE];
  FormatStringW(pattern, SETTINGS_PATH_SIZE, u"%s\\lngfiles\\*.lng", programFolder);
  ScanFolder(pattern);
  FormatStringW(pattern, SETTINGS_PATH_SIZE, u"%s\\..\\..\\lngfiles\\*.lng", programFolder);
  ScanFolder(pattern);
  finderstruct.BitArrayOp(g_languageBits, BITARRAY_SET, LANGUAGE_ENGLISH_US);
}

int LoadLanguage(const char16_t* programFolder) {
  char16_t name[32] = {};
  if (!finderstruct.GetLanguageName(g_settings.CurrLang, name))
    finderstruct.GetLanguageName(LANGUAGE_ENGLISH_US, name);
  ChooseFile(g_languageFile, programFolder, name, u"lng");
  ChooseFile(g_helpFile, programFolder, name, u"chm");
  return LoadStringTable(g_languageFile);
}

int ChangeLanguage(void* frame, int index, int* restart) {
  HWND window = static_cast<HWND>(frame);
  if (index == g_settings.CurrLang || index < 0 || index >= LANGUAGE_COUNT) return 0;
  if (!finderstruct.AnimatedMessageBox ||
      finderstruct.AnimatedMessageBox(window, LanguageText(STR_Msg_RestartLang), u"Tessaline Lite",
                                      MB_YESNO | MB_ICONQUESTION) != IDYES)
    return 0;
  g_settings.CurrLang = index;
  *restart = 1;
  SendMessageW(window, WM_CLOSE, 0, 0);
  // A frame that is still there refused to close (a scan is running); the new language
  // takes effect at the next start.
  if (IsWindow(window)) *restart = 0;
  return 1;
}
