// The settings.ini fields of tagSETTINGS with their defaults and limits, in file order.
#include "app/SettingsFields.h"

#include <cstring>
#include <string_view>

#include "app/SettingsRecord.h"
#include "engine/AsciiText.h"
#include "engine/TextCopy.h"
#include "toolkit/Languages.h"

namespace {

constexpr int32_t kUseDefault = static_cast<int32_t>(0x80000000u);

#define INT_FIELD(name, def) \
  { u## #name, SETTINGS_INT, offsetof(tagSETTINGS, name), 0, def, nullptr }
#define UINT_FIELD(name, def) \
  { u## #name, SETTINGS_UINT, offsetof(tagSETTINGS, name), 0, def, nullptr }
#define PORT_FIELD(name) \
  { u## #name, SETTINGS_PORT, offsetof(tagSETTINGS, name), 0, 0, nullptr }
#define TEXT_FIELD(name, def)                                                  \
  {                                                                            \
    u## #name, SETTINGS_TEXT, offsetof(tagSETTINGS, name),                     \
        static_cast<int>(sizeof(tagSETTINGS::name) / sizeof(char16_t)), 0, def \
  }

}  // namespace

const SettingsField kSettingsFields[] = {
    INT_FIELD(CurrLang, LANGUAGE_ENGLISH_US),
    INT_FIELD(MainWndX, kUseDefault),
    INT_FIELD(MainWndY, kUseDefault),
    INT_FIELD(MainWndCX, kUseDefault),
    INT_FIELD(MainWndCY, kUseDefault),
    INT_FIELD(MainWndMaximized, 0),
    INT_FIELD(ShowStartTips, 1),
    INT_FIELD(CurrentTip, 0),
    INT_FIELD(PrefView, 0),
    UINT_FIELD(URLTimeout, 60),
    UINT_FIELD(SlowTimeout, 5),
    UINT_FIELD(NumThreads, 10),
    UINT_FIELD(ThreadsPerServer, 5),
    TEXT_FIELD(CharSet, nullptr),
    TEXT_FIELD(DefCharSet, nullptr),
    INT_FIELD(AutosaveWorksheets, 1),
    INT_FIELD(DisplayAllLinks, 0),
    INT_FIELD(DisplayToolTips, 1),
    TEXT_FIELD(AgentType, nullptr),
    TEXT_FIELD(AgentOS, nullptr),
    INT_FIELD(HTTPVer, 1),
    INT_FIELD(CloseWhenDone, 0),
    INT_FIELD(DisconnWhenDone, 0),
    INT_FIELD(ShutdownWhenDone, 0),
    INT_FIELD(UseProxy, 0),
    INT_FIELD(ProxyBypassLocal, 0),
    INT_FIELD(ProxyUseAuth, 0),
    TEXT_FIELD(ProxyUserName, nullptr),
    TEXT_FIELD(ProxyPassword, nullptr),
    INT_FIELD(HTTPProxyType, 1),
    TEXT_FIELD(HTTPProxyAddress, nullptr),
    PORT_FIELD(HTTPProxyPort),
    INT_FIELD(HTTPSProxyType, 1),
    TEXT_FIELD(HTTPSProxyAddress, nullptr),
    PORT_FIELD(HTTPSProxyPort),
    INT_FIELD(FTPProxyType, 1),
    TEXT_FIELD(FTPProxyAddress, nullptr),
    PORT_FIELD(FTPProxyPort),
    TEXT_FIELD(HTTPCodes, u"200 201 202 301 302 303 307 308 401"),
    TEXT_FIELD(ExtApp,
               u"ai arc arj bin dbf doc eps exe js pdf ppt ps psd tar wk1 wk3 wk4 xla xls xlt "
               u"xlw wps zip"),
    TEXT_FIELD(ExtAudio, u"aif aifc aiff au mid mp3 ra wav"),
    TEXT_FIELD(ExtHTML,
               u"asp aspx cfm cgi hmx htm html jhtml jsp mv do nsf php phtml pl shtml stm"),
    TEXT_FIELD(ExtImage, u"bmp gif jpeg jpg pbm pgm png ppm tif tiff wmf"),
    TEXT_FIELD(ExtText, u"asc csv prn rtf rtx txt"),
    TEXT_FIELD(ExtVideo, u"avi mov movie mpe mpeg mpg qt qvi ram wmv"),
    INT_FIELD(LinksInOutX, -1),
    INT_FIELD(LinksInOutY, -1),
    INT_FIELD(LinksInOutCX, 400),
    INT_FIELD(LinksInOutCY, 250),
    INT_FIELD(LinksInOutW1, 208),
    INT_FIELD(LinksInOutW2, 180),
    TEXT_FIELD(ActiveFileName, nullptr),
};
const int kSettingsFieldCount =
    static_cast<int>(sizeof(kSettingsFields) / sizeof(kSettingsFields[0]));

int32_t* SettingsInt(tagSETTINGS& settings, const SettingsField& field) {
  return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&settings) + field.offset);
}
uint32_t* SettingsUint(tagSETTINGS& settings, const SettingsField& field) {
  return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(&settings) + field.offset);
}
uint16_t* SettingsPort(tagSETTINGS& settings, const SettingsField& field) {
  return reinterpret_cast<uint16_t*>(reinterpret_cast<char*>(&settings) + field.offset);
}
char16_t* SettingsText(tagSETTINGS& settings, const SettingsField& field) {
  return reinterpret_cast<char16_t*>(reinterpret_cast<char*>(&settings) + field.offset);
}

