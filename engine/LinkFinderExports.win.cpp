// CLinkFinder's members as the program exports them under their Microsoft x64 names: the
// Windows calling convention, the object first (none for the static members), forwarding to
// the engine. The members whose code lives with their subject export themselves there.
#include <windows.h>

#include <new>

#include "engine/LinkFinder.h"

extern "C" {

CLinkFinder* WINAPI CLinkFinder_Construct(CLinkFinder* self, oldformat_type oldFormat,
                                          WCHAR* projectFile, WCHAR* databaseFile,
                                          tagSETTINGS* settings, HWND mainWnd, HWND worksheetWnd,
                                          HWND linksList, HWND layoutTree, HWND brokenList,
                                          int showAllLinks, console_type console, void* doneEvent) {
  return new (self)
      CLinkFinder(oldFormat, projectFile, databaseFile, settings, mainWnd, worksheetWnd, linksList,
                  layoutTree, brokenList, showAllLinks, console, doneEvent);
}

void WINAPI CLinkFinder_Destruct(CLinkFinder* self) { self->~CLinkFinder(); }

int WINAPI CLinkFinder_Initialized(CLinkFinder* finder) { return finder->Initialized(); }

int WINAPI CLinkFinder_LoadCancelled(CLinkFinder* finder) { return finder->LoadCancelled(); }

WCHAR* WINAPI CLinkFinder_SiteURL(CLinkFinder* finder) { return finder->SiteURL(); }

WCHAR* WINAPI CLinkFinder_SiteSrv(CLinkFinder* finder) { return finder->SiteSrv(); }

tagSITESETTINGS* WINAPI CLinkFinder_GetSettings(CLinkFinder* finder) {
  return finder->GetSettings();
}

tagWINDOWSETTINGS* WINAPI CLinkFinder_GetWindowSettings(CLinkFinder* finder) {
  return finder->GetWindowSettings();
}

int WINAPI CLinkFinder_IsStopped(CLinkFinder* finder) { return finder->IsStopped(); }

int WINAPI CLinkFinder_IsPaused(CLinkFinder* finder) { return finder->IsPaused(); }

int WINAPI CLinkFinder_SetSettings(CLinkFinder* finder, const WCHAR* url,
                                   const tagSITESETTINGS* settings, int showAllLinks) {
  return finder->SetSettings(url, settings, showAllLinks);
}

int WINAPI CLinkFinder_SetWindowSettings(CLinkFinder* finder, const tagWINDOWSETTINGS* settings) {
  return finder->SetWindowSettings(settings);
}

void WINAPI CLinkFinder_GetTotalData(CLinkFinder* finder, uint32_t* found, uint32_t* broken,
                                     uint32_t* pages, uint32_t* images, uint32_t* others,
                                     uint32_t* internal, uint32_t* external) {
  finder->GetTotalData(found, broken, pages, images, others, internal, external);
}

int WINAPI CLinkFinder_FillItemWithURL(CLinkFinder* finder, WCHAR* text, const WCHAR* base,
                                       tagTreeListItemFull* item, int* explicitPort) {
  return finder->FillItemWithURL(text, base, item, explicitPort);
}

int WINAPI CLinkFinder_LinkDomainExternal(CLinkFinder* finder, const WCHAR* server, uint32_t port) {
  return finder->LinkDomainExternal(server, port);
}

res_type WINAPI CLinkFinder_LookupFileType(CLinkFinder* finder, const WCHAR* extension) {
  return finder->LookupFileType(extension);
}

int WINAPI CLinkFinder_strcmpcase(CLinkFinder* finder, const WCHAR* a, const WCHAR* b) {
  return finder->strcmpcase(a, b);
}

int WINAPI CLinkFinder_strncmpcase(CLinkFinder* finder, const WCHAR* a, const WCHAR* b, int n) {
  return finder->strncmpcase(a, b, n);
}

bool WINAPI CLinkFinder_wcharcmpcase(CLinkFinder* finder, WCHAR a, WCHAR b) {
  return finder->wcharcmpcase(a, b);
}

int WINAPI CLinkFinder_wildcmpi(CLinkFinder* finder, const WCHAR* pattern, int length,
                                const WCHAR* text) {
  return finder->wildcmpi(pattern, length, text);
}

int WINAPI CLinkFinder_CheckRestriction(CLinkFinder* finder, const WCHAR* list, const WCHAR* value,
                                        int wildcardMode, int wwwMode, int bookmarkMode) {
  return finder->CheckRestriction(list, value, wildcardMode, wwwMode, bookmarkMode);
}

int WINAPI CLinkFinder_CheckLinkAllowed(CLinkFinder* finder, tagTreeListItemFull* item) {
  return finder->CheckLinkAllowed(item);
}

int WINAPI CLinkFinder_IsWildcardRestricted(CLinkFinder* finder, const tagTreeListItemFull* item) {
  return finder->IsWildcardRestricted(item);
}

int WINAPI CLinkFinder_IsDomainRestricted(CLinkFinder* finder, const tagTreeListItemFull* item) {
  return finder->IsDomainRestricted(item);
}

int WINAPI CLinkFinder_IsBookmarkRestricted(CLinkFinder* finder, const tagTreeListItemFull* item) {
  return finder->IsBookmarkRestricted(item);
}

int WINAPI CLinkFinder_IsRobotsTxtDisallowed(CLinkFinder* finder, const WCHAR* resource,
                                             const char* userAgent) {
  return finder->IsRobotsTxtDisallowed(resource, userAgent);
}

void WINAPI CLinkFinder_SubstituteServerName(CLinkFinder* finder, const WCHAR* url, WCHAR* result,
                                             int resultSize, const WCHAR* fromServer,
                                             const WCHAR* toServer) {
  finder->SubstituteServerName(url, result, resultSize, fromServer, toServer);
}

void WINAPI CLinkFinder_GetDisplayLink(CLinkFinder* finder, const WCHAR* url, WCHAR* display,
                                       int displaySize) {
  finder->GetDisplayLink(url, display, displaySize);
}

void WINAPI CLinkFinder_GetLinkFromDisplayBack(CLinkFinder* finder, WCHAR* url, int urlSize,
                                               const WCHAR* display) {
  finder->GetLinkFromDisplayBack(url, urlSize, display);
}

int WINAPI CLinkFinder_StartFinder(CLinkFinder* finder) { return finder->StartFinder(); }

int WINAPI CLinkFinder_SuspendFinder(CLinkFinder* finder) { return finder->SuspendFinder(); }

int WINAPI CLinkFinder_ResumeFinder(CLinkFinder* finder) { return finder->ResumeFinder(); }

int WINAPI CLinkFinder_StopFinder(CLinkFinder* finder) { return finder->StopFinder(); }

int WINAPI CLinkFinder_AddLink(CLinkFinder* finder, tagTreeListItemFull* item) {
  return finder->AddLink(item);
}

int WINAPI CLinkFinder_AddLinkFound(CLinkFinder* finder, tagTreeListItemFull* item) {
  return finder->AddLinkFound(item);
}

int WINAPI CLinkFinder_AddLinkProcessed(CLinkFinder* finder, tagTreeListItemFull* item) {
  return finder->AddLinkProcessed(item);
}

void WINAPI CLinkFinder_ParseHTTPHeader(CLinkFinder* finder, const char* header, DWORD length,
                                        WCHAR* location, WCHAR* contentType, WCHAR* contentLength,
                                        WCHAR* lastModified, const WCHAR* server) {
  finder->ParseHTTPHeader(header, length, location, contentType, contentLength, lastModified,
                          server);
}

void WINAPI CLinkFinder_SaveCachedFile(CLinkFinder* finder, const tagTreeListItemFull* item,
                                       const void* data, DWORD length) {
  finder->SaveCachedFile(item, data, length);
}

void WINAPI CLinkFinder_StartParseHtmlData(CLinkFinder* finder, tagTreeListItemFull* page,
                                           int parse, int collectAnchors, const char* data,
                                           DWORD length) {
  finder->StartParseHtmlData(page, parse, collectAnchors, data, length);
}

int32_t WINAPI CLinkFinder_query_url_func(CLinkFinder* finder, FINDER_QUERY_PARAMS) {
  return finder->query_url_func(FINDER_ROW_ARGS);
}

void WINAPI CLinkFinder_report_url_func(CLinkFinder* finder, FINDER_REPORT_PARAMS) {
  finder->report_url_func(FINDER_REPORT_ARGS);
}

void WINAPI CLinkFinder_export_url_func(CLinkFinder* finder, FINDER_EXPORT_PARAMS) {
  finder->export_url_func(FINDER_EXPORT_ARGS);
}

void WINAPI CLinkFinder_stop_crawler_func(CLinkFinder* finder, void* unused) {
  finder->stop_crawler_func(unused);
}

int32_t WINAPI CLinkFinder_feed_start_urls_func(void* block, int32_t* protocol, char* username,
                                                char* userpass, char* server, int32_t* port,
                                                char* resource, char* bookmark, char* comment,
                                                int32_t* restype, int32_t* flags, char* rel_url,
                                                char* rel_title, int32_t* line, int32_t* col,
                                                int32_t* extern_, int32_t* dir) {
  return CLinkFinder::feed_start_urls_func(block, protocol, username, userpass, server, port,
                                           resource, bookmark, comment, restype, flags, rel_url,
                                           rel_title, line, col, extern_, dir);
}

void WINAPI CLinkFinder_SetTreeListItem(tagTreeListItemFull* item, CLinkFinder* engine) {
  CLinkFinder::SetTreeListItem(item, engine);
}

void WINAPI CLinkFinder_export_iolinks_func(CLinkFinder* finder, FINDER_EXPORT_PARAMS) {
  finder->export_iolinks_func(FINDER_EXPORT_ARGS);
}

void WINAPI CLinkFinder_export_layout_func(CLinkFinder* finder, FINDER_EXPORT_PARAMS) {
  finder->export_layout_func(FINDER_EXPORT_ARGS);
}

void WINAPI CLinkFinder_chkbad_report_func(CLinkFinder* finder, FINDER_EXPORT_PARAMS) {
  finder->chkbad_report_func(FINDER_EXPORT_ARGS);
}

void WINAPI CLinkFinder_export_report_func(CLinkFinder* finder, FINDER_EXPORT_PARAMS) {
  finder->export_report_func(FINDER_EXPORT_ARGS);
}
}
