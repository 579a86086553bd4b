#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "app/Language.h"
#include "app/SettingsFields.h"
#include "app/StringTable.h"
#include "toolkit/Languages.h"

namespace {

constexpr int32_t kUseDefault = static_cast<int32_t>(0x80000000u);

int KnownCharset(const char16_t* name) {
  return std::u16string(name) == u"UTF-8" || std::u16string(name) == u"windows-1252";
}

tagSETTINGS Defaults() {
  tagSETTINGS s{};
  SetDefaultSettings(s);
  return s;
}

SettingsEnvironment Environment(const uint8_t* bits) {
  return SettingsEnvironment{bits, 1024, 740, KnownCharset, u"Windows 7"};
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

TEST(CorrectSettings, DefaultsBecomeTheFirstStartValues) {
  uint8_t bits[9] = {};
  BitArrayOp(bits, BITARRAY_SET, 17);
  tagSETTINGS s = Defaults();
  CorrectSettings(s, Environment(bits));
  EXPECT_EQ(17, s.CurrLang);
  EXPECT_EQ(kUseDefault, s.MainWndX);
  EXPECT_EQ(kUseDefault, s.MainWndCY);
  EXPECT_EQ(60u, s.URLTimeout);
  EXPECT_EQ(std::u16string(u""), s.CharSet);
  EXPECT_EQ(std::u16string(u"US_ASCII"), s.DefCharSet);
  EXPECT_EQ(std::u16string(u"Internet Explorer v6"), s.AgentType);
  EXPECT_EQ(std::u16string(u"Windows 7"), s.AgentOS);
  EXPECT_EQ(std::u16string(u"200 201 202 301 302 303 307 308 401"), s.HTTPCodes);
  EXPECT_EQ(400, s.LinksInOutCX);
  EXPECT_TRUE(IsProxyUnconfigured(s));
}

TEST(CorrectSettings, OutOfRangeValuesAreCorrected) {
  uint8_t bits[9] = {};
  BitArrayOp(bits, BITARRAY_SET, 17);
  BitArrayOp(bits, BITARRAY_SET, 25);
  const struct {
    const char* name;
    void (*set)(tagSETTINGS&);
    bool (*check)(const tagSETTINGS&);
  } rows[] = {
      {"URLTimeout 0", [](tagSETTINGS& s) { s.URLTimeout = 0; },
       [](const tagSETTINGS& s) { return s.URLTimeout == 1; }},
      {"URLTimeout -5", [](tagSETTINGS& s) { s.URLTimeout = 4294967291u; },
       [](const tagSETTINGS& s) { return s.URLTimeout == 1000; }},
      {"SlowTimeout 1001", [](tagSETTINGS& s) { s.SlowTimeout = 1001; },
       [](const tagSETTINGS& s) { return s.SlowTimeout == 1000; }},
      {"NumThreads 80", [](tagSETTINGS& s) { s.NumThreads = 80; },
       [](const tagSETTINGS& s) { return s.NumThreads == 50; }},
      {"ThreadsPerServer 0", [](tagSETTINGS& s) { s.ThreadsPerServer = 0; },
       [](const tagSETTINGS& s) { return s.ThreadsPerServer == 1; }},
      {"HTTPVer 5", [](tagSETTINGS& s) { s.HTTPVer = 5; },
       [](const tagSETTINGS& s) { return s.HTTPVer == 1; }},
      {"HTTPVer 0 kept", [](tagSETTINGS& s) { s.HTTPVer = 0; },
       [](const tagSETTINGS& s) { return s.HTTPVer == 0; }},
      {"HTTPProxyType 3", [](tagSETTINGS& s) { s.HTTPProxyType = 3; },
       [](const tagSETTINGS& s) { return s.HTTPProxyType == 1; }},
      {"HTTPSProxyType 2 kept", [](tagSETTINGS& s) { s.HTTPSProxyType = 2; },
       [](const tagSETTINGS& s) { return s.HTTPSProxyType == 2; }},
      {"FTPProxyType 2", [](tagSETTINGS& s) { s.FTPProxyType = 2; },
       [](const tagSETTINGS& s) { return s.FTPProxyType == 1; }},
      {"MainWndX -20",
       [](tagSETTINGS& s) {
         s.MainWndX = -20;
         s.MainWndY = 10;
       },
       [](const tagSETTINGS& s) { return s.MainWndX == kUseDefault && s.MainWndY == kUseDefault; }},
      {"MainWndY beyond the screen",
       [](tagSETTINGS& s) {
         s.MainWndX = 10;
         s.MainWndY = 741;
       },
       [](const tagSETTINGS& s) { return s.MainWndX == kUseDefault; }},
      {"MainWnd on screen kept",
       [](tagSETTINGS& s) {
         s.MainWndX = 1024;
         s.MainWndY = 740;
       },
       [](const tagSETTINGS& s) { return s.MainWndX == 1024 && s.MainWndY == 740; }},
      {"CurrLang 999", [](tagSETTINGS& s) { s.CurrLang = 999; },
       [](const tagSETTINGS& s) { return s.CurrLang == 17; }},
      {"CurrLang -1", [](tagSETTINGS& s) { s.CurrLang = -1; },
       [](const tagSETTINGS& s) { return s.CurrLang == 17; }},
      {"CurrLang without its file", [](tagSETTINGS& s) { s.CurrLang = 54; },
       [](const tagSETTINGS& s) { return s.CurrLang == 17; }},
      {"CurrLang available", [](tagSETTINGS& s) { s.CurrLang = 25; },
       [](const tagSETTINGS& s) { return s.CurrLang == 25; }},
      {"CharSet unknown", [](tagSETTINGS& s) { std::memcpy(s.CharSet, u"nope", 10); },
       [](const tagSETTINGS& s) { return s.CharSet[0] == 0; }},
      {"CharSet known", [](tagSETTINGS& s) { std::memcpy(s.CharSet, u"UTF-8", 12); },
       [](const tagSETTINGS& s) { return std::u16string(s.CharSet) == u"UTF-8"; }},
      {"DefCharSet known", [](tagSETTINGS& s) { std::memcpy(s.DefCharSet, u"UTF-8", 12); },
       [](const tagSETTINGS& s) { return std::u16string(s.DefCharSet) == u"UTF-8"; }},
      {"custom AgentType kept", [](tagSETTINGS& s) { std::memcpy(s.AgentType, u"Bot", 8); },
       [](const tagSETTINGS& s) { return std::u16string(s.AgentType) == u"Bot"; }},
  };
  for (const auto& row : rows) {
    tagSETTINGS s = Defaults();
    row.set(s);
    CorrectSettings(s, Environment(bits));
    EXPECT_TRUE(row.check(s)) << row.name;
  }
}

TEST(AdoptSystemProxy, ReadsProxyServerValues) {
  const struct {
    const char16_t* value;
    const char16_t *http, *https;
    uint16_t httpPort, httpsPort;
  } rows[] = {
      {u"proxy:8080", u"proxy", u"proxy", 8080, 8080},
      {u"http=h:80;https=s:443", u"h", u"s", 80, 443},
      {u"HTTP=h:80;HTTPS=s:443;ftp=f:21", u"h", u"s", 80, 443},
      {u"http=h;https=s:443", u"h", u"s", 0, 443},
      {u"https=s:443", u"", u"s", 0, 443},
      {u"ftp=f:21", u"", u"", 0, 0},
      {u"socks=s:1080", u"", u"", 0, 0},
      {u"h:80 other", u"h", u"h", 80, 80},
      {u"host", u"host", u"host", 0, 0},
      {u"h:70000", u"h", u"h", 4464, 4464},
      {u"", u"", u"", 0, 0},
  };
  for (const auto& row : rows) {
    tagSETTINGS s = Defaults();
    AdoptSystemProxy(s, 1, row.value);
    std::string name(row.value, row.value + std::u16string(row.value).size());
    EXPECT_EQ(1, s.UseProxy) << name;
    EXPECT_EQ(std::u16string(row.http), s.HTTPProxyAddress) << name;
    EXPECT_EQ(row.httpPort, s.HTTPProxyPort) << name;
    EXPECT_EQ(std::u16string(row.http), s.FTPProxyAddress) << name;
    EXPECT_EQ(row.httpPort, s.FTPProxyPort) << name;
    EXPECT_EQ(std::u16string(row.https), s.HTTPSProxyAddress) << name;
    EXPECT_EQ(row.httpsPort, s.HTTPSProxyPort) << name;
    EXPECT_EQ(1, s.HTTPProxyType);
    EXPECT_EQ(1, s.HTTPSProxyType);
  }
}

TEST(IsProxyUnconfigured, AnyConfiguredProxyFieldBlocksAdoption) {
  void (*changes[])(tagSETTINGS&) = {
      [](tagSETTINGS& s) { s.UseProxy = 1; },
      [](tagSETTINGS& s) { s.HTTPProxyType = 2; },
      [](tagSETTINGS& s) { s.HTTPProxyAddress[0] = u'h'; },
      [](tagSETTINGS& s) { s.HTTPProxyPort = 8; },
      [](tagSETTINGS& s) { s.ProxyUseAuth = 1; },
      [](tagSETTINGS& s) { s.ProxyUserName[0] = u'u'; },
      [](tagSETTINGS& s) { s.ProxyPassword[0] = u'p'; },
  };
  for (auto change : changes) {
    tagSETTINGS s = Defaults();
    change(s);
    EXPECT_FALSE(IsProxyUnconfigured(s));
  }
}

TEST(RemoveDuplicateLinks, KeepsFirstOccurrencesInOrder) {
  tagSETTINGS s{};
  const char16_t* stored[] = {u"x", u"y", u"x", u"", u"y", u"X", u"z", u"x", u"z"};
  for (int i = 0; i < 9; ++i)
    std::memcpy(s.Link[i], stored[i], (std::u16string(stored[i]).size() + 1) * 2);
  std::memcpy(s.Link[19], u"y", 4);
  RemoveDuplicateLinks(s);
  const char16_t* expected[] = {u"x", u"y", u"", u"X", u"z"};
  for (int i = 0; i < SETTINGS_RECENT_URLS; ++i)
    EXPECT_EQ(std::u16string(i < 5 ? expected[i] : u""), s.Link[i]) << i;
}

// The built-in table, read as the program reads it, fills every item.
class BuiltInTableTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ifstream file(std::getenv("TL_ENGLISH_LNG"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    std::u16string text;
    for (unsigned char c : bytes) {
      ASSERT_LT(c, 0x80) << "the built-in table is plain ASCII";
      text += static_cast<char16_t>(c);
    }
    FreeStringItems(g_stringItems, STRING_ITEM_COUNT);
    strtbl[STR_DATENAMES] = reinterpret_cast<const char16_t*>(g_dateNames);
    strtbl[STR_CAPTIONS] = reinterpret_cast<const char16_t*>(g_captions);
    bool filled[STRING_ITEM_COUNT] = {};
    filledCount = FillStringItems(g_stringItems, STRING_ITEM_COUNT, text.data(),
                                  static_cast<int>(text.size()), STRINGFORMAT_INI, false, filled);
  }
  static void TearDownTestSuite() { FreeStringItems(g_stringItems, STRING_ITEM_COUNT); }
  static int filledCount;
};
int BuiltInTableTest::filledCount = 0;

TEST_F(BuiltInTableTest, HoldsEveryItemAndTheSlotsFollowTheItems) {
  EXPECT_EQ(STRING_ITEM_COUNT, filledCount);
  EXPECT_EQ(std::u16string(u"Close"), strtbl[74]) << "Msg Close";
  EXPECT_EQ(std::u16string(u"Unknown error"), strtbl[423]) << "the last Curl item";
  EXPECT_EQ(std::u16string(u"English (US)"), strtbl[17]);
  EXPECT_EQ(std::u16string(u"OK"), g_captions[0]);
  EXPECT_EQ(std::u16string(u"&Copy"), g_captions[7]);
  EXPECT_EQ(std::u16string(u"Sun"), g_dateNames[0]);
  EXPECT_EQ(std::u16string(u"December"), g_dateNames[37]);
  EXPECT_EQ(std::u16string(u"At line %d column %d"), strtbl[STR_Location_AtPosition]);
  EXPECT_EQ(std::u16string(u"Bookmark \"%s\" found"), strtbl[STR_Status_BookmarkFound]);
  EXPECT_EQ(std::u16string(u"&New\tCtrl-N"), strtbl[STR_Menu_FileNew]);
}

std::u16string MenuText(int kind) {
  char16_t* text = nullptr;
  int length = BuildMenuText(&text, kind);
  std::u16string result(text, static_cast<size_t>(length));
  std::free(text);
  return result;
}

TEST_F(BuiltInTableTest, MenuTextsListPopupsByKindAndTheAvailableLanguages) {
  std::memset(g_languageBits, 0, sizeof(g_languageBits));
  BitArrayOp(g_languageBits, BITARRAY_SET, 17);
  BitArrayOp(g_languageBits, BITARRAY_SET, 25);
  g_settings.CurrLang = 25;
  std::u16string frame = MenuText(MENU_FRAME);
  std::u16string worksheet = MenuText(MENU_WORKSHEET);
  EXPECT_EQ(0u, frame.find(u"<menu><menu title=\"&#38;File\" flags=\"enabled\">"));
  EXPECT_NE(std::u16string::npos,
            frame.find(u"<item title=\"German\" flags=\"checked\" id=\"3025\" />"));
  EXPECT_NE(std::u16string::npos,
            frame.find(u"<item title=\"English (US)\" flags=\"enabled\" id=\"3017\" />"));
  EXPECT_EQ(std::u16string::npos, frame.find(u"id=\"3054\""));
  EXPECT_EQ(std::u16string::npos, frame.find(u"id=\"1102\"")) << "Save is a worksheet command";
  EXPECT_EQ(std::u16string::npos, frame.find(u"id=\"1124\""));
  EXPECT_NE(std::u16string::npos, worksheet.find(u"id=\"1102\""));
  EXPECT_NE(std::u16string::npos, worksheet.find(u"title=\"&#38;Start scanning\\tF5\""));
  EXPECT_EQ(u"</menu></menu>", worksheet.substr(worksheet.size() - 14));
}

// Titles of 8,000 units everywhere (escaped to four times that): the menu is built in
// time linear in its text. The thread's CPU time, so that a loaded machine does not count.
TEST_F(BuiltInTableTest, LongTitlesGrowTheMenuTextBufferQuickly) {
  static const std::u16string longTitle(8000, u'<');
  const char16_t* saved[STRTBL_SLOTS];
  std::memset(g_languageBits, 0xFF, sizeof(g_languageBits));
  for (int i = 0; i < STRTBL_SLOTS; ++i) {
    saved[i] = strtbl[i];
    if (i != STR_DATENAMES && i != STR_CAPTIONS) strtbl[i] = longTitle.c_str();
  }
  const double start = ThreadCpuSeconds();
  std::u16string text = MenuText(MENU_WORKSHEET);
  const double seconds = ThreadCpuSeconds() - start;
  for (int i = 0; i < STRTBL_SLOTS; ++i) strtbl[i] = saved[i];
  EXPECT_GT(text.size(), 72u * 4u * 4000u);
  EXPECT_EQ(u"</menu></menu>", text.substr(text.size() - 14)) << "built completely";
  EXPECT_LT(seconds, 3.0) << "a quadratic build takes many seconds";
}

// Each item fills the slot that StringSlots.h names after its section and key.
TEST(StringItemTable, EveryItemFillsTheSlotNamedAfterIt) {
  std::ifstream header(std::getenv("TL_STRING_SLOTS"));
  std::map<std::string, long> slots;
  for (std::string line; std::getline(header, line);) {
    const size_t name = line.find("STR_");
    const size_t equals = line.find(" = ");
    if (name != std::string::npos && equals != std::string::npos)
      slots[line.substr(name, equals - name)] = std::strtol(line.c_str() + equals + 3, nullptr, 10);
  }
  ASSERT_EQ(static_cast<size_t>(STRTBL_SLOTS), slots.size());
  int named = 0;
  for (const tagSTRINGITEM& item : g_stringItems) {
    // Date names and captions have arrays of their own.
    if (item.destination < strtbl || item.destination >= strtbl + STRTBL_SLOTS) continue;
    ++named;
    std::string name = "STR_";
    for (const char16_t* c = item.section; *c; ++c) name += static_cast<char>(*c);
    name += '_';
    for (const char16_t* c = item.key; *c; ++c) name += static_cast<char>(*c);
    ASSERT_EQ(1u, slots.count(name)) << name;
    EXPECT_EQ(slots[name], item.destination - strtbl) << name;
  }
  EXPECT_EQ(STRTBL_SLOTS - 2, named);
}

}  // namespace