void SetSettingsField(tagSETTINGS& settings, const SettingsField& field, tagSETTINGS* from) {
  switch (field.kind) {
    case SETTINGS_INT:
      *SettingsInt(settings, field) = from ? *SettingsInt(*from, field) : field.intDefault;
      break;
    case SETTINGS_UINT:
      *SettingsUint(settings, field) =
          from ? *SettingsUint(*from, field) : static_cast<uint32_t>(field.intDefault);
      break;
    case SETTINGS_PORT:
      *SettingsPort(settings, field) =
          from ? *SettingsPort(*from, field) : static_cast<uint16_t>(field.intDefault);
      break;
    case SETTINGS_TEXT: {
      const char16_t* text = from ? SettingsText(*from, field) : field.textDefault;
      SetSettingsText(SettingsText(settings, field), field.size, text ? text : u"");
      break;
    }
  }
}

void SetDefaultSettings(tagSETTINGS& settings) {
  for (int i = 0; i < kSettingsFieldCount; ++i)
    SetSettingsField(settings, kSettingsFields[i], nullptr);
}

namespace {

void Clamp(uint32_t& value, uint32_t low, uint32_t high) {
  if (value < low) value = low;
  if (value > high) value = high;
}

bool StartsWithNoCase(const char16_t* text, const char16_t* word) {
  for (; *word; ++text, ++word) {
    if (AsciiLower(*text) != *word) return false;
  }
  return true;
}

// Finds "name=" without regard to case; returns the text after it, or null.
const char16_t* FindPart(const char16_t* text, const char16_t* name) {
  for (const char16_t* p = text; *p; ++p)
    if (StartsWithNoCase(p, name)) return p + std::u16string_view(name).size();
  return nullptr;
}

// A part runs to ';', a blank or the end; "host:port" splits at the first ':'.
void SplitProxyPart(const char16_t* part, char16_t (&address)[256], uint16_t& port) {
  int end = 0;
  while (part[end] && part[end] != u';' && part[end] != u' ' && part[end] != u'\t') ++end;
  int colon = 0;
  while (colon < end && part[colon] != u':') ++colon;
  CopyTextN(address, 256, part, colon);
  if (colon == end) return;
  uint32_t number = 0;
  for (int i = colon + 1; i < end && IsAsciiDigit(part[i]); ++i)
    number = number * 10 + static_cast<uint32_t>(part[i] - u'0');
  port = static_cast<uint16_t>(number);
}

}  // namespace

