// The site panel: the left column of a worksheet, a vertically scrolling frame window that
// holds the toolkit dialog where the start URL (with the recent URLs of g_settings.Link)
// and the per-site options shown on the worksheet are edited. Windows-side header; GUI
// thread only. Every operation returns quietly on a frame without its data or its dialog.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "engine/Records.h"

// The frame's window user data: allocated before the frame is created, freed with it.
struct SITEFRAMEDATA {
  int Filled;       // 1 after the first fill
  int Flags;        // bit 0: no change notifications (SFN_CHANGED)
  HWND Panel;       // the dialog
  int PanelHeight;  // the dialog's height, the scrolling extent
};

// Control ids of the dialog.
enum : int {
  IDC_SITE_URL_LABEL = 2200,
  IDC_SITE_URL = 2201,
  IDC_SITE_HYPERLINKS = 2202,
  IDC_SITE_IMAGES = 2203,
  IDC_SITE_OTHERS = 2204,
  IDC_SITE_RECHECK_LABEL = 2205,
  IDC_SITE_RECHECK = 2206,
  IDC_SITE_RECHECK_SPIN = 2207,
  IDC_SITE_TIMES_LABEL = 2208,
  IDC_SITE_IGNORE_ROBOTS = 2401,
  IDC_SITE_FIRST_ONLY = 2402,
  IDC_SITE_NO_EXTERN = 2403,
  IDC_SITE_IGNORE_CASE = 2404,
};

// WM_NOTIFY codes the frame sends its parent, from the frame's id, with an NMSITEPANEL.
constexpr UINT SFN_HELPTEXT = static_cast<UINT>(-100);       // focus moved; text is its help
constexpr UINT SFN_RECENTCHANGED = static_cast<UINT>(-101);  // g_settings.Link was rewritten
constexpr UINT SFN_CHANGED = static_cast<UINT>(-102);        // a value was changed

struct NMSITEPANEL {
  NMHDR hdr;
  const char16_t* text;  // SFN_HELPTEXT: a language text or null; null otherwise
};

// ReadSitePanel flags.
enum : int {
  SITE_READ_KEEP = 1,       // no validation (storing on save and close)
  SITE_READ_NO_RECENT = 2,  // neither the recent list nor SFN_RECENTCHANGED
};

// Creates the frame as child `id` of parent and builds its dialog. flags become
// SITEFRAMEDATA::Flags. Returns the frame, or null when the window cannot be created.
HWND CreateSiteFrame(HWND parent, int id, int flags);
// Writes the dialog's template and creates the dialog, or rebuilds an existing one in
// place; sizes the frame to the dialog's width. 1 when the dialog exists afterwards.
int CreateSiteFramePanel(HWND frame);
// Shows url and the edited fields of site. Always 1.
int FillSitePanel(HWND frame, const char16_t* url, const tagSITESETTINGS* site);
// Reads the URL into url (urlMax characters with the terminator) and the edited fields
// into out; the other fields of out stay. 1 on success, 0 when refused (a message box,
// the focus on the offending control, out and g_settings.Link unchanged) or without a
// dialog (url empty).
int ReadSitePanel(HWND frame, char16_t* url, int urlMax, tagSITESETTINGS* out, int flags);
void EnableSitePanel(HWND frame, int enable);
int IsSiteUrlDropped(HWND frame);
void ShowSiteUrlList(HWND frame, int show);
// Reloads the recent URLs from g_settings.Link, keeping the typed URL as it is.
void RefreshSiteUrlList(HWND frame);

// The dialog's template, written through finderstruct's writers (a TEMPLATEWRITER).
int WriteSitePanelTemplate(char16_t* buffer, int size, const void* context);
