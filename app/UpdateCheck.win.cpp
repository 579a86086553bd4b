// The update check's thread, its request and reply, and the new-version window.
#include "app/UpdateCheck.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/OpenLink.h"
#include "app/SettingsRecord.h"
#include "app/Startup.h"
#include "app/TemplateBuffer.h"
#include "app/UpdateReply.h"
#include "app/WebAddresses.h"
#include "engine/DownloaderFields.h"
#include "net/Downloader.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/FormattedText.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Win32Holders.h"

tagUPDATESERVER g_updateServer = {kUpdateServer, 80, nullptr};

namespace {

constexpr int IDC_UPDATE_TEXT = 1601;
constexpr DWORD kUpdateWindowStyle = 0x90C800C4;

// "host" or "host:address", as the server expects in u=. The name service is asked on
// the library side: a Winsock import would take over the POSIX socket calls of the whole
// program.
void DescribeComputer(char* out, int size) {
  char name[81];
  char dotted[64];
  LocalHostNameAndAddress(name, sizeof name, dotted, sizeof dotted);
  if (dotted[0]) {
    snprintf(out, size, "%s:%s", name, dotted);
  } else {
    snprintf(out, size, "%s", name);
  }
}

void FillUpdateRequest(CHTTPDnld* dnld, uint64_t version) {
  snprintf(dnld->HostName, sizeof dnld->HostName, "%s", g_updateServer.Host);
  dnld->Port = g_updateServer.Port;
  FillProxyBlock(dnld, g_settings, g_settings.HTTPProxyType, g_settings.HTTPProxyAddress,
                 g_settings.HTTPProxyPort);
  if (g_settings.GetUserAgent) g_settings.GetUserAgent(dnld->UserAgent, sizeof dnld->UserAgent);
  dnld->Http11 = g_settings.HTTPVer;
  dnld->HeadOnly = 0;
  dnld->Timeout = static_cast<int32_t>(g_settings.URLTimeout);
  char identity[160];  // an 80-byte name, ":" and a dotted address
  if (g_updateServer.Identity) {
    snprintf(identity, sizeof identity, "%s", g_updateServer.Identity);
  } else {
    DescribeComputer(identity, sizeof identity);
  }
  snprintf(dnld->Path, sizeof dnld->Path,
           "/cgi-bin/lastver.pl?type=tessalinelite&v=%u.%u.%u.%u&u=%s",
           static_cast<unsigned>(version >> 48), static_cast<unsigned>(version >> 32 & 0xFFFF),
           static_cast<unsigned>(version >> 16 & 0xFFFF), static_cast<unsigned>(version & 0xFFFF),
           identity);
}

struct UpdateTemplate {
  char16_t* buffer;
  int size;
  int length = 0;

