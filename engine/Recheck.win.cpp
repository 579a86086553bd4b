// The re-check of a finished crawl's broken links: they (and on request the pages that link
// to them) are queued again and a run without a producer checks them.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <new>

#include "engine/BadLinks.h"
#include "engine/LinkFinder.h"
#include "engine/ProgressDlg.h"
#include "engine/ResultRows.h"
#include "engine/TextHelpers.h"
#include "scandb/ScanDb.h"
#include "toolkit/LanguageText.h"

namespace {

// The result rows DBRecheckLinks takes away.
struct RecheckTally {
  uint32_t first, all, pages, images, others, external;
};

void CountLinksCallback(void* user, int32_t first, int32_t, const char*, const char*, const char*,
                        int32_t, const char*, const char*, const char*, int32_t restype, int32_t,
                        const char*, const char*, int32_t, int32_t, int32_t extern_, int32_t) {
  RecheckTally* tally = static_cast<RecheckTally*>(user);
  ++tally->all;
  if (first) ++tally->first;
  if (restype == RES_HTML) {
    ++tally->pages;
  } else if (restype == RES_IMAGE) {
    ++tally->images;
  } else {
    ++tally->others;
  }
  if (extern_) ++tally->external;
}

// Counters never wrap below 0: a worksheet's counters and its rows may disagree.
void Decrease(std::atomic<uint32_t>& counter, uint32_t by) {
  const uint32_t value = counter;
  counter = value > by ? value - by : 0;
}

std::string Utf8(const char16_t* text) {
  std::string out(4 * 2048 + 1, '\0');
  out.resize(static_cast<size_t>(Utf16ToUtf8Z(text, &out[0], static_cast<int>(out.size()))));
  return out;
}

}  // namespace

void CLinkFinder::chkbad_report_func(int32_t rowCount, int32_t rowIndex, int32_t, int32_t protocol,
                                     const char* username, const char* userpass, const char* server,
                                     int32_t port, const char* resource, const char* bookmark,
                                     const char* comment, int32_t restype, int32_t flags,
                                     const char*, const char*, const char*, const char*,
                                     const char*, const char*, const char*, int32_t statusval,
                                     int32_t, int32_t, const char* rel_url, const char*, int32_t,
                                     int32_t, int32_t, int32_t, int32_t* cancel) {
  StepProgress(rowCount, rowIndex, 20, 0, cancel);
  if (!badLinks || !IsBrokenStatusVal(statusval)) return;
  CollectBadLink(*badLinks, BadLink{protocol, username, userpass, server, port, resource, bookmark,
                                    comment, restype, flags, 1});
  if (!includeReferring || !rel_url[0]) return;
  std::unique_ptr<tagTreeListItemFull> page(new (std::nothrow) tagTreeListItemFull());
  std::unique_ptr<WCHAR[]> text(new (std::nothrow) WCHAR[2048]);
  if (!page || !text) return;
  Utf8ToUtf16Z(rel_url, text.get(), 2048);
  // A referring address that does not parse cannot be queued.
  if (!FillItemWithURL(text.get(), u"", page.get(), nullptr)) return;
  CollectBadLink(*badLinks,
                 BadLink{page->protocol, Utf8(page->username), Utf8(page->userpass),
                         Utf8(page->server), static_cast<int32_t>(page->port), Utf8(page->resource),
                         Utf8(page->bookmark), Utf8(page->comment), page->restype, page->flags, 0});
}

int CLinkFinder::RecheckBadLinks(int referring) {
  if (!initialized || !context || !stopped || paused) return 0;
  includeReferring = referring;
  {
    BadLinkList list;
    list.ignoreCase = siteSettings.CheckIgnoreCase;
    ProgressWindow window(mainWindow, LanguageText(STR_PrgBar_Recheck), u"", false);
    progress = window.get();
    badLinks = &list;
    DBQueryReport(context, 2, CheckBadReportThunk, callbacks.get(), 1, 0, nullptr);
    badLinks = nullptr;

    RecheckTally tally = {};
    const int32_t count = static_cast<int32_t>(list.entries.size());
    for (int32_t i = 0; i < count; ++i) {
      StepProgress(count, i, 20, 50, nullptr);
      const BadLink& link = list.entries[i];
      const uint32_t before = tally.all;
      DBRecheckLinks(context, link.protocol, link.username.c_str(), link.userpass.c_str(),
                     link.server.c_str(), link.port, link.resource.c_str(), link.bookmark.c_str(),
                     link.comment.c_str(), link.restype, link.flags, link.broken ? 0 : 1,
                     CountLinksCallback, &tally);
      // Every occurrence of a broken link was counted as broken.
      if (link.broken) Decrease(broken, tally.all - before);
    }
    Decrease(checked, tally.first);
    Decrease(processed, tally.all);
    Decrease(pages, tally.pages);
    Decrease(images, tally.images);
    Decrease(others, tally.others);
    Decrease(external, tally.external);
    Decrease(internal, tally.all - tally.external);
    if (window) window->SetPos(0);
    progress = nullptr;

    if (linksList) {
      for (int row = static_cast<int>(SendMessageW(linksList, LVM_GETITEMCOUNT, 0, 0)) - 1;
           row >= 0; --row) {
        LVITEMW lvi = {};
        lvi.mask = LVIF_PARAM;
        lvi.iItem = row;
        SendMessageW(linksList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lvi));
        const uint32_t bits = DecodeLinkRow(static_cast<uint32_t>(lvi.lParam)).bits;
        if (bits & (LINKROW_BROKEN | LINKROW_BROKEN_RETRIED))
          SendMessageW(linksList, LVM_DELETEITEM, row, 0);
      }
    }
    if (brokenList) SendMessageW(brokenList, LVM_DELETEALLITEMS, 0, 0);
  }
  // As for a resume: an earlier pause request must not turn this run's end into a pause,
  // and the flags are set before the workers can end the run.
  MarkRunActive();
  if (!DBStartWorkers(context, threadCount, perServerLimit, nullptr, nullptr)) {
    stopped = 1;
    return 0;
  }
  return 1;
}

// Exported members take the object first, as a member call does on this platform.
extern "C" {

int WINAPI CLinkFinder_RecheckBadLinks(CLinkFinder* finder, int includeReferring) {
  return finder->RecheckBadLinks(includeReferring);
}
}
