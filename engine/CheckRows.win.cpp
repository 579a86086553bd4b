// The links-list row and the console lines of a link while and after it is checked.
#include <windows.h>

#include <commctrl.h>

#include "engine/LinkFinder.h"
#include "engine/MarkupText.h"
#include "engine/ReportText.h"
#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"
#include "engine/WindowThreadCall.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

namespace {

constexpr int kRowText = 5000;

const char16_t* ProtocolText(int32_t protocol) {
  const char16_t* name = ProtocolName(protocol);
  return name ? name : LanguageText(STR_Msg_Unknown);
}

const char16_t* ResourceTypeName(int32_t restype) {
  static const int kSlots[] = {STR_Resource_Application,
                               STR_Resource_Audio,
                               STR_Resource_HTML,
                               STR_Resource_Image,
                               STR_Resource_Text,
                               STR_Resource_Video,
                               -1,
                               STR_Resource_StyleSheet};
  if (restype >= 0 && restype <= RES_STYLESHEET && kSlots[restype] >= 0) {
    return LanguageText(kSlots[restype]);
  }
  return LanguageText(STR_Msg_Unknown);
}

uint32_t StatusBits(int32_t statusval) {
  switch (statusval) {
    case STATUSVAL_BROKEN:
      return 1;
    case STATUSVAL_SKIPPED:
      return 2;
    case STATUSVAL_NOTCHECKABLE:
      return 4;
    case STATUSVAL_BROKEN_RETRIED:
      return 8;
  }
  return 0;
}

void SetColumn(HWND list, int row, int column, const char16_t* text) {
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char16_t*>(text);
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

// An empty result column reads "Undefined".
void SetResultColumn(HWND list, int row, int column, const char16_t* text) {
  SetColumn(list, row, column, text[0] ? text : LanguageText(STR_Msg_Undefined));
}

}  // namespace

int CLinkFinder::InsertCheckingRow(const tagTreeListItemFull* item) {
  if (!linksList) return -1;
  WCHAR* text = static_cast<WCHAR*>(calloc(kRowText, sizeof(WCHAR)));
  if (!text) return -1;
  ScopeLock hold(lock);
  int row = -1;
  // The whole row in one message to the GUI thread, which owns the list: a worker waits for
  // that thread once per row instead of once per column.
  auto insert = [&] {
    const int count = static_cast<int>(SendMessageW(linksList, LVM_GETITEMCOUNT, 0, 0));
    GetDisplayLink(item->Url, text, kRowText);
    LVITEMW lvi = {};
    lvi.mask = LVIF_TEXT | LVIF_PARAM;
    lvi.iItem = count;
    lvi.pszText = text;
    lvi.lParam = static_cast<LPARAM>(static_cast<uint32_t>(item->restype & 0xFFFF) | (16u << 16));
    row = static_cast<int>(
        SendMessageW(linksList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lvi)));
    if (row >= 0) {
      FormatStringW(text, kRowText, u"%s...", LanguageText(STR_Resource_Checking));
      SetColumn(linksList, row, 1, text);
      SetColumn(linksList, row, 4, ProtocolText(item->protocol));
      SetColumn(linksList, row, 10, ResourceTypeName(item->restype));
      FormatStringW(text, kRowText, u"%d", item->dir);
      SetColumn(linksList, row, 11, text);
      SetColumn(linksList, row, 12,
                LanguageText(item->extern_ ? STR_Resource_External : STR_Resource_Internal));
      if (showAllLinks) {
        GetDisplayLink(item->rel_url, text, kRowText);
        SetColumn(linksList, row, 13, text);
        text[0] = 0;
        if (item->rel_url[0]) {
          const int length = FormatStringW(text, kRowText, LanguageText(STR_Resource_Position),
                                           item->line, item->col);
          FormatStringW(text + length, kRowText - length, u" %s", item->rel_title);
          RemoveMarkup(text);
        }
        SetColumn(linksList, row, 14, text);
      }
      // The list follows new rows only while its end is in view.
      const int top = static_cast<int>(SendMessageW(linksList, LVM_GETTOPINDEX, 0, 0));
      const int perPage = static_cast<int>(SendMessageW(linksList, LVM_GETCOUNTPERPAGE, 0, 0));
      if (count - 1 >= top && count - 1 <= top + perPage) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(linksList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        SendMessageW(linksList, LVM_ENSUREVISIBLE, row, FALSE);
      }
    }
  };
  RunOnWindowThread(windowCaller, insert);
  free(text);
  return row;
}

