// The options of a worksheet: one row of the table `options` per key, as UTF-8 text.
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/LinkFinder.h"
#include "engine/TextHelpers.h"
#include "scandb/ScanDb.h"

namespace {

constexpr int kOptionBytes = 4096;
constexpr char kDefaultColWidth[] = "200, 120, 120, 120, 70, 70, 70, 100, 70, 70, 70, 70, 70, 70, 70";

// UTF-16 to a terminated UTF-8 text of at most size - 1 bytes.
void ToUtf8(const WCHAR* text, char* out, int size) {
  const int units = static_cast<int>(std::char_traits<char16_t>::length(text));
  out[Utf16ToUtf8(text, units, out, size - 1)] = 0;
}

template <size_t N>
void ToField(const char* text, WCHAR (&field)[N]) {
  field[Utf8ToUtf16(text, static_cast<uint32_t>(strlen(text)), field, static_cast<int>(N) - 1)] = 0;
}

// A whole decimal number within [0, max], or nothing.
bool ParseUnsigned(const char* text, uint64_t max, uint64_t* value) {
  while (*text == ' ') ++text;
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long parsed = strtoull(text, &end, 10);
  while (*end == ' ') ++end;
  if (errno || *end || parsed > max) return false;
  *value = parsed;
  return true;
}

class OptionReader {
 public:
  explicit OptionReader(tagDBCONTEXT* context) : context_(context) {}

  const char* Text(const char* name, const char* defaultValue) {
    value_[0] = 0;
    DBLoadOption(context_, name, value_, sizeof value_, defaultValue);
    return value_;
  }
  int Boolean(const char* name, const char* defaultValue) {
    return strcasecmp(Text(name, defaultValue), "TRUE") == 0;
  }
  // A value that is no number in range reads as the default.
  uint64_t Number(const char* name, uint64_t defaultValue, uint64_t max) {
    uint64_t value = defaultValue;
    char fallback[24];
    snprintf(fallback, sizeof fallback, "%" PRIu64, defaultValue);
    return ParseUnsigned(Text(name, fallback), max, &value) ? value : defaultValue;
  }

 private:
  tagDBCONTEXT* context_;
  char value_[kOptionBytes];
};

class OptionWriter {
 public:
  explicit OptionWriter(tagDBCONTEXT* context) : context_(context) {}

  void Text(const char* name, const WCHAR* value) {
    char text[kOptionBytes];
    ToUtf8(value, text, sizeof text);
    DBSaveOption(context_, name, text);
  }
  void Boolean(const char* name, int value) { DBSaveOption(context_, name, value ? "TRUE" : "FALSE"); }
  void Number(const char* name, uint64_t value) {
    char text[24];
    snprintf(text, sizeof text, "%" PRIu64, value);
    DBSaveOption(context_, name, text);
  }
  void Raw(const char* name, const char* value) { DBSaveOption(context_, name, value); }

 private:
  tagDBCONTEXT* context_;
};

}  // namespace

int CLinkFinder::LoadOptions() {
  OptionReader in(context);
  // Only some options are read back; the others open with their new-project values.
  InitSiteSettings(siteSettings);
  ToField(in.Text("sSiteURL", ""), siteURL);
  ToField(in.Text("sSiteSrv", ""), siteServer);
  sitePort = static_cast<uint32_t>(in.Number("sSitePort", 0, UINT32_MAX));
  siteSettings.CheckHyperlinks = in.Boolean("CheckHyperlinks", "TRUE");
  siteSettings.CheckImages = in.Boolean("CheckImages", "TRUE");
  siteSettings.CheckOthers = in.Boolean("CheckOthers", "TRUE");
  siteSettings.RecheckBadLinksTimes = static_cast<uint32_t>(in.Number("RecheckBadLinksTimes", 5, UINT32_MAX));
  siteSettings.IgnoreRobotsTxt = in.Boolean("IgnoreRobotsTxt", "FALSE");
  siteSettings.CheckFirstOnly = in.Boolean("CheckFirstOnly", "FALSE");
  siteSettings.CheckNoExtern = in.Boolean("CheckNoExtern", "FALSE");
  siteSettings.CheckIgnoreCase = in.Boolean("CheckIgnoreCase", "FALSE");

  unsigned view[3] = {0, 0, 0};
  sscanf(in.Text("View", ""), "%u, %u, %u", &view[0], &view[1], &view[2]);
  siteSettings.View0 = view[0];
  windowSettings.View1 = static_cast<int32_t>(view[1]);
  windowSettings.View2 = static_cast<int32_t>(view[2]);

  int window[4] = {0, 0, 0, 0};
  unsigned show = 0;
  sscanf(in.Text("Window", ""), "%i, %i, %i, %i, %u", &window[0], &window[1], &window[2],
         &window[3], &show);
  windowSettings.WindowX = window[0];
  windowSettings.WindowY = window[1];
  windowSettings.WindowCX = window[2];
  windowSettings.WindowCY = window[3];
  windowSettings.WindowShow = show;

  int* widths = windowSettings.ColWidth;
  for (int i = 0; i < 15; ++i) widths[i] = 100;
  sscanf(in.Text("ColWidth", kDefaultColWidth),
         "%i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i", &widths[0], &widths[1],
         &widths[2], &widths[3], &widths[4], &widths[5], &widths[6], &widths[7], &widths[8],
         &widths[9], &widths[10], &widths[11], &widths[12], &widths[13], &widths[14]);

  stopped = in.Boolean("Stopped", "TRUE");
  paused = !stopped;
  bytesSent = in.Number("SizeSent", 0, UINT64_MAX);
  bytesReceived = in.Number("SizeReceived", 0, UINT64_MAX);
  timeElapsed = in.Number("TimeElapsed", 0, UINT64_MAX);

  free(robotsText);
  robotsText = nullptr;
  robotsLength = 0;
  const int32_t bytes = DBLoadOption(context, "sRobotsTxt", nullptr, 0, "");
  if (bytes > 0) {
    std::vector<char> utf8(static_cast<size_t>(bytes) + 1);
    const int32_t read = DBLoadOption(context, "sRobotsTxt", utf8.data(), bytes + 1, "");
    auto* text = static_cast<WCHAR*>(malloc((static_cast<size_t>(read) + 1) * sizeof(WCHAR)));
    if (text) {
      robotsLength = Utf8ToUtf16(utf8.data(), static_cast<uint32_t>(read), text, read);
      text[robotsLength] = 0;
      robotsText = text;
    }
  }
  return 1;
}

