// The callback object through which the database layer's threads reach the engine: an
// abstract base with one virtual operation per callback, a forwarding class bound to one
// CLinkFinder, and the plain thunks the database layer is handed (user pointer = the
// callback object). Called on the database layer's threads.
#pragma once

#include <cstdint>

class CLinkFinder;

#define FINDER_ROW_PARAMS                                                                         \
  int32_t protocol, const char *username, const char *userpass, const char *server, int32_t port, \
      const char *resource, const char *bookmark, const char *comment, int32_t restype,           \
      int32_t flags, const char *title, const char *statusstr, const char *commentstr,            \
      const char *content, const char *ressize, const char *lastmod, const char *charset,         \
      int32_t statusval, int32_t attempt, int32_t restime, const char *rel_url,                   \
      const char *rel_title, int32_t line, int32_t col, int32_t extern_, int32_t dir

#define FINDER_QUERY_PARAMS                                                                        \
  int32_t protocol, const char *username, const char *userpass, const char *server, int32_t port,  \
      const char *resource, const char *bookmark, const char *comment, int32_t restype,            \
      int32_t flags, char *title, char *statusstr, char *commentstr, char *content, char *ressize, \
      char *lastmod, char *charset, int32_t *statusval, int32_t *attempt, int32_t *restime,        \
      const char *rel_url, const char *rel_title, int32_t line, int32_t col, int32_t extern_,      \
      int32_t dir

// Slot shapes: query; report-time row (first + row); export row (count, index, first,
// row, cancel); finish.
#define FINDER_REPORT_PARAMS int32_t first, FINDER_ROW_PARAMS
#define FINDER_EXPORT_PARAMS \
  int32_t rowCount, int32_t rowIndex, int32_t first, FINDER_ROW_PARAMS, int32_t *cancel

// The argument names of the shapes above, for forwarding a call with the same arguments.
#define FINDER_ROW_ARGS                                                                           \
  protocol, username, userpass, server, port, resource, bookmark, comment, restype, flags, title, \
      statusstr, commentstr, content, ressize, lastmod, charset, statusval, attempt, restime,     \
      rel_url, rel_title, line, col, extern_, dir
#define FINDER_REPORT_ARGS first, FINDER_ROW_ARGS
#define FINDER_EXPORT_ARGS rowCount, rowIndex, first, FINDER_ROW_ARGS, cancel

class CFinderCallbacks {
 public:
  virtual ~CFinderCallbacks() = default;
  virtual int32_t CallQueryURL(FINDER_QUERY_PARAMS) = 0;
  virtual void CallReportURL(FINDER_REPORT_PARAMS) = 0;
  virtual void CallExportURL(FINDER_EXPORT_PARAMS) = 0;
  virtual void CallStopCrawler(void* unused) = 0;
  virtual void CallExportReport(FINDER_EXPORT_PARAMS) = 0;
  virtual void CallExportLayout(FINDER_EXPORT_PARAMS) = 0;
  virtual void CallExportIOLinks(FINDER_EXPORT_PARAMS) = 0;
  virtual void CallCheckBadReport(FINDER_EXPORT_PARAMS) = 0;
};

// Forwards each slot to a member of one engine. A slot whose pair is unset does nothing;
// the query slot then returns 0 and a row slot cancels its query.
class CLinkFinderCallbacks : public CFinderCallbacks {
 public:
  typedef int32_t (CLinkFinder::*QueryMember)(FINDER_QUERY_PARAMS);
  typedef void (CLinkFinder::*ReportMember)(FINDER_REPORT_PARAMS);
  typedef void (CLinkFinder::*ExportMember)(FINDER_EXPORT_PARAMS);
  typedef void (CLinkFinder::*StopMember)(void*);

  template <typename Member>
  struct Pair {
    CLinkFinder* target = nullptr;
    Member member = nullptr;
  };

  Pair<QueryMember> query;
  Pair<ReportMember> report;
  Pair<ExportMember> exportUrl;
  Pair<StopMember> stop;
  Pair<ExportMember> exportReport;
  Pair<ExportMember> exportLayout;
  Pair<ExportMember> exportIOLinks;
  Pair<ExportMember> checkBadReport;

  int32_t CallQueryURL(FINDER_QUERY_PARAMS) override;
  void CallReportURL(FINDER_REPORT_PARAMS) override;
  void CallExportURL(FINDER_EXPORT_PARAMS) override;
  void CallStopCrawler(void* unused) override;
  void CallExportReport(FINDER_EXPORT_PARAMS) override;
  void CallExportLayout(FINDER_EXPORT_PARAMS) override;
  void CallExportIOLinks(FINDER_EXPORT_PARAMS) override;
  void CallCheckBadReport(FINDER_EXPORT_PARAMS) override;
};

// The thunks: plain functions of the database layer's callback shapes.
int32_t QueryURLThunk(void* callbacks, FINDER_QUERY_PARAMS);
void ReportURLThunk(void* callbacks, FINDER_REPORT_PARAMS);
void ExportURLThunk(void* callbacks, FINDER_EXPORT_PARAMS);
void StopCrawlerThunk(void* callbacks);
void ExportReportThunk(void* callbacks, FINDER_EXPORT_PARAMS);
void ExportLayoutThunk(void* callbacks, FINDER_EXPORT_PARAMS);
void ExportIOLinksThunk(void* callbacks, FINDER_EXPORT_PARAMS);
void CheckBadReportThunk(void* callbacks, FINDER_EXPORT_PARAMS);
