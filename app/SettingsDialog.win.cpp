// Runs the settings dialog on a working copy of the settings and commits it on OK or Apply. GUI
// thread.
#include "app/SettingsDialog.h"

#include <cstddef>
#include <cstdlib>

#include "app/SettingsFields.h"
#include "app/SettingsPages.h"
#include "app/Startup.h"
#include "app/TemplateBuffer.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"
#include "toolkit/PropertySheet.h"

tagSETTINGS g_settingsWork;

namespace {

const char16_t kCaption[] = u"Tessaline Lite";

struct PageSpec {
  TEMPLATEWRITER write;
  DLGPROC proc;
};
const PageSpec kPages[SETTINGS_PAGE_COUNT] = {
    {WriteOptionsTemplate, OptionsDlgProc},
    {WriteConnectionTemplate, ConnectionDlgProc},
    {WriteHttpOptionsTemplate, HTTPOptionsDlgProc},
    {WriteCookiesTemplate, CookiesDlgProc},
    {WriteAboutTemplate, AboutDlgProc},
};

// The first refusal of the OK being handled: shown once that OK has returned.
struct Refusal {
  HWND page;
  int focusId;
};
Refusal g_refusal = {};

void ShowRefusal(HWND sheet) {
  const Refusal refusal = g_refusal;
  g_refusal = {};
  if (!IsWindow(refusal.page)) return;
  // The page comes to the front first, so the message and the focus never land on a page
  // the user cannot see.
  SendMessageW(sheet, XPSM_SELECTWINDOW, reinterpret_cast<WPARAM>(refusal.page), 0);
  finderstruct.AnimatedMessageBox(sheet, LanguageText(STR_Msg_ValueOutRange), kCaption,
                                  MB_ICONERROR);
  if (HWND field = GetDlgItem(refusal.page, refusal.focusId)) {
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
  }
}

// The fields the pages edit: from the time-outs to the extension lists.
bool IsEditedField(const SettingsField& field) {
  return field.offset >= offsetof(tagSETTINGS, URLTimeout) &&
         field.offset < offsetof(tagSETTINGS, Link);
}

void CommitWorkingCopy() {
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const SettingsField& field = kSettingsFields[i];
    if (IsEditedField(field)) SetSettingsField(g_settings, field, &g_settingsWork);
  }
}

// Runs the modeless sheet until it closes. A quit taken here belongs to the loop outside:
// it ends the sheet and is posted again.
void RunSheetLoop(HWND sheet) {
  MSG msg;
  bool quit = false;
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) quit = true;
    if (got <= 0) break;
    if (!SendMessageW(sheet, XPSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg))) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (g_refusal.page) ShowRefusal(sheet);
    if (!SendMessageW(sheet, XPSM_GETCURRENTPAGEHWND, 0, 0)) break;
  }
  DestroyWindow(sheet);
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

}  // namespace

INT_PTR RefuseApply(HWND page, int focusId) {
  if (!g_refusal.page) g_refusal = Refusal{page, focusId};
  SetWindowLongPtrW(page, DWLP_MSGRESULT, 2);
  return TRUE;
}

int RunSettingsDialog(HWND owner, int startPage) {
  tagXMLPROPSHEET description = {};
  description.flags = XPSF_MODELESS | XPSF_HELP | XPSF_NOEXTRA | XPSF_NOAPPLY;
  description.parent = owner;
  description.instance = g_instance;
  description.title = LanguageText(STR_SettingsDlg_Caption);
  description.font = u"MS Sans Serif, 10";
  description.x = 8;
  description.okCaption = LanguageListText(STR_CAPTIONS, 0);
  description.cancelCaption = LanguageListText(STR_CAPTIONS, 1);
  description.closeCaption = LanguageText(STR_Msg_Close);
  description.applyCaption = LanguageText(STR_Msg_Apply);
  description.helpCaption = LanguageText(STR_Msg_Help);
  description.backCaption = LanguageText(STR_Msg_Back);
  description.nextCaption = LanguageText(STR_Msg_Next);
  description.finishCaption = LanguageText(STR_Msg_Finish);
  CXmlPropertySheet* sheet = finderstruct.CreatePropertySheet(&description);
  if (!sheet) return -1;

  g_settingsWork = g_settings;
  g_refusal = {};
  int added = 0;
  for (const PageSpec& spec : kPages) {
    char16_t* text = nullptr;
    int length = WriteTemplateText(&text, spec.write, nullptr);
    if (!text) continue;
    tagXMLPROPSHEETPAGE page = {};
    page.instance = g_instance;
    page.templ = text;
    page.length = length;
    page.proc = spec.proc;
    added += finderstruct.AddPropertySheetPage(sheet, &page);
    std::free(text);
  }
  if (startPage > added - 1) startPage = added - 1;
  if (startPage < 0) startPage = 0;
  HWND window = reinterpret_cast<HWND>(finderstruct.RunPropertySheet(sheet, startPage));
  if (window) {
    GiveProgramIcon(window);
    RunSheetLoop(window);
  }
  int result = static_cast<int>(finderstruct.GetPropertySheetResult(sheet));
  finderstruct.FreePropertySheet(sheet);
  if (result == 1) CommitWorkingCopy();
  return result;
}