void CorrectSettings(tagSETTINGS& s, const SettingsEnvironment& environment) {
  // The language index addresses the availability bits and the name table: check its
  // range before anything indexes with it.
  if (s.CurrLang < 0 || s.CurrLang >= LANGUAGE_COUNT ||
      !BitArrayOp(const_cast<uint8_t*>(environment.languageBits), BITARRAY_TEST, s.CurrLang))
    s.CurrLang = LANGUAGE_ENGLISH_US;
  if (s.MainWndX < 0 || s.MainWndX > environment.screenWidth || s.MainWndY < 0 ||
      s.MainWndY > environment.screenHeight) {
    s.MainWndX = kUseDefault;
    s.MainWndY = kUseDefault;
  }
  Clamp(s.URLTimeout, 1, 1000);
  Clamp(s.SlowTimeout, 1, 1000);
  Clamp(s.NumThreads, 1, 50);
  Clamp(s.ThreadsPerServer, 1, 50);
  if (!environment.charsetAvailable(s.CharSet)) s.CharSet[0] = 0;
  if (!environment.charsetAvailable(s.DefCharSet)) CopyField(s.DefCharSet, u"US_ASCII");
  if (!s.AgentType[0]) CopyField(s.AgentType, u"Internet Explorer v6");
  if (!s.AgentOS[0]) CopyField(s.AgentOS, environment.defaultAgentOS);
  if (s.HTTPVer < 0 || s.HTTPVer > 1) s.HTTPVer = 1;
  if (s.HTTPProxyType != 1 && s.HTTPProxyType != 2) s.HTTPProxyType = 1;
  if (s.HTTPSProxyType != 1 && s.HTTPSProxyType != 2) s.HTTPSProxyType = 1;
  if (s.FTPProxyType != 1) s.FTPProxyType = 1;
}

bool IsProxyUnconfigured(const tagSETTINGS& s) {
  return s.UseProxy == 0 && s.HTTPProxyType == 1 && !s.HTTPProxyAddress[0] &&
         s.HTTPProxyPort == 0 && s.ProxyUseAuth == 0 && !s.ProxyUserName[0] && !s.ProxyPassword[0];
}

void AdoptSystemProxy(tagSETTINGS& s, uint32_t proxyEnable, const char16_t* proxyServer) {
  s.UseProxy = static_cast<int32_t>(proxyEnable);
  if (!proxyServer) proxyServer = u"";
  const char16_t* http = FindPart(proxyServer, u"http=");
  // A value of protocol parts without an HTTP part names no HTTP proxy at all.
  if (!http && std::u16string_view(proxyServer).find(u'=') == std::u16string_view::npos)
    http = proxyServer;
  if (http) {
    SplitProxyPart(http, s.HTTPProxyAddress, s.HTTPProxyPort);
    CopyField(s.FTPProxyAddress, s.HTTPProxyAddress);
    s.FTPProxyPort = s.HTTPProxyPort;
    s.HTTPProxyType = 1;
    s.FTPProxyType = 1;
  }
  const char16_t* https = FindPart(proxyServer, u"https=");
  if (https) {
    SplitProxyPart(https, s.HTTPSProxyAddress, s.HTTPSProxyPort);
    s.HTTPSProxyType = 1;
  } else {
    CopyField(s.HTTPSProxyAddress, s.HTTPProxyAddress);
    s.HTTPSProxyPort = s.HTTPProxyPort;
    s.HTTPSProxyType = s.HTTPProxyType;
  }
}

void RemoveDuplicateLinks(tagSETTINGS& s) {
  for (int i = 0; i < SETTINGS_RECENT_URLS; ++i) {
    if (!s.Link[i][0]) continue;
    int j = i + 1;
    while (j < SETTINGS_RECENT_URLS) {
      if (std::u16string_view(s.Link[i]) != std::u16string_view(s.Link[j])) {
        ++j;
        continue;
      }
      std::memmove(s.Link[j], s.Link[j + 1], sizeof(s.Link[0]) * (SETTINGS_RECENT_URLS - 1 - j));
      std::memset(s.Link[SETTINGS_RECENT_URLS - 1], 0, sizeof(s.Link[0]));
    }
  }
}
