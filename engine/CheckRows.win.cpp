// The links-list row and the console lines of a link while and after it is checked.
#include <windows.h>

#include <commctrl.h>

#include "engine/LinkFinder.h"
#include "engine/MarkupText.h"
#include "engine/ReportText.h"
#include "engine/ResultRows.h"
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
    lvi.lParam = static_cast<LPARAM>(EncodeLinkRow(item->restype, LINKROW_CHECKING));
    row = static_cast<int>(
        SendMessageW(linksList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lvi)));
    if (row >= 0) {
      FormatStringW(text, kRowText, u"%s...", LanguageText(STR_Resource_Checking));
      SetColumn(linksList, row, LINKCOL_STATUS, text);
      SetColumn(linksList, row, LINKCOL_PROTOCOL, ProtocolText(item->protocol));
      SetColumn(linksList, row, LINKCOL_TYPE, ResourceTypeName(item->restype));
      FormatStringW(text, kRowText, u"%d", item->dir);
      SetColumn(linksList, row, LINKCOL_DIRLEVEL, text);
      SetColumn(linksList, row, LINKCOL_LOCATION,
                LanguageText(item->extern_ ? STR_Resource_External : STR_Resource_Internal));
      if (showAllLinks) {
        GetDisplayLink(item->rel_url, text, kRowText);
        SetColumn(linksList, row, LINKCOL_PAGE, text);
        text[0] = 0;
        if (item->rel_url[0]) {
          const int length = FormatStringW(text, kRowText, LanguageText(STR_Resource_Position),
                                           item->line, item->col);
          FormatStringW(text + length, kRowText - length, u" %s", item->rel_title);
          RemoveMarkup(text);
        }
        SetColumn(linksList, row, LINKCOL_POSITION, text);
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
  auto show = [&] { SetColumn(linksList, row, LINKCOL_STATUS, text); };
  RunOnWindowThread(windowCaller, show);
}

void CLinkFinder::FinishRow(const tagTreeListItemFull* item, int row) {
  if (!linksList || row < 0) return;
  auto finish = [&] {
    SetResultColumn(linksList, row, LINKCOL_STATUS, item->statusstr);
    SetColumn(linksList, row, LINKCOL_COMMENT, item->comment[0] ? item->comment : item->commentstr);
    SetResultColumn(linksList, row, LINKCOL_TITLE, item->title);
    SetResultColumn(linksList, row, LINKCOL_CONTENTTYPE, item->content);
    SetResultColumn(linksList, row, LINKCOL_SIZE, item->ressize);
    SetResultColumn(linksList, row, LINKCOL_LASTMODIFIED, item->lastmod);
    const bool unknownCharset = item->statusval == STATUSVAL_BROKEN ||
                                item->statusval == STATUSVAL_BROKEN_RETRIED || item->flags == 0 ||
                                item->extern_ == 1;
    const char16_t* charsetText = u"";
    if (item->restype == RES_HTML) {
      charsetText = unknownCharset ? LanguageText(STR_Msg_Unknown) : item->charset;
    }
    SetColumn(linksList, row, LINKCOL_CHARSET, charsetText);
    WCHAR time[64];
    FormatStringW(time, 64, u"%d.%03u %s", item->restime / 1000,
                  static_cast<unsigned>(item->restime % 1000), LanguageText(STR_Location_Sec));
    SetColumn(linksList, row, LINKCOL_ACCESSTIME, time);
    LVITEMW lvi = {};
    lvi.mask = LVIF_PARAM;
    lvi.iItem = row;
    lvi.lParam = static_cast<LPARAM>(EncodeLinkRow(item->restype, LinkRowBits(item->statusval)));
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
