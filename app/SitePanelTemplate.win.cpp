// The dialog template text of the site panel, written from the language table.
#include "app/SitePanel.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/LanguageText.h"

namespace {

constexpr DWORD kPlain = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD kTypeBox = WS_CHILD | WS_VISIBLE | BS_CHECKBOX | BS_NOTIFY | WS_TABSTOP;
constexpr DWORD kOptionBox = WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | BS_NOTIFY | WS_TABSTOP;

// One control in a cell of its own.
struct SiteCell {
  int id;
  const char16_t* type;
  int titleSlot;  // -1: no title
  DWORD style;
  DWORD exstyle;
  uint32_t colspan, minwidth, minheight;
  uint32_t left, top, right, bottom;
  const char16_t* align;
  const char16_t* valign;
  int forcewidth, addheight;
};

const SiteCell kUrlRows[] = {
    {IDC_SITE_URL_LABEL, u"STATIC", STR_Site_StartURL, kPlain, 0, 0, 0, 0, 4, 4, 4, 1, u"left",
     u"top", 0, 0},
    {IDC_SITE_URL, u"COMBOBOX", -1,
     WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | CBS_DISABLENOSCROLL |
         WS_TABSTOP,
     0, 0, 160, 12, 4, 1, 4, 2, u"left", u"top", 1, 120},
    {IDC_SITE_HYPERLINKS, u"BUTTON", STR_Site_CheckHyperlinks, kTypeBox | WS_GROUP, 0, 1, 0, 0, 10,
     2, 4, 2, u"left", u"top", 0, 0},
    {IDC_SITE_IMAGES, u"BUTTON", STR_Site_CheckImages, kTypeBox, 0, 1, 0, 0, 10, 2, 4, 2, u"left",
     u"top", 0, 0},
    {IDC_SITE_OTHERS, u"BUTTON", STR_Site_CheckOther, kTypeBox, 0, 1, 0, 0, 10, 2, 4, 2, u"left",
     u"top", 0, 0},
};

// The four cells of the retry row's inner panel.
const SiteCell kRetryCells[] = {
    {IDC_SITE_RECHECK_LABEL, u"STATIC", STR_Site_RecheckBad, kPlain, 0, 0, 0, 0, 10, 2, 2, 2,
     u"left", u"center", 0, 0},
    {IDC_SITE_RECHECK, u"EDIT", -1, WS_CHILD | WS_VISIBLE | ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE, 0, 40, 12, 1, 0, 0, 0, u"right", u"center", 0, 0},
    {IDC_SITE_RECHECK_SPIN, u"msctls_updown32", -1,
     WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS |
         UDS_NOTHOUSANDS,
     0, 0, 0, 0, 0, 0, 1, 0, u"left", u"center", 0, 0},
    {IDC_SITE_TIMES_LABEL, u"STATIC", STR_Site_Times, kPlain, 0, 0, 0, 0, 2, 2, 4, 2, u"left",
     u"center", 0, 0},
};

const SiteCell kOptionRows[] = {
    {IDC_SITE_IGNORE_ROBOTS, u"BUTTON", STR_Site_IgnoreRobots, kOptionBox | WS_GROUP, 0, 0, 0, 0,
     10, 2, 4, 2, u"left", u"center", 0, 0},
    {IDC_SITE_FIRST_ONLY, u"BUTTON", STR_Site_OnlyFirst, kOptionBox, 0, 0, 0, 0, 10, 2, 4, 2,
     u"left", u"top", 0, 0},
    {IDC_SITE_NO_EXTERN, u"BUTTON", STR_Site_NoExtern, kOptionBox, 0, 0, 0, 0, 10, 2, 4, 2, u"left",
     u"top", 0, 0},
    {IDC_SITE_IGNORE_CASE, u"BUTTON", STR_Site_IgnoreCase, kOptionBox, 0, 0, 0, 0, 10, 2, 4, 2,
     u"left", u"top", 0, 0},
};

// Appends through the writers of the entry table; each keeps within the room left.
struct TemplateOut {
  char16_t* buffer;
  int size;
  int length = 0;

  char16_t* At() { return buffer + length; }
  int Room() const { return size - length; }
  void Cell(const SiteCell& c) {
    const tagFINDERSTRUCT& fs = finderstruct;
    length += fs.XmlCellBegin(At(), Room(), c.colspan, 0, c.minwidth, c.minheight, c.left, c.top,
                              c.right, c.bottom, c.align, c.valign, 0);
    length +=
        fs.XmlControl(At(), Room(), c.type, c.titleSlot < 0 ? nullptr : LanguageText(c.titleSlot),
                      c.style, c.exstyle, c.id, 0, c.forcewidth, 0, 0, c.addheight, 1.0, 1.0);
    length += fs.XmlCellEnd(At(), Room());
  }
  void Row(const SiteCell& c) {
    length += finderstruct.XmlRowBegin(At(), Room());
    Cell(c);
    length += finderstruct.XmlRowEnd(At(), Room());
  }
};

}  // namespace

int WriteSitePanelTemplate(char16_t* buffer, int size, const void*) {
  const tagFINDERSTRUCT& fs = finderstruct;
  TemplateOut out{buffer, size};
  out.length += fs.XmlDialogBegin(out.At(), out.Room(), u"", u"MS Sans Serif, 10",
                                  WS_CHILD | WS_VISIBLE | DS_SETFONT | DS_3DLOOK,
                                  WS_EX_CONTROLPARENT, 0, 0, 0, 0, 0, 0, 0);
  for (const SiteCell& c : kUrlRows) out.Row(c);
  out.length += fs.XmlRowBegin(out.At(), out.Room());
  out.length += fs.XmlCellBegin(out.At(), out.Room(), 1, 0, 0, 0, 0, 0, 0, 0, u"left", u"top", 0);
  out.length += fs.XmlPanelBegin(out.At(), out.Room());
  out.length += fs.XmlRowBegin(out.At(), out.Room());
  for (const SiteCell& c : kRetryCells) out.Cell(c);
  out.length += fs.XmlRowEnd(out.At(), out.Room());
  out.length += fs.XmlPanelEnd(out.At(), out.Room());
  out.length += fs.XmlCellEnd(out.At(), out.Room());
  out.length += fs.XmlRowEnd(out.At(), out.Room());
  for (const SiteCell& c : kOptionRows) out.Row(c);
  out.length += fs.XmlDialogEnd(out.At(), out.Room());
  return out.length;
}
