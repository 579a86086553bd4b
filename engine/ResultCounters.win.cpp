// The crawl counters, moved by every stored result row.
#include "engine/LinkFinder.h"

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

void CLinkFinder::report_url_func(int32_t first, int32_t, const char*, const char*, const char*,
                                  int32_t, const char*, const char*, const char*, int32_t restype,
                                  int32_t, const char*, const char*, const char*, const char*,
                                  const char*, const char*, const char*, int32_t statusval, int32_t,
                                  int32_t, const char*, const char*, int32_t, int32_t,
                                  int32_t extern_, int32_t) {
  CountResultRow(first, restype, statusval, extern_);
}

void CLinkFinder::export_url_func(int32_t, int32_t, int32_t first, int32_t, const char*,
                                  const char*, const char*, int32_t, const char*, const char*,
                                  const char*, int32_t restype, int32_t, const char*, const char*,
                                  const char*, const char*, const char*, const char*, const char*,
                                  int32_t statusval, int32_t, int32_t, const char*, const char*,
                                  int32_t, int32_t, int32_t extern_, int32_t, int32_t*) {
  CountResultRow(first, restype, statusval, extern_);
}