int CLinkFinder::SaveOptions() {
  OptionWriter out(context);
  const tagSITESETTINGS& s = siteSettings;
  out.Text("sSiteURL", siteURL);
  out.Text("sSiteSrv", siteServer);
  out.Number("sSitePort", sitePort);
  out.Boolean("CheckHyperlinks", s.CheckHyperlinks);
  out.Boolean("CheckImages", s.CheckImages);
  out.Boolean("CheckOthers", s.CheckOthers);
  out.Number("RecheckBadLinksTimes", s.RecheckBadLinksTimes);
  out.Boolean("DisplayURL", s.DisplayURL);
  out.Text("sDisplayURL", s.sDisplayURL);
  out.Number("AuthMethod", static_cast<uint32_t>(s.AuthMethod));
  out.Text("sAuthUserName", s.sAuthUserName);
  out.Text("sAuthPassword", s.sAuthPassword);
  out.Boolean("IgnoreRobotsTxt", s.IgnoreRobotsTxt);
  out.Boolean("CheckFirstOnly", s.CheckFirstOnly);
  out.Boolean("CheckNoExtern", s.CheckNoExtern);
  out.Boolean("CheckIgnoreCase", s.CheckIgnoreCase);
  out.Boolean("IgnoreCookies", s.IgnoreCookies);
  out.Boolean("NotIgnoreWWW", s.NotIgnoreWWW);
  out.Boolean("CheckParentDir", s.CheckParentDir);
  out.Boolean("IgnoreRelative", s.IgnoreRelative);
  out.Boolean("GETAfterHEADFail", s.GETAfterHEADFail);
  out.Boolean("CheckRestrict", s.CheckRestrict);
  out.Number("CheckLevel", s.CheckLevel);
  out.Number("LinksLimitType", static_cast<uint32_t>(s.LinksLimitType));
  out.Number("LinksLimitValue", s.LinksLimitValue);
  out.Number("SizeLimitType", static_cast<uint32_t>(s.SizeLimitType));
  out.Number("SizeLimitKB", s.SizeLimitKB);
  out.Boolean("SkipSlowLinks", s.SkipSlowLinks);
  out.Boolean("OnlyWildcard", s.OnlyWildcard);
  out.Text("sOnlyWildcard", s.sOnlyWildcard);
  out.Boolean("SkipWildcard", s.SkipWildcard);
  out.Text("sSkipWildcard", s.sSkipWildcard);
  out.Boolean("SkipDomains", s.SkipDomains);
  out.Text("sSkipDomains", s.sSkipDomains);
  out.Boolean("SkipBookmarks", s.SkipBookmarks);
  out.Text("sSkipBookmarks", s.sSkipBookmarks);
  out.Boolean("IgnoreFormTag", s.IgnoreFormTag);
  out.Boolean("IgnoreSpaces", !s.NotIgnoreSpaces);

  char text[kOptionBytes];
  snprintf(text, sizeof text, "%u, %u, %u", s.View0, static_cast<unsigned>(windowSettings.View1),
           static_cast<unsigned>(windowSettings.View2));
  out.Raw("View", text);
  snprintf(text, sizeof text, "%i, %i, %i, %i, %u", windowSettings.WindowX,
           windowSettings.WindowY, windowSettings.WindowCX, windowSettings.WindowCY,
           windowSettings.WindowShow);
  out.Raw("Window", text);
  int length = 0;
  for (int i = 0; i < 15; ++i) {
    length += snprintf(text + length, sizeof text - static_cast<size_t>(length),
                       i ? ", %i" : "%i", windowSettings.ColWidth[i]);
  }
  out.Raw("ColWidth", text);
  out.Boolean("Stopped", stopped);
  out.Number("SizeSent", bytesSent);
  out.Number("SizeReceived", bytesReceived);
  out.Number("TimeElapsed", timeElapsed);

  // Four bytes per unit hold any UTF-8 form of the text.
  std::vector<char> robots(static_cast<size_t>(robotsLength) * 4 + 4);
  robots[Utf16ToUtf8(robotsText ? robotsText : u"", robotsLength, robots.data(),
                     static_cast<int>(robots.size()) - 1)] = 0;
  out.Raw("sRobotsTxt", robots.data());
  return 1;
}
