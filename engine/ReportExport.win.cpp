// The link report: heading, one row per stored occurrence, statistics, in HTML (UTF-8),
// UTF-16 text or ANSI text.
#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/LinkFinder.h"
#include "engine/ProgressDlg.h"
#include "engine/ReportRows.h"
#include "engine/TextCopy.h"
#include "engine/TextHelpers.h"
#include "engine/ZoneBias.h"
#include "scandb/ScanDb.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Format.h"
#include "toolkit/LanguageText.h"

namespace {

ReportTexts LoadReportTexts() {
  ReportTexts texts = {{LanguageText(STR_Column_Link), LanguageText(STR_Column_Status),
                        LanguageText(STR_Column_Comment), LanguageText(STR_Column_Title),
                        LanguageText(STR_Column_Protocol), LanguageText(STR_Column_ContentType),
                        LanguageText(STR_Column_Size), LanguageText(STR_Column_LastModified),
                        LanguageText(STR_Column_Charset), LanguageText(STR_Column_AccessTime),
                        LanguageText(STR_Column_Location), LanguageText(STR_Column_Page),
                        LanguageText(STR_Column_Position)},
                       LanguageText(STR_Column_Broken),
                       LanguageText(STR_Msg_Unknown),
                       LanguageText(STR_Location_Sec),
                       LanguageText(STR_Resource_External),
                       LanguageText(STR_Resource_Internal),
                       LanguageText(STR_Resource_Position),
                       BrokenTextsOfLanguage()};
  return texts;
}

std::u16string Unsigned(uint32_t value) {
  std::u16string out;
  for (char c : std::to_string(value)) out += static_cast<char16_t>(c);
  return out;
}

// The shell is looked up when a report is opened, so the engine does not need it to load.
HINSTANCE WINAPI OpenWithShell(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                               LPCWSTR folder, INT show) {
  typedef HINSTANCE(WINAPI * ShellExecuteProc)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  HMODULE shell = LoadLibraryW(u"shell32.dll");
  if (!shell) return nullptr;
  auto execute = reinterpret_cast<ShellExecuteProc>(
      reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteW")));
  HINSTANCE result = execute ? execute(owner, verb, file, parameters, folder, show) : nullptr;
  FreeLibrary(shell);
  return result;
}

const char16_t* YesNo(int32_t value) { return value ? u"yes" : u"no"; }

std::u16string FormatRFC822Date() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int day = now.wDayOfWeek % 7;
  const int month = (now.wMonth + 11) % 12;
  const char16_t* dayName = LanguageListText(STR_DATENAMES, 7 + day);
  const char16_t* monthName = LanguageListText(STR_DATENAMES, 26 + month);
  char16_t text[300];
  FormatStringW(text, 300, u"%s, %d %s %d %d:%02d:%02d", dayName, now.wDay, monthName, now.wYear,
                now.wHour, now.wMinute, now.wSecond);
  TIME_ZONE_INFORMATION zone;
  LONG bias = 0;
  switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_STANDARD:
      bias = zone.Bias + zone.StandardBias;
      break;
    case TIME_ZONE_ID_DAYLIGHT:
      bias = zone.Bias + zone.DaylightBias;
      break;
    case TIME_ZONE_ID_UNKNOWN:
      bias = zone.Bias;
      break;
    default:
      break;
  }
  return text + FormatZoneBias(bias);
}

}  // namespace

HINSTANCE(WINAPI* g_openReportFile)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = OpenWithShell;

