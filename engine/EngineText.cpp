#include "engine/EngineText.h"

#include <cstring>

#include "app/StringTable.h"

namespace {

struct EngineTextEntry {
  const char* section;
  const char* key;
  const char16_t* text;
};

const EngineTextEntry kTexts[] = {
    {"Status", "ExtraSpaces", u"Extra spaces in url"},
    {"Status", "EmptyURL", u"URL is empty"},
    {"Status", "RelativeOverflow", u"Relative link directory overflow"},
    {"Status", "DisallowedDirLevel", u"Checking file content is restricted by directory level"},
    {"Status", "OK", u"OK"},
    {"Status", "SKIPPED", u"SKIPPED"},
    {"Status", "RedirectsTo", u"Redirects to"},
    {"Status", "BookmarkFound", u"Bookmark \"%s\" found"},
    {"Status", "BookmarkNotFound", u"Bookmark \"%s\" not found"},
    {"Status", "DisallowedRobots", u"Disallowed in robots.txt"},
    {"Status", "DisallowedDomain", u"Disallowed by domain"},
    {"Status", "DisallowedBookmark", u"Disallowed by bookmark"},
    {"Status", "DisallowedWildcard", u"Checking file content is disallowed by wildcard"},
    {"Status", "RedirectRefused", u"Redirect to \"%s\" cannot be followed"},
    {"Status", "RedirectLoop", u"Redirect loop"},
    {"Status", "TooManyRedirects", u"Too many redirects"},
    {"Status", "NotChecked", u"Not checked"},
    {"Status", "LocalFileLink", u"Local file link on a web page"},
    {"Msg", "Undefined", u"Undefined"},
    {"Msg", "Unknown", u"Unknown"},
    {"Msg", "Cancel", u"Cancel"},
    {"Msg", "SaveError", u"Failed to save the file."},
    {"Msg", "NoItemsFound", u"No items found."},
    {"PrgBar", "Saving", u"Saving data to file:"},
    {"PrgBar", "Exporting", u"Exporting data to file:"},
    {"PrgBar", "Reading", u"Reading data..."},
    {"PrgBar", "Recheck", u"Preparing to recheck..."},
    {"Location", "OnPage", u"On page"},
    {"Location", "LinkToSm", u"the link to"},
    {"Location", "LinkToCap", u"The link to"},
    {"Location", "TheError", u"gives the error"},
    {"Location", "AtPosition", u"At line %d column %d"},
    {"Total", "Found", u"Links Found"},
    {"Total", "Processed", u"Links Processed"},
    {"Total", "Broken", u"Broken Links"},
    {"Total", "Unique", u"Unique Links"},
    {"Total", "Sent", u"Bytes sent"},
    {"Total", "Received", u"Bytes received"},
    {"Total", "Elapsed", u"Time elapsed"},
    {"Total", "Left", u"Time left"},
    {"Report", "Report", u"Report"},
    {"Report", "Stats", u"Total Statistics"},
    {"Column", "Link", u"Link URL"},
    {"Column", "Broken", u"Broken Link"},
    {"Column", "Status", u"Status"},
    {"Column", "Comment", u"Comment"},
    {"Column", "Title", u"Title"},
    {"Column", "Protocol", u"Protocol"},
    {"Column", "ContentType", u"Content type"},
    {"Column", "Size", u"Size"},
    {"Column", "LastModified", u"Last modified"},
    {"Column", "Charset", u"Charset"},
    {"Column", "AccessTime", u"Access time"},
    {"Column", "Location", u"Location"},
    {"Column", "Page", u"Page"},
    {"Column", "Position", u"Position"},
    {"Location", "AtLine", u"at line"},
    {"Location", "AtColumn", u"column"},
    {"Location", "LinkFrom", u"link from"},
    {"Location", "InTag", u"in tag"},
    {"Location", "Argument", u"argument"},
    {"Location", "Sec", u"sec."},
    {"Location", "WhenClickOn", u"when you click on"},
    {"Location", "InCss", u"in css"},
    {"Location", "Image", u"Image:"},
    {"Location", "Alt", u"Alt:"},
    {"Resource", "Application", u"Application"},
    {"Resource", "Audio", u"Audio"},
    {"Resource", "HTML", u"HTML"},
    {"Resource", "Image", u"Image"},
    {"Resource", "Text", u"Text"},
    {"Resource", "Video", u"Video"},
    {"Resource", "StyleSheet", u"Style Sheet"},
    {"Resource", "Checking", u"Checking"},
    {"Resource", "External", u"External"},
    {"Resource", "Internal", u"Internal"},
    {"Resource", "Position", u"Line: %d, Col: %d"},
    {"Curl", "101", u"Unsupported protocol"},
    {"Curl", "103", u"URL using bad/illegal format or missing URL"},
    {"Curl", "124", u"Out of memory"},
};

bool SameAscii(const char16_t* wide, const char* narrow) {
  for (; *wide && *narrow; ++wide, ++narrow) {
    if (*wide != static_cast<unsigned char>(*narrow)) return false;
  }
  return *wide == 0 && *narrow == 0;
}

}  // namespace

const char16_t* EngineText(const char* section, const char* key) {
  // The loaded language table answers once start-up has filled it.
  for (const tagSTRINGITEM& item : g_stringItems) {
    if (!SameAscii(item.section, section) || !SameAscii(item.key, key)) continue;
    if (*item.destination && **item.destination) return *item.destination;
    break;
  }
  for (const EngineTextEntry& entry : kTexts) {
    if (!std::strcmp(entry.section, section) && !std::strcmp(entry.key, key)) return entry.text;
  }
  return u"";
}
