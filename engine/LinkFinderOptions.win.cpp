// The options of a worksheet: one row of the table `options` per key, as UTF-8 text.
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/LinkFinder.h"
#include "engine/TextHelpers.h"
#include "scandb/ScanDb.h"

namespace {

constexpr int kOptionBytes = 4096;
constexpr char kDefaultColWidth[] =
    "200, 120, 120, 120, 70, 70, 70, 100, 70, 70, 70, 70, 70, 70, 70";

// UTF-16 to a terminated UTF-8 text.
std::string ToUtf8(const WCHAR* text, int units) {
  // Four bytes per unit hold any UTF-8 form of the text.
  std::string out(static_cast<size_t>(units) * 4 + 1, '\0');
  out.resize(static_cast<size_t>(Utf16ToUtf8(text, units, &out[0], static_cast<int>(out.size()))));
  return out;
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

std::string Decimal(uint64_t value) {
  char text[24];
  snprintf(text, sizeof text, "%" PRIu64, value);
  return text;
}

}  // namespace

// One stored option: its key, how its text is made from the fields, and how a stored text
// is read back into them. readBack is null for options that a reopened worksheet takes
// with their new-project values; else it is the text that a missing row stands for.
struct EngineOption {
  const char* key;
  const char* readBack;
  std::function<std::string()> save;
  std::function<void(const char*)> load;
};

namespace {

template <size_t N>
EngineOption TextOption(const char* key, const char* readBack, WCHAR (&field)[N]) {
  return {key, readBack,
          [&field] {
            return ToUtf8(field, static_cast<int>(std::char_traits<char16_t>::length(field)));
          },
          [&field](const char* text) {
            field[Utf8ToUtf16(text, static_cast<uint32_t>(strlen(text)), field,
                              static_cast<int>(N) - 1)] = 0;
          }};
}

template <typename Flag>
EngineOption FlagOption(const char* key, const char* readBack, Flag& field, bool inverted = false) {
  return {key, readBack, [&field, inverted] { return (field != 0) != inverted ? "TRUE" : "FALSE"; },
          [&field, inverted](const char* text) {
            field = (strcasecmp(text, "TRUE") == 0) != inverted;
          }};
}

// A number field; a stored text that is no number in [0, max] reads as the default.
template <typename Number>
EngineOption NumberOption(const char* key, const char* readBack, Number& field,
                          uint64_t max = UINT32_MAX) {
  return {key, readBack,
          [&field] { return Decimal(static_cast<uint64_t>(static_cast<uint32_t>(field))); },
          [&field, readBack, max](const char* text) {
            uint64_t value = 0;
            if (!ParseUnsigned(text, max, &value)) ParseUnsigned(readBack, max, &value);
            field = static_cast<Number>(value);
          }};
}

template <typename Counter>
EngineOption CounterOption(const char* key, Counter& field) {
  return {key, "0", [&field] { return Decimal(static_cast<uint64_t>(field)); },
          [&field](const char* text) {
            uint64_t value = 0;
            field = ParseUnsigned(text, UINT64_MAX, &value) ? value : 0;
          }};
}

}  // namespace

std::vector<EngineOption> CLinkFinder::Options() {
  tagSITESETTINGS& s = siteSettings;
  tagWINDOWSETTINGS& w = windowSettings;
  return {
      TextOption("sSiteURL", "", siteURL),
      TextOption("sSiteSrv", "", siteServer),
      NumberOption("sSitePort", "0", sitePort),
      FlagOption("CheckHyperlinks", "TRUE", s.CheckHyperlinks),
      FlagOption("CheckImages", "TRUE", s.CheckImages),
      FlagOption("CheckOthers", "TRUE", s.CheckOthers),
      NumberOption("RecheckBadLinksTimes", "5", s.RecheckBadLinksTimes),
      FlagOption("DisplayURL", nullptr, s.DisplayURL),
      TextOption("sDisplayURL", nullptr, s.sDisplayURL),
      NumberOption("AuthMethod", nullptr, s.AuthMethod),
      TextOption("sAuthUserName", nullptr, s.sAuthUserName),
      TextOption("sAuthPassword", nullptr, s.sAuthPassword),
      FlagOption("IgnoreRobotsTxt", "FALSE", s.IgnoreRobotsTxt),
      FlagOption("CheckFirstOnly", "FALSE", s.CheckFirstOnly),
      FlagOption("CheckNoExtern", "FALSE", s.CheckNoExtern),
      FlagOption("CheckIgnoreCase", "FALSE", s.CheckIgnoreCase),
      FlagOption("IgnoreCookies", nullptr, s.IgnoreCookies),
      FlagOption("NotIgnoreWWW", nullptr, s.NotIgnoreWWW),
      FlagOption("CheckParentDir", nullptr, s.CheckParentDir),
      FlagOption("IgnoreRelative", nullptr, s.IgnoreRelative),
      FlagOption("GETAfterHEADFail", nullptr, s.GETAfterHEADFail),
      FlagOption("CheckRestrict", nullptr, s.CheckRestrict),
      NumberOption("CheckLevel", nullptr, s.CheckLevel),
      NumberOption("LinksLimitType", nullptr, s.LinksLimitType),
      NumberOption("LinksLimitValue", nullptr, s.LinksLimitValue),
      NumberOption("SizeLimitType", nullptr, s.SizeLimitType),
      NumberOption("SizeLimitKB", nullptr, s.SizeLimitKB),
      FlagOption("SkipSlowLinks", nullptr, s.SkipSlowLinks),
      FlagOption("OnlyWildcard", nullptr, s.OnlyWildcard),
      TextOption("sOnlyWildcard", nullptr, s.sOnlyWildcard),
      FlagOption("SkipWildcard", nullptr, s.SkipWildcard),
      TextOption("sSkipWildcard", nullptr, s.sSkipWildcard),
      FlagOption("SkipDomains", nullptr, s.SkipDomains),
      TextOption("sSkipDomains", nullptr, s.sSkipDomains),
      FlagOption("SkipBookmarks", nullptr, s.SkipBookmarks),
      TextOption("sSkipBookmarks", nullptr, s.sSkipBookmarks),
      FlagOption("IgnoreFormTag", nullptr, s.IgnoreFormTag),
      FlagOption("IgnoreSpaces", nullptr, s.NotIgnoreSpaces, true),
      {"View", "",
       [&s, &w] {
         char text[64];
         snprintf(text, sizeof text, "%u, %u, %u", s.View0, static_cast<unsigned>(w.View1),
                  static_cast<unsigned>(w.View2));
         return std::string(text);
       },
       [&s, &w](const char* text) {
         unsigned view[3] = {0, 0, 0};
         sscanf(text, "%u, %u, %u", &view[0], &view[1], &view[2]);
         s.View0 = view[0];
         w.View1 = static_cast<int32_t>(view[1]);
         w.View2 = static_cast<int32_t>(view[2]);
       }},
      {"Window", "",
       [&w] {
         char text[96];
         snprintf(text, sizeof text, "%i, %i, %i, %i, %u", w.WindowX, w.WindowY, w.WindowCX,
                  w.WindowCY, w.WindowShow);
         return std::string(text);
       },
       [&w](const char* text) {
         int window[4] = {0, 0, 0, 0};
         unsigned show = 0;
         sscanf(text, "%i, %i, %i, %i, %u", &window[0], &window[1], &window[2], &window[3], &show);
         w.WindowX = window[0];
         w.WindowY = window[1];
         w.WindowCX = window[2];
         w.WindowCY = window[3];
         w.WindowShow = show;
       }},
      {"ColWidth", kDefaultColWidth,
       [&w] {
         std::string text;
         for (int i = 0; i < 15; ++i) text += (i ? ", " : "") + std::to_string(w.ColWidth[i]);
         return text;
       },
       [&w](const char* text) {
         int* c = w.ColWidth;
         for (int i = 0; i < 15; ++i) c[i] = 100;
         sscanf(text, "%i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i, %i", &c[0], &c[1],
                &c[2], &c[3], &c[4], &c[5], &c[6], &c[7], &c[8], &c[9], &c[10], &c[11], &c[12],
                &c[13], &c[14]);
       }},
      FlagOption("Stopped", "TRUE", stopped),
      CounterOption("SizeSent", bytesSent),
      CounterOption("SizeReceived", bytesReceived),
      CounterOption("TimeElapsed", timeElapsed),
  };
}

int CLinkFinder::LoadOptions() {
  InitSiteSettings(siteSettings);
  std::vector<char> value(kOptionBytes);
  for (const EngineOption& option : Options()) {
    if (!option.readBack) continue;
    value[0] = 0;
    DBLoadOption(context, option.key, value.data(), kOptionBytes, option.readBack);
    option.load(value.data());
  }
  paused = !stopped;

  // The robots text is read whole, whatever its length.
  std::u16string robots;
  const int32_t bytes = DBLoadOption(context, "sRobotsTxt", nullptr, 0, "");
  if (bytes > 0) {
    std::vector<char> utf8(static_cast<size_t>(bytes) + 1);
    const int32_t read = DBLoadOption(context, "sRobotsTxt", utf8.data(), bytes + 1, "");
    robots.resize(static_cast<size_t>(read));
    robots.resize(static_cast<size_t>(
        Utf8ToUtf16(utf8.data(), static_cast<uint32_t>(read), &robots[0], read)));
  }
  SetRobotsText(std::move(robots));
  return 1;
}

int CLinkFinder::SaveOptions() {
  int saved = 1;
  for (const EngineOption& option : Options())
    if (!DBSaveOption(context, option.key, option.save().c_str())) saved = 0;
  std::u16string robots;
  {
    ScopeLock hold(lock);
    robots = robotsText;
  }
  if (!DBSaveOption(context, "sRobotsTxt",
                    ToUtf8(robots.c_str(), static_cast<int>(robots.size())).c_str()))
    saved = 0;
  return saved;
}
