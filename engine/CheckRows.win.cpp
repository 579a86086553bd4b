// The links-list row and the console lines of a link while and after it is checked: the row
// steps are queued for the window thread, which applies them in batches during a run.
#include <windows.h>

#include <commctrl.h>

#include "engine/LinkFinder.h"
#include "engine/MarkupText.h"
#include "engine/ReportText.h"
#include "engine/ResultQueue.h"
#include "engine/ResultRows.h"
#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"
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

// An empty result column reads "Undefined".
const char16_t* ResultText(const char16_t* text) {
  return text[0] ? text : LanguageText(STR_Msg_Undefined);
}

}  // namespace

bool CLinkFinder::QueueRowSteps() const { return windowCaller && !stopped && !paused; }

void CLinkFinder::AddRowStep(RowStep step) {
  if (rows) rows->Add(std::move(step), QueueRowSteps(), windowCaller);
}

int CLinkFinder::InsertCheckingRow(const tagTreeListItemFull* item) {
  if (!linksList || !rows) return -1;
  WCHAR* text = static_cast<WCHAR*>(calloc(kRowText, sizeof(WCHAR)));
  if (!text) return -1;
  RowStep step(RowStep::INSERT_LINK, rows->NewLinkRow(),
               EncodeLinkRow(item->restype, LINKROW_CHECKING));
  auto cell = [&](int column, const char16_t* value) { step.cells.emplace_back(column, value); };
  GetDisplayLink(item->Url, text, kRowText);
  cell(LINKCOL_LINK, text);
  FormatStringW(text, kRowText, u"%s...", LanguageText(STR_Resource_Checking));
  cell(LINKCOL_STATUS, text);
  cell(LINKCOL_PROTOCOL, ProtocolText(item->protocol));
  cell(LINKCOL_TYPE, ResourceTypeName(item->restype));
  FormatStringW(text, kRowText, u"%d", item->dir);
  cell(LINKCOL_DIRLEVEL, text);
  cell(LINKCOL_LOCATION,
       LanguageText(item->extern_ ? STR_Resource_External : STR_Resource_Internal));
  if (showAllLinks) {
    GetDisplayLink(item->rel_url, text, kRowText);
    cell(LINKCOL_PAGE, text);
    text[0] = 0;
    if (item->rel_url[0]) {
      const int length =
          FormatStringW(text, kRowText, LanguageText(STR_Resource_Position), item->line, item->col);
      FormatStringW(text + length, kRowText - length, u" %s", item->rel_title);
      RemoveMarkup(text);
    }
    cell(LINKCOL_POSITION, text);
  }
  free(text);
  const int id = step.id;
  AddRowStep(std::move(step));
  return id;
}

void CLinkFinder::ShowCheckingTry(int row, int32_t tryNumber) {
  if (!linksList || row < 0) return;
  WCHAR text[300];
  FormatStringW(text, 300, u"%s [%d] ...", LanguageText(STR_Resource_Checking), tryNumber);
  RowStep step(RowStep::UPDATE_LINK, row);
  step.cells.emplace_back(LINKCOL_STATUS, text);
  AddRowStep(std::move(step));
}

void CLinkFinder::FinishRow(const tagTreeListItemFull* item, int row) {
  if (!linksList || row < 0) return;
  RowStep step(RowStep::UPDATE_LINK, row,
               EncodeLinkRow(item->restype, LinkRowBits(item->statusval)));
  auto cell = [&](int column, const char16_t* value) { step.cells.emplace_back(column, value); };
  cell(LINKCOL_STATUS, ResultText(item->statusstr));
  cell(LINKCOL_COMMENT, item->comment[0] ? item->comment : item->commentstr);
  cell(LINKCOL_TITLE, ResultText(item->title));
  cell(LINKCOL_CONTENTTYPE, ResultText(item->content));
  cell(LINKCOL_SIZE, ResultText(item->ressize));
  cell(LINKCOL_LASTMODIFIED, ResultText(item->lastmod));
  const bool unknownCharset = item->statusval == STATUSVAL_BROKEN ||
                              item->statusval == STATUSVAL_BROKEN_RETRIED || item->flags == 0 ||
                              item->extern_ == 1;
  const char16_t* charsetText = u"";
  if (item->restype == RES_HTML) {
    charsetText = unknownCharset ? LanguageText(STR_Msg_Unknown) : item->charset;
  }
  cell(LINKCOL_CHARSET, charsetText);
  WCHAR time[64];
  FormatStringW(time, 64, u"%d.%03u %s", item->restime / 1000,
                static_cast<unsigned>(item->restime % 1000), LanguageText(STR_Location_Sec));
  cell(LINKCOL_ACCESSTIME, time);
  AddRowStep(std::move(step));
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
