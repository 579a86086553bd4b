// The callback object through which the database layer's threads call the engine back; one slot per
// operation.
#include "engine/FinderCallbacks.h"

#include "engine/LinkFinder.h"

namespace {

template <typename Pair, typename... Args>
void Forward(const Pair& pair, Args... args) {
  if (pair.target && pair.member) (pair.target->*pair.member)(args...);
}

// A report query whose row slot is unbound cancels at its first row: left running, it would
// report success with none of its rows written anywhere.
void ForwardRow(const CLinkFinderCallbacks::Pair<CLinkFinderCallbacks::ExportMember>& pair,
                FINDER_EXPORT_PARAMS) {
  if (pair.target && pair.member) {
    (pair.target->*pair.member)(FINDER_EXPORT_ARGS);
  } else if (cancel) {
    *cancel = 1;
  }
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
  ForwardRow(exportUrl, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallStopCrawler(void* unused) { Forward(stop, unused); }

void CLinkFinderCallbacks::CallExportReport(FINDER_EXPORT_PARAMS) {
  ForwardRow(exportReport, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallExportLayout(FINDER_EXPORT_PARAMS) {
  ForwardRow(exportLayout, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallExportIOLinks(FINDER_EXPORT_PARAMS) {
  ForwardRow(exportIOLinks, FINDER_EXPORT_ARGS);
}

void CLinkFinderCallbacks::CallCheckBadReport(FINDER_EXPORT_PARAMS) {
  ForwardRow(checkBadReport, FINDER_EXPORT_ARGS);
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

void ExportLayoutThunk(void* callbacks, FINDER_EXPORT_PARAMS) {
  Slots(callbacks)->CallExportLayout(FINDER_EXPORT_ARGS);
}

void ExportIOLinksThunk(void* callbacks, FINDER_EXPORT_PARAMS) {
  Slots(callbacks)->CallExportIOLinks(FINDER_EXPORT_ARGS);
}

void CheckBadReportThunk(void* callbacks, FINDER_EXPORT_PARAMS) {
  Slots(callbacks)->CallCheckBadReport(FINDER_EXPORT_ARGS);
}
