// The result lists: counters moved by every stored row, the links-list and broken-list
// rows of stored results, and the links into or out of one page.
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/BrokenText.h"
#include "engine/LinkFinder.h"
#include "engine/MarkupText.h"
#include "engine/ProgressDlg.h"
#include "engine/ResultQueue.h"
#include "engine/TextCopy.h"
#include "scandb/ScanDb.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

namespace {

constexpr int kDescription = 5000;

void SetText(HWND list, int row, int column, const char16_t* text) {
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char16_t*>(text);
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

int ImageOf(int32_t restype) { return restype >= 0 && restype <= 5 ? restype + 2 : 4; }

}  // namespace

void CLinkFinder::CountResultRow(int32_t first, int32_t restype, int32_t statusval,
                                 int32_t extern_) {
  if (first) ++checked;
  ++processed;
  if (IsBrokenStatusVal(statusval)) ++broken;
  if (restype == RES_HTML) {
    ++pages;
  } else if (restype == RES_IMAGE) {
    ++images;
  } else {
    ++others;
  }
  if (extern_) {
    ++external;
  } else {
    ++internal;
  }
}

void CLinkFinder::SetTreeListItem(tagTreeListItemFull* item, CLinkFinder* engine) {
  if (!engine || !engine->linksList || item->statusval == STATUSVAL_UNCHECKED) return;
  engine->FinishRow(item, engine->InsertCheckingRow(item));
}

void CLinkFinder::AddBrokenLink(tagTreeListItemFull* item) {
  if (!brokenList) return;
  WCHAR* url = static_cast<WCHAR*>(calloc(2048, sizeof(WCHAR)));
  WCHAR* page = static_cast<WCHAR*>(calloc(2048, sizeof(WCHAR)));
  if (url && page) {
    GetDisplayLink(item->Url, url, 2048);
    if (item->rel_url[0]) GetDisplayLink(item->rel_url, page, 2048);
    std::u16string text = BrokenDescription(BrokenTextsOfLanguage(), url, page, item->line,
                                            item->col, item->rel_title, item->statusstr);
    if (text.size() > kDescription - 1) text.resize(kDescription - 1);
    RowStep step(RowStep::INSERT_BROKEN);
    step.cells = {{0, std::move(text)}, {1, page}, {2, url}};
    AddRowStep(std::move(step));
  }
  free(url);
  free(page);
}

void CLinkFinder::ShowResultRow(int32_t first, bool listed, FINDER_ROW_PARAMS) {
  CountResultRow(first, restype, statusval, extern_);
  const bool brokenRow = IsBrokenStatusVal(statusval);
  if (!listed && !brokenRow) return;
  std::unique_ptr<tagTreeListItemFull> item(new (std::nothrow) tagTreeListItemFull);
  if (!item) return;
  LinkToTreeItem(item.get(), FINDER_ROW_ARGS);
  if (listed) SetTreeListItem(item.get(), this);
  if (brokenRow) AddBrokenLink(item.get());
}

void CLinkFinder::report_url_func(int32_t first, FINDER_ROW_PARAMS) {
  // Rows that caused a check were listed by the check itself.
  ShowResultRow(first, !first && showAllLinks, FINDER_ROW_ARGS);
  ScopeLock hold(lock);
  DrawRelativeProgress(0);
}

void CLinkFinder::export_url_func(int32_t rowCount, int32_t rowIndex, int32_t first,
                                  FINDER_ROW_PARAMS, int32_t* cancel) {
  if (first) {
    NoteStoredPage(protocol, username, userpass, server, port, resource, restype, flags, statusval);
  }
  ShowResultRow(first, showAllLinks || first, FINDER_ROW_ARGS);
  StepProgress(rowCount, rowIndex, 10, 0, cancel);
}

int CLinkFinder::StepProgress(int32_t rowCount, int32_t rowIndex, int divisor, int base,
                              int32_t* cancel) {
  // Workers storing decided links during a scan come here too, with no count: only the
  // thread that owns the progress window moves it.
  CProgressDlg* dialog = progress;
  if (!dialog || rowCount <= 0 ||
      GetWindowThreadProcessId(dialog->Window(), nullptr) != GetCurrentThreadId()) {
    return 0;
  }
  dialog->Step(base + static_cast<int>(static_cast<int64_t>(rowIndex) * 1000 / rowCount / divisor));
  if (cancel && dialog->IsCancelled()) *cancel = 1;
  return 1;
}

int CLinkFinder::FillLinksInOutList(HWND list, const WCHAR* displayUrl, int direction) {
  if (!list || !context) return 0;
  ProgressWindow window(mainWindow, LanguageText(STR_PrgBar_Reading), u"", true);
  progress = window.get();
  ioList = list;
  ioDirection = direction;
  GetLinkFromDisplayBack(ioPage, sizeof ioPage / sizeof ioPage[0], displayUrl ? displayUrl : u"");
  const int32_t result =
      DBQueryReport(context, 2, ExportIOLinksThunk, callbacks.get(), 1, 0, nullptr);
  progress = nullptr;
  ioList = nullptr;
  if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 0) {
    LVITEMW lvi = {};
    lvi.mask = LVIF_TEXT;
    lvi.pszText = const_cast<char16_t*>(LanguageText(STR_Msg_NoItemsFound));
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lvi));
  }
  return result == 1;
}

