// The engine's decisions about one link: turning link text into a record, typing it,
// judging it inside or outside the site, and whether it is followed, checked or skipped.
// Neutral header. The functions read the engine's state through tagRULECONTEXT, whose
// pointers are borrowed for the call; they keep no state and may run on any thread.
#pragma once

#include <cstdint>

#include "engine/Records.h"

struct tagRULECONTEXT {
  const tagSITESETTINGS* site;  // options and case rule of the site
  const char16_t* extLists[6];  // ExtApp, ExtAudio, ExtHTML, ExtImage, ExtText, ExtVideo
  const char16_t* siteServer;
  uint32_t sitePort;
  const char16_t* startPath;  // folder of the start resource ("" when not known)
  uint32_t startDepth;
};

// Cleans `text` in place (blanks), resolves it against base ("" for none) and fills item.
// Returns 1 when the record is usable, 0 with the reason in item.statusstr.
int FillItemWithURL(const tagRULECONTEXT& rules, char16_t* text, const char16_t* base,
                    tagTreeListItemFull* item, int* explicitPort);
int LinkDomainExternal(const tagRULECONTEXT& rules, const char16_t* server, uint32_t port);
res_type LookupFileType(const tagRULECONTEXT& rules, const char16_t* extension);

// 0 follow as the record says, 1 check only, 2 skip; may mark the record skipped (statusval
// 2) with the directory-level note.
int CheckLinkAllowed(const tagRULECONTEXT& rules, tagTreeListItemFull* item);
// 1 when the link must not be fetched.
int IsWildcardRestricted(const tagRULECONTEXT& rules, const tagTreeListItemFull* item);
int IsDomainRestricted(const tagRULECONTEXT& rules, const tagTreeListItemFull* item);
int IsBookmarkRestricted(const tagRULECONTEXT& rules, const tagTreeListItemFull* item);

// The link as shown (site server replaced by the display server) and back.
void GetDisplayLink(const tagRULECONTEXT& rules, const char16_t* url, char16_t* display,
                    int displaySize);
void GetLinkFromDisplayBack(const tagRULECONTEXT& rules, char16_t* url, int urlSize,
                            const char16_t* display);

// Adds a note to item.commentstr, joined by "; ", only while the whole stays below 256
// units; otherwise the note is dropped.
void AppendItemComment(tagTreeListItemFull* item, const char16_t* note);
