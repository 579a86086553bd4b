#include "engine/FinderCallbacks.h"

#include "engine/LinkFinder.h"

#define FINDER_ROW_ARGS                                                                       \
  protocol, username, userpass, server, port, resource, bookmark, comment, restype, flags,   \
      title, statusstr, commentstr, content, ressize, lastmod, charset, statusval, attempt,  \
      restime, rel_url, rel_title, line, col, extern_, dir
#define FINDER_REPORT_ARGS first, FINDER_ROW_ARGS
#define FINDER_EXPORT_ARGS rowCount, rowIndex, first, FINDER_ROW_ARGS, cancel

namespace {

template <typename Pair, typename... Args>
void Forward(const Pair& pair, Args... args) {
  if (pair.target && pair.member) (pair.target->*pair.member)(args...);
}

CFinderCallbacks* Slots(void* callbacks) { return static_cast<CFinderCallbacks*>(callbacks); }

}  // namespace

int32_t CLinkFinderCallbacks::CallQueryURL(FINDER_QUERY_PARAMS) {
  if (!query.target || !query.member) return 0;
  return (query.target->*query.member)(FINDER_ROW_ARGS);
}

void CLinkFinderCallbacks::CallReportURL(FINDER_REPORT_PARAMS) {
  Forward(report, FINDER_REPORT_ARGS);
}

void CLinkFinderCallbacks::CallExportURL(FINDER_EXPORT_PARAMS) {
  Forward(exportUrl, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallStopCrawler(void* unused) { Forward(stop, unused); }

void CLinkFinderCallbacks::CallExportReport(FINDER_EXPORT_PARAMS) {
  Forward(exportReport, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallExportLayout(FINDER_EXPORT_PARAMS) {
  Forward(exportLayout, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallExportIOLinks(FINDER_EXPORT_PARAMS) {
  Forward(exportIOLinks, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallCheckBadReport(FINDER_EXPORT_PARAMS) {
  Forward(checkBadReport, FINDER_EXPORT_ARGS);
}

int32_t QueryURLThunk(void* callbacks, FINDER_QUERY_PARAMS) {
  return Slots(callbacks)->CallQueryURL(FINDER_ROW_ARGS);
}

void ReportURLThunk(void* callbacks, FINDER_REPORT_PARAMS) {
  Slots(callbacks)->CallReportURL(FINDER_REPORT_ARGS);
}

void ExportURLThunk(void* callbacks, FINDER_EXPORT_PARAMS) {
  Slots(callbacks)->CallExportURL(FINDER_EXPORT_ARGS);
}

void StopCrawlerThunk(void* callbacks) { Slots(callbacks)->CallStopCrawler(nullptr); }

void ExportReportThunk(void* callbacks, FINDER_EXPORT_PARAMS) {
  Slots(callbacks)->CallExportReport(FINDER_EXPORT_ARGS);
}

void ExportIOLinksThunk(void* callbacks, FINDER_EXPORT_PARAMS) {
  Slots(callbacks)->CallExportIOLinks(FINDER_EXPORT_ARGS);
}

void CheckBadReportThunk(void* callbacks, FINDER_EXPORT_PARAMS) {
  Slots(callbacks)->CallCheckBadReport(FINDER_EXPORT_ARGS);
}
