// The menu texts of the frame and the worksheets, written from the language table, with the
// language popup.
#include "app/Language.h"
#include "app/TemplateBuffer.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Languages.h"
#include "toolkit/MenuText.h"

uint8_t g_languageBits[9];
char16_t g_languageFile[SETTINGS_PATH_SIZE];
char16_t g_helpFile[SETTINGS_PATH_SIZE];

namespace {

const char16_t kEnabled[] = u"enabled";

struct MenuEntry {
  int slot;  // -1: separator
  uint32_t id;
  bool worksheetOnly;
};

struct MenuPopup {
  int slot;
  bool worksheetOnly;
  const MenuEntry* entries;
  int count;
  bool languages;  // the language popup goes first
};

const MenuEntry kFile[] = {
    {STR_Menu_FileNew, 1100, false},
    {STR_Menu_FileOpen, 1101, false},
    {STR_Menu_FileSave, 1102, true},
    {STR_Menu_FileSaveAs, 1103, true},
    {-1, 0, false},
    {STR_Menu_FileExit, 1105, false},
};
const MenuEntry kProcessing[] = {
    {STR_Menu_ProcessingStart, 1124, false},
    {STR_Menu_ProcessingPause, 1128, false},
    {STR_Menu_ProcessingStop, 1125, false},
};
const MenuEntry kSettings[] = {
    {-1, 0, false},
    {STR_Menu_SettingsOptions, 1106, false},
    {STR_Menu_SettingsConnection, 1107, false},
    {STR_Menu_SettingsHTTP, 1108, false},
    {STR_Menu_SettingsCookies, 1109, false},
};
const MenuEntry kReports[] = {
    {STR_Menu_ReportsLinks, 1119, false},
    {STR_Menu_ReportsBrokenLinks, 1122, false},
};
const MenuEntry kView[] = {
    {STR_Menu_ViewFrame, 1132, false},
    {STR_Menu_ViewTab, 1133, false},
};
const MenuEntry kWindow[] = {
    {STR_Menu_WindowCascade, 1134, false},
    {STR_Menu_WindowTileHorz, 1135, false},
    {STR_Menu_WindowTileVert, 1136, false},
    {STR_Menu_WindowArrange, 1139, false},
    {-1, 0, false},
    {STR_Menu_WindowNext, 1137, false},
    {STR_Menu_WindowPrev, 1138, false},
    {-1, 0, false},
    {STR_Menu_WindowClose, 1140, false},
    {STR_Menu_WindowCloseAll, 1141, false},
};
const MenuEntry kHelp[] = {
    {STR_Menu_HelpContents, 1111, false}, {STR_Menu_HelpUseHelp, 1115, false},
    {STR_Menu_HelpFAQ, 1114, false},      {-1, 0, false},
    {STR_Menu_HelpUpdate, 1116, false},   {-1, 0, false},
    {STR_Menu_HelpOnline, 1117, false},   {STR_Menu_HelpAbout, 1118, false},
};

#define POPUP(slot, worksheetOnly, entries, languages)                                    \
  {                                                                                       \
    slot, worksheetOnly, entries, static_cast<int>(sizeof(entries) / sizeof(entries[0])), \
        languages                                                                         \
  }
const MenuPopup kPopups[] = {
    POPUP(STR_Menu_File, false, kFile, false),
    POPUP(STR_Menu_Processing, true, kProcessing, false),
    POPUP(STR_Menu_Settings, false, kSettings, true),
    POPUP(STR_Menu_Reports, true, kReports, false),
    POPUP(STR_Menu_View, true, kView, false),
    POPUP(STR_Menu_Window, false, kWindow, false),
    POPUP(STR_Menu_Help, false, kHelp, false),
};

// Appends to the text; the writers stop at the room left, so a full buffer shows as
// length == capacity - 1.
struct MenuWriter {
  char16_t* buffer;
  int capacity;
  int length = 0;

  void Begin(const char16_t* title) {
    length +=
        XmlMenuBegin(buffer + length, capacity - length, title, title ? kEnabled : nullptr, 0);
  }
  void Item(const char16_t* title, const char16_t* flags, uint32_t id) {
    length += XmlMenuItem(buffer + length, capacity - length, title, flags, id);
  }
  void Separator() { Item(nullptr, u"separator", 0); }
  void End() { length += XmlMenuEnd(buffer + length, capacity - length); }
};

void WriteLanguagePopup(MenuWriter& out) {
  out.Begin(LanguageText(STR_Menu_Language));
  for (int i = 0; i < LANGUAGE_COUNT; ++i) {
    if (!BitArrayOp(g_languageBits, BITARRAY_TEST, i)) continue;
    out.Item(LanguageText(i), i == g_settings.CurrLang ? u"checked" : kEnabled,
             3000u + static_cast<uint32_t>(i));
  }
  out.Separator();
  out.Item(LanguageText(STR_Menu_LanguageMore), kEnabled, 1110);
  out.End();
}

int WriteMenuText(char16_t* buffer, int capacity, int kind) {
  MenuWriter out{buffer, capacity};
  out.Begin(nullptr);
  for (const MenuPopup& popup : kPopups) {
    if (popup.worksheetOnly && kind != MENU_WORKSHEET) continue;
    out.Begin(LanguageText(popup.slot));
    if (popup.languages) WriteLanguagePopup(out);
    for (int i = 0; i < popup.count; ++i) {
      const MenuEntry& entry = popup.entries[i];
      if (entry.worksheetOnly && kind != MENU_WORKSHEET) continue;
      if (entry.slot < 0)
        out.Separator();
      else
        out.Item(LanguageText(entry.slot), kEnabled, entry.id);
    }
    out.End();
  }
  out.End();
  return out.length;
}

}  // namespace

int BuildMenuText(char16_t** text, int kind) {
  return WriteTemplateText(
      text,
      [](char16_t* buffer, int size, const void* context) {
        return WriteMenuText(buffer, size, *static_cast<const int*>(context));
      },
      &kind);
}
