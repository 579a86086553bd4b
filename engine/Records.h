// The records and codes that the crawl engine, the scan database and the shell share:
// one link (tagTreeListItemFull), the per-site options (tagSITESETTINGS) and the
// worksheet window state (tagWINDOWSETTINGS). Neutral header: plain data, fixed-size
// UTF-16 fields, 32-bit integers, copied and zeroed as whole records.
#pragma once

#include <cstdint>

#include "net/StatusType.h"

// Protocol codes of column `protocol`.
enum : int32_t {
  PROTOCOL_NONE = 0,  // no downloader serves it: not checked, outcome 4
  PROTOCOL_HTTP = 1,
  PROTOCOL_HTTPS = 2,
  PROTOCOL_FTP = 3,
  PROTOCOL_FILE = 4,
  PROTOCOL_RTSP = 5,
};

// Kind of resource a link points to (column `restype`).
enum res_type : int32_t {
  RES_APPLICATION = 0,
  RES_AUDIO = 1,
  RES_HTML = 2,
  RES_IMAGE = 3,
  RES_TEXT = 4,
  RES_VIDEO = 5,
  RES_ROBOTSTXT = 6,
  RES_STYLESHEET = 7,
  RES_UNKNOWN = 8,
};

// Outcome of a link (column `statusval`). 3 and 6 are not used.
enum : int32_t {
  STATUSVAL_UNCHECKED = 0,
  STATUSVAL_OK = 1,
  STATUSVAL_SKIPPED = 2,
  STATUSVAL_NOTCHECKABLE = 4,
  STATUSVAL_BROKEN = 5,
  STATUSVAL_BROKEN_RETRIED = 7,
};

inline bool IsBrokenStatusVal(int32_t statusval) {
  return statusval == STATUSVAL_BROKEN || statusval == STATUSVAL_BROKEN_RETRIED;
}

int32_t StatusValFromStatusType(status_type status);

// First argument of the engine's constructor: 0 opens (or creates) a current worksheet
// database; any other value names an old-format file, which is deleted.
enum oldformat_type : int32_t {
  OLDFORMAT_NONE = 0,
  OLDFORMAT_OLD = 1,
};

enum console_type : int32_t {
  CONSOLE_NONE = 0,
  CONSOLE_ALLLINKS = 1,
  CONSOLE_BROKENLINKS = 2,
  CONSOLE_PROGRESS = 3,
};

struct tagTreeListItemFull {
  char16_t Url[2048];
  int32_t protocol;
  char16_t username[256];
  char16_t userpass[256];
  char16_t server[2048];
  uint32_t port;
  char16_t resource[2048];
  char16_t bookmark[256];
  char16_t comment[256];
  int32_t restype;
  int32_t flags;
  char16_t rel_url[2048];
  char16_t rel_title[356];
  int32_t line;
  int32_t col;
  int32_t extern_;  // column `extern`; the name is a C++ keyword
  int32_t dir;
  char16_t title[256];
  char16_t statusstr[256];
  char16_t commentstr[256];
  char16_t content[50];
  char16_t ressize[50];
  char16_t lastmod[50];
  char16_t charset[50];
  int32_t statusval;
  int32_t attempt;
  int32_t restime;
};

// Writes item.Url from the address parts; the parts stay authoritative, so an address
// too long for the field is cut at 2047 units.
void ComposeItemUrl(tagTreeListItemFull& item);

struct tagSITESETTINGS {
  int32_t CheckHyperlinks;
  int32_t CheckImages;
  int32_t CheckOthers;
  uint32_t RecheckBadLinksTimes;
  int32_t DisplayURL;
  char16_t sDisplayURL[2048];
  int32_t AuthMethod;
  char16_t sAuthUserName[64];
  char16_t sAuthPassword[64];
  int32_t IgnoreRobotsTxt;
  int32_t CheckFirstOnly;
  int32_t CheckNoExtern;
  int32_t CheckIgnoreCase;
  int32_t IgnoreCookies;
  int32_t NotIgnoreWWW;
  int32_t CheckParentDir;
  int32_t IgnoreRelative;
  int32_t GETAfterHEADFail;
  int32_t CheckRestrict;
  uint32_t CheckLevel;
  int32_t SizeLimitType;
  uint32_t SizeLimitKB;
  int32_t LinksLimitType;
  uint32_t LinksLimitValue;
  int32_t SkipSlowLinks;
  int32_t OnlyWildcard;
  char16_t sOnlyWildcard[2048];
  int32_t SkipWildcard;
  char16_t sSkipWildcard[2048];
  int32_t SkipDomains;
  char16_t sSkipDomains[2048];
  int32_t SkipBookmarks;
  char16_t sSkipBookmarks[2048];
  int32_t IgnoreFormTag;
  int32_t NotIgnoreSpaces;
  uint32_t View0;
};

// Options of a new project; sDisplayURL is the start URL's server, which the caller sets.
void InitSiteSettings(tagSITESETTINGS& site);

struct tagWINDOWSETTINGS {
  int32_t View1;
  int32_t View2;
  int32_t WindowX;
  int32_t WindowY;
  int32_t WindowCX;
  int32_t WindowCY;
  uint32_t WindowShow;
  int32_t ColWidth[15];
};