void CLinkFinder::export_iolinks_func(int32_t rowCount, int32_t rowIndex, int32_t,
                                      FINDER_ROW_PARAMS, int32_t* cancel) {
  StepProgress(rowCount, rowIndex, 10, 0, cancel);
  if (!ioList) return;
  std::unique_ptr<tagTreeListItemFull> item(new (std::nothrow) tagTreeListItemFull);
  if (!item) return;
  LinkToTreeItem(item.get(), FINDER_ROW_ARGS);
  const WCHAR* shown = nullptr;
  int image = 4;
  if (ioDirection) {
    if (!item->rel_url[0] || strcmpcase(item->Url, ioPage) != 0) return;
    shown = item->rel_url;
    image = ImageOf(item->restype);
  } else {
    if (strcmpcase(item->rel_url, ioPage) != 0) return;
    shown = item->Url;
  }
  std::vector<WCHAR> text(kDescription);
  std::vector<WCHAR> page(2048);
  GetDisplayLink(shown, text.data(), kDescription);
  LVITEMW lvi = {};
  lvi.mask = LVIF_TEXT | LVIF_IMAGE;
  lvi.iItem = static_cast<int>(SendMessageW(ioList, LVM_GETITEMCOUNT, 0, 0));
  lvi.iImage = image;
  lvi.pszText = text.data();
  const int row =
      static_cast<int>(SendMessageW(ioList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lvi)));
  if (row < 0) return;
  GetDisplayLink(item->rel_url, page.data(), 2048);
  const int length = FormatStringW(text.data(), kDescription, LanguageText(STR_Location_AtPosition),
                                   item->line, item->col);
  FormatStringW(text.data() + length, kDescription - length, u", %s", page.data());
  SetText(ioList, row, 1, StripMarkup(text.data()).c_str());
}

void CLinkFinder::export_layout_func(int32_t rowCount, int32_t rowIndex, int32_t, FINDER_ROW_PARAMS,
                                     int32_t* cancel) {
  StepProgress(rowCount, rowIndex, 10, 0, cancel);
  std::unique_ptr<tagTreeListItemFull> item(new (std::nothrow) tagTreeListItemFull);
  if (!item) return;
  LinkToTreeItem(item.get(), FINDER_ROW_ARGS);
  AddLayoutLink(item.get());
}

// The site layout tree has no drawing mode: the engine is never asked to draw it, so a
// row leaves the tree (when there is one) as it was.
void CLinkFinder::AddLayoutLink(tagTreeListItemFull*) {}

// Exported members take the object first, as a member call does on this platform.
extern "C" {

int WINAPI CLinkFinder_FillLinksInOutList(CLinkFinder* finder, HWND list, WCHAR* displayUrl,
                                          int direction) {
  return finder->FillLinksInOutList(list, displayUrl, direction);
}
}
