// The engine's rules for one link: allowed or restricted, how it is shown, and the comments it
// gets.
#include "engine/LinkRules.h"

#include <cstdint>
#include <string_view>

#include "engine/RuleMatch.h"
#include "engine/TextCopy.h"
#include "toolkit/LanguageText.h"

int CheckLinkAllowed(const tagRULECONTEXT& rules, tagTreeListItemFull* item) {
  const tagSITESETTINGS& site = *rules.site;
  const int32_t type = item->restype;
  if ((type == RES_HTML && !site.CheckHyperlinks) || (type == RES_IMAGE && !site.CheckImages) ||
      (type != RES_HTML && type != RES_IMAGE && !site.CheckOthers) ||
      (item->extern_ && site.CheckNoExtern)) {
    return 2;
  }
  if ((site.CheckFirstOnly && type == RES_HTML) || item->protocol == PROTOCOL_FTP) return 1;
  if (item->extern_) return 0;

  const char16_t* folder = rules.startPath ? rules.startPath : u"";
  const int folderLength = static_cast<int>(std::char_traits<char16_t>::length(folder));
  if (strncmpcase(item->resource, folder, folderLength, site.CheckIgnoreCase) != 0) {
    return site.CheckParentDir ? 0 : 1;
  }
  // Signed: a link at or above the start folder is never too deep.
  const int64_t level = static_cast<int64_t>(item->dir) - rules.startDepth + 1;
  if (site.CheckRestrict && static_cast<int64_t>(site.CheckLevel) < level) {
    AppendItemComment(item, LanguageText(STR_Status_DisallowedDirLevel));
    item->statusval = STATUSVAL_SKIPPED;
  }
  return 0;
}

int IsWildcardRestricted(const tagRULECONTEXT& rules, const tagTreeListItemFull* item) {
  if (item->extern_) return 0;
  const tagSITESETTINGS& site = *rules.site;
  const int ignoreCase = site.CheckIgnoreCase;
  const bool root = item->resource[0] == u'/' && !item->resource[1];
  if (site.OnlyWildcard && !root &&
      !CheckRestriction(site.sOnlyWildcard, item->resource, 1, 0, 0, ignoreCase)) {
    return 1;
  }
  if (site.SkipWildcard &&
      CheckRestriction(site.sSkipWildcard, item->resource, 1, 0, 0, ignoreCase)) {
    return 1;
  }
  return 0;
}

int IsDomainRestricted(const tagRULECONTEXT& rules, const tagTreeListItemFull* item) {
  const tagSITESETTINGS& site = *rules.site;
  if (!item->extern_ || !site.SkipDomains) return 0;
  return CheckRestriction(site.sSkipDomains, item->server, 0, !site.NotIgnoreWWW, 0,
                          site.CheckIgnoreCase) != 0;
}

int IsBookmarkRestricted(const tagRULECONTEXT& rules, const tagTreeListItemFull* item) {
  const tagSITESETTINGS& site = *rules.site;
  if (item->extern_ || !site.SkipBookmarks) return 0;
  return CheckRestriction(site.sSkipBookmarks, item->bookmark, 0, 0, 1, site.CheckIgnoreCase) != 0;
}

void GetDisplayLink(const tagRULECONTEXT& rules, const char16_t* url, char16_t* display,
                    int displaySize) {
  if (rules.site->DisplayURL) {
    SubstituteServerName(url, display, displaySize, rules.siteServer, rules.site->sDisplayURL,
                         rules.site->CheckIgnoreCase);
  } else {
    CopyText(display, displaySize, url);
  }
}

void GetLinkFromDisplayBack(const tagRULECONTEXT& rules, char16_t* url, int urlSize,
                            const char16_t* display) {
  if (rules.site->DisplayURL) {
    SubstituteServerName(display, url, urlSize, rules.site->sDisplayURL, rules.siteServer,
                         rules.site->CheckIgnoreCase);
  } else {
    CopyText(url, urlSize, display);
  }
}

void AppendItemComment(tagTreeListItemFull* item, const char16_t* note) {
  if (!note || !note[0]) return;
  constexpr size_t kUnits = sizeof(item->commentstr) / sizeof(char16_t);
  const size_t noteLength = std::char_traits<char16_t>::length(note);
  const size_t length = std::char_traits<char16_t>::length(item->commentstr);
  if (length == 0) {
    if (noteLength + 1 < kUnits) CopyField(item->commentstr, note);
    return;
  }
  if (length + noteLength + 3 >= kUnits) return;
  CopyText(item->commentstr + length, static_cast<int>(kUnits - length), u"; ");
  CopyText(item->commentstr + length + 2, static_cast<int>(kUnits - length - 2), note);
}