void CLinkFinder::ShowCheckingTry(int row, int32_t tryNumber) {
  if (!linksList || row < 0) return;
  WCHAR text[300];
  FormatStringW(text, 300, u"%s [%d] ...", LanguageText(STR_Resource_Checking), tryNumber);
  ScopeLock hold(lock);
  auto show = [&] { SetColumn(linksList, row, 1, text); };
  RunOnWindowThread(windowCaller, show);
}

void CLinkFinder::FinishRow(const tagTreeListItemFull* item, int row) {
  if (!linksList || row < 0) return;
  auto finish = [&] {
    SetResultColumn(linksList, row, 1, item->statusstr);
    SetColumn(linksList, row, 2, item->comment[0] ? item->comment : item->commentstr);
    SetResultColumn(linksList, row, 3, item->title);
    SetResultColumn(linksList, row, 5, item->content);
    SetResultColumn(linksList, row, 6, item->ressize);
    SetResultColumn(linksList, row, 7, item->lastmod);
    const bool unknownCharset = item->statusval == STATUSVAL_BROKEN ||
                                item->statusval == STATUSVAL_BROKEN_RETRIED || item->flags == 0 ||
                                item->extern_ == 1;
    const char16_t* charsetText = u"";
    if (item->restype == RES_HTML) {
      charsetText = unknownCharset ? LanguageText(STR_Msg_Unknown) : item->charset;
    }
    SetColumn(linksList, row, 8, charsetText);
    WCHAR time[64];
    FormatStringW(time, 64, u"%d.%03u %s", item->restime / 1000,
                  static_cast<unsigned>(item->restime % 1000), LanguageText(STR_Location_Sec));
    SetColumn(linksList, row, 9, time);
    LVITEMW lvi = {};
    lvi.mask = LVIF_PARAM;
    lvi.iItem = row;
    lvi.lParam = static_cast<LPARAM>(static_cast<uint32_t>(item->restype & 0xFFFF) |
                                     (StatusBits(item->statusval) << 16));
    SendMessageW(linksList, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&lvi));
  };
  RunOnWindowThread(windowCaller, finish);
}

void CLinkFinder::PrintConsoleLines(const tagTreeListItemFull* item) {
  const bool brokenLink = IsBrokenStatusVal(item->statusval);
  if (consoleType != CONSOLE_ALLLINKS && !(consoleType == CONSOLE_BROKENLINKS && brokenLink)) {
    return;
  }
  WCHAR* url = static_cast<WCHAR*>(calloc(kRowText, sizeof(WCHAR)));
  WCHAR* text = static_cast<WCHAR*>(calloc(kRowText, sizeof(WCHAR)));
  if (url && text) {
    GetDisplayLink(item->Url, url, kRowText);
    ConsolePrintf(consoleStream, u"%s\n", url);
    if (item->rel_url[0]) {
      GetDisplayLink(item->rel_url, url, kRowText);
      FormatStringW(text, kRowText, u"%s %s \"%s\" %s, %s %d, %s %d\n",
                    LanguageText(item->extern_ ? STR_Resource_External : STR_Resource_Internal),
                    LanguageText(STR_Location_LinkFrom), url, item->rel_title,
                    LanguageText(STR_Location_AtLine), item->line,
                    LanguageText(STR_Location_AtColumn), item->col);
      RemoveMarkup(text);
      ConsolePrintf(consoleStream, u"%s", text);
    }
    ConsolePrintf(consoleStream, u"%s\n\n", item->statusstr);
  }
  free(url);
  free(text);
}