void CLinkFinder::WriteReport(const std::u16string& text) {
  if (reportFile == INVALID_HANDLE_VALUE || text.empty() || reportFailed) return;
  std::vector<char> bytes;
  const int units = static_cast<int>(text.size());
  if (exportRequest->Format == 0) {
    bytes.resize(static_cast<size_t>(units) * 3 + 1);
    bytes.resize(Utf16ToUtf8(text.data(), units, bytes.data(), static_cast<int>(bytes.size())));
  } else if (exportRequest->Format == 1) {
    const char* raw = reinterpret_cast<const char*>(text.data());
    bytes.assign(raw, raw + static_cast<size_t>(units) * 2);
  } else {
    const WCHAR* wide = reinterpret_cast<const WCHAR*>(text.data());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    bytes.resize(size > 0 ? size : 0);
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide, units, bytes.data(), size, nullptr, nullptr);
  }
  DWORD written = 0;
  if (!WriteFile(reportFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    reportFailed = true;
}

std::u16string CLinkFinder::ReportStatistics(const tagEXPORTLINKSSTRUCT& request) {
  const tagSITESETTINGS& s = siteSettings;
  std::vector<ReportStatLine> settingsLines = {
      {u"Checking date", FormatRFC822Date()},
      {u"Checked site", siteURL},
      {u"Display site name as", s.sDisplayURL},
      {u"Check hyperlinks", YesNo(s.CheckHyperlinks)},
      {u"Check images", YesNo(s.CheckImages)},
      {u"Check other links", YesNo(s.CheckOthers)},
      {u"Ignore robots.txt file", YesNo(s.IgnoreRobotsTxt)},
      {u"Only check links in the first URL", YesNo(s.CheckFirstOnly)},
      {u"Do not check external links", YesNo(s.CheckNoExtern)}};
  if (request.Format == 0)
    settingsLines.push_back(
        {u"Do not accept cookies from the scanned site", YesNo(s.IgnoreCookies)});
  settingsLines.push_back({u"Ignore case when comparing links", YesNo(s.CheckIgnoreCase)});
  settingsLines.push_back({u"Restrict checking to directory level", YesNo(s.CheckRestrict)});
  if (s.CheckRestrict)
    settingsLines.push_back({u"Restrict checking to directory level", Unsigned(s.CheckLevel)});
  settingsLines.push_back({u"Check files in parent directory", YesNo(s.CheckParentDir)});
  settingsLines.push_back({u"Do not check slow links", YesNo(s.SkipSlowLinks)});
  settingsLines.push_back({u"Check only the following files", YesNo(s.OnlyWildcard)});
  if (s.OnlyWildcard) settingsLines.push_back({u"Check only the following files", s.sOnlyWildcard});
  settingsLines.push_back({u"Skip the following files", YesNo(s.SkipWildcard)});
  if (s.SkipWildcard) settingsLines.push_back({u"Skip the following files", s.sSkipWildcard});
  const ReportStatLine counts[] = {{u"Total Links", Unsigned(found)},
                                   {u"Processed Links", Unsigned(processed)},
                                   {u"Broken Links", Unsigned(broken)},
                                   {u"Unique Links", Unsigned(checked)},
                                   {u"Total Hyperlinks", Unsigned(pages)},
                                   {u"Total Images", Unsigned(images)},
                                   {u"Total Other", Unsigned(others)},
                                   {u"Total Internal Links", Unsigned(internal)},
                                   {u"Total External Links", Unsigned(external)}};
  return ReportTail(request, LanguageText(STR_Report_Stats), settingsLines.data(),
                    static_cast<int>(settingsLines.size()), counts, 9);
}

int CLinkFinder::ExportLinks(tagEXPORTLINKSSTRUCT* request) {
  if (!request) return 0;
  const char16_t* saveError = LanguageText(STR_Msg_SaveError);
  ProgressWindow window(mainWindow, LanguageText(STR_PrgBar_Exporting), request->FileName, true);
  reportFile = CreateFileW(request->FileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (reportFile == INVALID_HANDLE_VALUE) {
    ShowSaveError(saveError);
    return 0;
  }
  exportRequest = request;
  reportFailed = false;
  const ReportTexts texts = LoadReportTexts();
  reportTexts = &texts;
  const std::u16string title =
      u"Tessaline 2.2.0.608 " + std::u16string(LanguageText(STR_Report_Report));
  WriteReport(ReportHead(*request, texts, title.c_str()));
  progress = window.get();

  // A cancel deletes the file quietly; a failed step or write tells the user.
  bool cancelled = request->Format < 0 || request->Format > 3;
  if (!cancelled && request->Type >= 0 && request->Type <= 3) {
    const int32_t sort = request->Type == 3 ? 1 : request->SortColumn;
    const int32_t includeFound = request->Type == 0 && request->IncludeFound ? 1 : 0;
    const int32_t result =
        DBQueryReport(context, 2, ExportReportThunk, callbacks.get(), sort, includeFound, nullptr);
    if (result < 0) reportFailed = true;
    if (result == 0 && !reportFailed) cancelled = true;
  }
  progress = nullptr;
  if (!cancelled) WriteReport(ReportStatistics(*request));
  CloseHandle(reportFile);
  reportFile = INVALID_HANDLE_VALUE;
  reportTexts = nullptr;
  exportRequest = nullptr;
  if (cancelled || reportFailed) {
    DeleteFileW(request->FileName);
    if (reportFailed) ShowSaveError(saveError);
    return 0;
  }
  if (request->OpenAfter) {
    g_openReportFile(mainWindow, u"open", request->FileName, u"", u"", SW_SHOWNORMAL);
  }
  return 1;
}

void CLinkFinder::ShowSaveError(const char16_t* text) {
  if (worksheetWnd && finderstruct.AnimatedMessageBox)
    finderstruct.AnimatedMessageBox(worksheetWnd, text, u"Tessaline Lite", MB_ICONERROR);
}

void CLinkFinder::export_report_func(int32_t rowCount, int32_t rowIndex, int32_t first,
                                     FINDER_ROW_PARAMS, int32_t* cancel) {
  StepProgress(rowCount, rowIndex, 10, 0, cancel);
  if (!exportRequest || reportFailed) {
    if (cancel) *cancel = 1;
    return;
  }
  std::unique_ptr<tagTreeListItemFull> item(new (std::nothrow) tagTreeListItemFull);
  if (!item) {
    reportFailed = true;
    if (cancel) *cancel = 1;
    return;
  }
  std::memset(item.get(), 0, sizeof *item);
  LinkToTreeItem(item.get(), protocol, username, userpass, server, port, resource, bookmark,
                 comment, restype, flags, title, statusstr, commentstr, content, ressize, lastmod,
                 charset, statusval, attempt, restime, rel_url, rel_title, line, col, extern_, dir);
  WCHAR display[2048];
  GetDisplayLink(item->Url, display, 2048);
  CopyField(item->Url, display);
  if (item->rel_url[0]) {
    GetDisplayLink(item->rel_url, display, 2048);
    CopyField(item->rel_url, display);
  }
  if (!ReportRowWanted(*exportRequest, *item, first)) return;
  WriteReport(ReportRow(*exportRequest, *item, *reportTexts));
  if (reportFailed && cancel) *cancel = 1;
}

// Exported members take the object first, as a member call does on this platform.
extern "C" {

int WINAPI CLinkFinder_ExportLinks(CLinkFinder* finder, tagEXPORTLINKSSTRUCT* request) {
  return finder->ExportLinks(request);
}
}