  char16_t* At() { return buffer + length; }
  int Room() const { return size - length; }
  // A cell holding a panel whose one cell stores a rectangle.
  void StoringCell(uint32_t colspan, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom,
                   uint32_t minwidth, uint32_t minheight, uint32_t store) {
    const tagFINDERSTRUCT& fs = finderstruct;
    length += fs.XmlCellBegin(At(), Room(), colspan, 0, 0, 0, left, top, right, bottom, u"left",
                              u"top", 0);
    length += fs.XmlPanelBegin(At(), Room());
    length += fs.XmlRowBegin(At(), Room());
    length += fs.XmlCellBegin(At(), Room(), 1, 0, minwidth, minheight, 0, 0, 0, 0, u"left", u"top",
                              store);
    length += fs.XmlCellEnd(At(), Room());
    length += fs.XmlRowEnd(At(), Room());
    length += fs.XmlPanelEnd(At(), Room());
    length += fs.XmlCellEnd(At(), Room());
  }
  void EmptyCell(uint32_t left, uint32_t right) {
    length +=
        finderstruct.XmlCellBegin(At(), Room(), 1, 0, 30, 0, left, 6, right, 4, u"left", u"top", 0);
    length += finderstruct.XmlCellEnd(At(), Room());
  }
  void ButtonCell(int id, const char16_t* title, DWORD style) {
    length +=
        finderstruct.XmlCellBegin(At(), Room(), 1, 0, 50, 14, 2, 6, 2, 4, u"center", u"center", 0);
    length += finderstruct.XmlControl(At(), Room(), u"BUTTON", title, style, 0, id, 0, 0, 0, 0, 0,
                                      1.0, 1.0);
    length += finderstruct.XmlCellEnd(At(), Room());
  }
};

int WriteUpdateTemplate(char16_t* buffer, int size, const void*) {
  const tagFINDERSTRUCT& fs = finderstruct;
  UpdateTemplate out{buffer, size};
  out.length += fs.XmlDialogBegin(out.At(), out.Room(), LanguageText(STR_CheckUpdate_Caption),
                                  u"MS Sans Serif, 8", kUpdateWindowStyle, 0, 0, 0, 0, 0, 0, 0, 0);
  out.length += fs.XmlRowBegin(out.At(), out.Room());
  out.StoringCell(1, 6, 4, 2, 2, 30, 80, 1);
  out.StoringCell(3, 2, 4, 4, 2, 270, 80, 2);
  out.length += fs.XmlRowEnd(out.At(), out.Room());
  out.length += fs.XmlRowBegin(out.At(), out.Room());
  out.EmptyCell(6, 2);
  out.ButtonCell(IDOK, LanguageText(STR_CheckUpdate_Download),
                 WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP);
  out.ButtonCell(IDCANCEL, LanguageListText(STR_CAPTIONS, 1),
                 WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP);
  out.EmptyCell(2, 4);
  out.length += fs.XmlRowEnd(out.At(), out.Room());
  out.length += fs.XmlDialogEnd(out.At(), out.Room());
  return out.length;
}

// Rectangle `number` (1-based) of the window's layout, when it has at least `needed`.
bool StoredRect(HWND window, int number, int needed, RECT* rect) {
  tagXMLDIALOGLAYOUT layout = {};
  if (!SendMessageW(window, WM_XMLDIALOG_GETLAYOUT, 0, reinterpret_cast<LPARAM>(&layout)) ||
      layout.rectcount < needed || !layout.rects) {
    return false;
  }
  const tagXMLRECT& r = layout.rects[number - 1];
  SetRect(rect, r.left, r.top, r.right, r.bottom);
  return true;
}

void InitUpdateWindow(HWND window, const char16_t* version) {
  RegisterFormattedTextClass();
  char16_t sentence[512];
  finderstruct.FormatStringW(sentence, 512, LanguageText(STR_CheckUpdate_NewVersion), version);
  char16_t text[1024];
  finderstruct.FormatStringW(text, 1024, u"\\s14%s\n\\h1,1%s\\h0.\n\n%s", sentence, kDownloadPage,
                             LanguageText(STR_CheckUpdate_NewDownload));
  RECT frame = {}, own = {}, work = {};
  GetWindowRect(g_frame ? g_frame : GetDesktopWindow(), &frame);
  GetWindowRect(window, &own);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = own.right - own.left, height = own.bottom - own.top;
  SetWindowPos(window, nullptr, work.left + frame.left + (frame.right - frame.left - width) / 2,
               work.top + frame.top + (frame.bottom - frame.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(window, &client);
  HWND control = CreateWindowExW(WS_EX_STATICEDGE, FORMATTED_TEXT_CLASS, text,
                                 WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, 50, 15,
                                 client.right - 60, client.bottom - 65, window,
                                 reinterpret_cast<HMENU>(IDC_UPDATE_TEXT), g_instance, nullptr);
  SendMessageW(control, FTM_SETMARGIN, 2, 0);
  SendMessageW(control, FTM_SETLINKCURSOR,
               reinterpret_cast<WPARAM>(LoadCursorW(g_instance, MAKEINTRESOURCEW(1))), 0);
  for (int size : {ICON_SMALL, ICON_BIG}) {
    const int pixels = size == ICON_SMALL ? 16 : 32;
    SendMessageW(window, WM_SETICON, size,
                 reinterpret_cast<LPARAM>(LoadImageW(g_instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                     pixels, pixels, LR_SHARED)));
  }
}

void Download(HWND window) {
  StartOpenLink(g_frame, kDownloadPage, SW_SHOWMAXIMIZED,
                LanguageText(STR_CheckUpdate_DownloadLink));
  DestroyWindow(window);
}

INT_PTR CALLBACK UpdateDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitUpdateWindow(window, reinterpret_cast<const char16_t*>(lParam));
      return TRUE;
    case WM_SIZE: {
      RECT rect;
      if (StoredRect(window, 2, 2, &rect)) {
        MoveWindow(GetDlgItem(window, IDC_UPDATE_TEXT), rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, TRUE);
      }
      return FALSE;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT rect;
      if (StoredRect(window, 1, 1, &rect)) {
        HICON icon = static_cast<HICON>(
            LoadImageW(g_instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, LR_SHARED));
        if (icon) {
          DrawIconEx(dc, (rect.left + rect.right - 32) / 2, (rect.top + rect.bottom - 32) / 2, icon,
                     32, 32, 0, nullptr, DI_NORMAL);
        }
      }
      EndPaint(window, &paint);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* link = reinterpret_cast<const tagFTLINK*>(lParam);
      if (link->hdr.idFrom == IDC_UPDATE_TEXT && static_cast<int>(link->hdr.code) == FTN_LINK &&
          link->value == 1) {
        Download(window);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) Download(window);
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDABORT) DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void ShowUpdateDialog(const char16_t* version) {
  char16_t* text = nullptr;
  const int length = WriteTemplateText(&text, WriteUpdateTemplate, nullptr);
  if (!text) return;
  HWND window = reinterpret_cast<HWND>(finderstruct.CreateXmlDialog(
      g_instance, nullptr, UpdateDlgProc, reinterpret_cast<LPARAM>(version), text, length, FALSE,
      nullptr));
  free(text);
  if (!window) return;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (msg.lParam & (1 << 29))) {
      SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    } else if (!IsWindow(window) || !IsDialogMessageW(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

DWORD WINAPI CheckForUpdateThread(void*) {
  char16_t module[1024];
  module[0] = 0;
  GetModuleFileNameW(nullptr, module, 1024);
  const uint64_t own = GetFileVersion(module);
  auto dnld = std::make_unique<CHTTPDnld>();
  FillUpdateRequest(dnld.get(), own);
  void* data = nullptr;
  unsigned long length = 0;
  const bool replied = dnld->HTTPDownload(&data, &length) == ST_SUCCESS && data && length;
  char text[UPDATE_VERSION_TEXT_MAX + 1];
  uint64_t offered = 0;
  const bool newer =
      replied && FindUpdateVersionText(static_cast<const char*>(data), length, text, sizeof text) &&
      ParseUpdateVersion(text, &offered) &&
      static_cast<int64_t>(offered) > static_cast<int64_t>(own);
  if (data) dnld->FreeData(data);
  dnld.reset();
  if (newer) {
    char16_t version[UPDATE_VERSION_TEXT_MAX + 1];
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, version, UPDATE_VERSION_TEXT_MAX + 1) > 0) {
      ShowUpdateDialog(version);
    }
    return 0;
  }
  finderstruct.AnimatedMessageBox(
      g_frame, LanguageText(replied ? STR_CheckUpdate_NoNewVersion : STR_CheckUpdate_CantConnect),
      u"Tessaline Lite", MB_ICONINFORMATION);
  return 0;
}

void StartCheckForUpdate() {
  const HandleHolder thread(CreateThread(nullptr, 0, CheckForUpdateThread, nullptr, 0, nullptr));
}
