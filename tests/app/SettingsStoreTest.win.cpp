#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Language.h"
#include "app/Settings.h"
#include "app/SettingsFields.h"
#include "app/SettingsPaths.h"
#include "app/StringTable.h"
#include "tests/support/TempFolder.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Languages.h"

namespace {

const char16_t kProgramKey[] = u"Software\\Quillory\\TessalineLite";

// A fresh folder under %TEMP%, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    char16_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = temp;
    path_ += u"tlapp" +
             std::u16string(1, static_cast<char16_t>(u'a' + GetCurrentProcessId() % 26)) +
             std::u16string(1, static_cast<char16_t>(u'a' + GetTickCount() % 26));
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() { Remove(path_); }
  const std::u16string& path() const { return path_; }

 private:
  static void Remove(const std::u16string& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + u"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::u16string name = data.cFileName;
        if (name == u"." || name == u"..") continue;
        std::u16string full = folder + u"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(full);
        else
          DeleteFileW(full.c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
  }
  std::u16string path_;
};

void SetProxyRegistry(const char16_t* server, bool enable) {
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER,
                  u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (server) {
    DWORD value = enable ? 1 : 0;
    RegSetValueExW(key, u"ProxyEnable", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                   sizeof(value));
    RegSetValueExW(key, u"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server),
                   static_cast<DWORD>((std::u16string(server).size() + 1) * 2));
  } else {
    RegDeleteValueW(key, u"ProxyEnable");
    RegDeleteValueW(key, u"ProxyServer");
  }
  RegCloseKey(key);
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  TempFolder folder;
  void SetUp() override {
    DllInit();
    std::memset(g_languageBits, 0, sizeof(g_languageBits));
    BitArrayOp(g_languageBits, BITARRAY_SET, 17);
    std::memset(&g_settings, 0, sizeof(g_settings));
    std::u16string file = folder.path() + u"\\sub\\settings.ini";
    std::memcpy(g_settingsFile, file.c_str(), (file.size() + 1) * 2);
    SetProxyRegistry(nullptr, false);
  }
};

TEST_F(SettingsStoreTest, AnEmptyFolderGivesEveryDefaultAndAdoptsTheSystemProxy) {
  SetProxyRegistry(u"http=h:80;https=s:443", true);
  EXPECT_EQ(1, LoadSettings());
  SetProxyRegistry(nullptr, false);
  const tagSETTINGS& s = g_settings;
  EXPECT_EQ(17, s.CurrLang);
  EXPECT_EQ(static_cast<int32_t>(CW_USEDEFAULT), s.MainWndX);
  EXPECT_EQ(static_cast<int32_t>(CW_USEDEFAULT), s.MainWndCX);
  EXPECT_EQ(1, s.ShowStartTips);
  EXPECT_EQ(60u, s.URLTimeout);
  EXPECT_EQ(5u, s.SlowTimeout);
  EXPECT_EQ(10u, s.NumThreads);
  EXPECT_EQ(5u, s.ThreadsPerServer);
  EXPECT_EQ(std::u16string(u""), s.CharSet);
  EXPECT_EQ(std::u16string(u"US_ASCII"), s.DefCharSet);
  EXPECT_EQ(std::u16string(u"Internet Explorer v6"), s.AgentType);
  char16_t os[256];
  EXPECT_EQ(std::u16string(BuildDefaultAgentOS(os)), s.AgentOS);
  EXPECT_NE(0, s.AgentOS[0]);
  EXPECT_EQ(1, s.HTTPVer);
  EXPECT_EQ(1, s.AutosaveWorksheets);
  EXPECT_EQ(1, s.UseProxy);
  EXPECT_EQ(std::u16string(u"h"), s.HTTPProxyAddress);
  EXPECT_EQ(80, s.HTTPProxyPort);
  EXPECT_EQ(std::u16string(u"h"), s.FTPProxyAddress);
  EXPECT_EQ(std::u16string(u"s"), s.HTTPSProxyAddress);
  EXPECT_EQ(443, s.HTTPSProxyPort);
  EXPECT_EQ(std::u16string(u"asc csv prn rtf rtx txt"), s.ExtText);
  EXPECT_EQ(std::u16string(u"200 201 202 301 302 303 307 308 401"), s.HTTPCodes);
  EXPECT_EQ(-1, s.LinksInOutX);
  EXPECT_EQ(180, s.LinksInOutW2);
  EXPECT_EQ(GetUserAgent, s.GetUserAgent);
  for (const auto& link : s.Link) EXPECT_EQ(0, link[0]);
}

TEST_F(SettingsStoreTest, SaveThenLoadKeepsEveryStoredFieldInTableOrder) {
  LoadSettings();
  tagSETTINGS& s = g_settings;
  BitArrayOp(g_languageBits, BITARRAY_SET, 25);
  s.CurrLang = 25;
  s.MainWndX = 10;
  s.MainWndY = 20;
  s.MainWndCX = -7;
  s.URLTimeout = 999;
  s.NumThreads = 3;
  SetSettingsText(s.CharSet, u"UTF-8");
  SetSettingsText(s.AgentType, u"Bot \u0416");
  s.HTTPVer = 0;
  s.UseProxy = 1;
  SetSettingsText(s.ProxyPassword, u"p\u00E4ss");
  s.HTTPSProxyType = 2;
  SetSettingsText(s.HTTPSProxyAddress, u"secure.example");
  s.HTTPSProxyPort = 65535;
  SetSettingsText(s.ExtVideo, u"mkv");
  SetSettingsText(s.Link[0], u"http://a.example/\u20AC");
  SetSettingsText(s.Link[1], u"http://b.example/");
  s.LinksInOutX = -300;
  SetSettingsText(s.ActiveFileName, u"w.fdb.tsn");
  tagSETTINGS saved = s;
  EXPECT_EQ(1, SaveSettings());
  std::memset(&g_settings, 0, sizeof(g_settings));
  LoadSettings();
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const SettingsField& f = kSettingsFields[i];
    std::string key(f.key, f.key + std::u16string(f.key).size());
    switch (f.kind) {
      case SETTINGS_INT:
        EXPECT_EQ(*SettingsInt(saved, f), *SettingsInt(s, f)) << key;
        break;
      case SETTINGS_UINT:
        EXPECT_EQ(*SettingsUint(saved, f), *SettingsUint(s, f)) << key;
        break;
      case SETTINGS_PORT:
        EXPECT_EQ(*SettingsPort(saved, f), *SettingsPort(s, f)) << key;
        break;
      case SETTINGS_TEXT:
        EXPECT_EQ(std::u16string(SettingsText(saved, f)), SettingsText(s, f)) << key;
        break;
    }
  }
  for (int i = 0; i < SETTINGS_RECENT_URLS; ++i)
    EXPECT_EQ(std::u16string(saved.Link[i]), s.Link[i]);

  std::string bytes = ReadFileBytes(g_settingsFile);
  std::u16string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  size_t last = 0;
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    size_t at = text.find(u"\n" + std::u16string(kSettingsFields[i].key) + u"=");
    ASSERT_NE(std::u16string::npos, at) << i;
    EXPECT_GT(at, last) << "key order, row " << i;
    last = at;
  }
  EXPECT_GT(text.find(u"[SiteDefault]"), last);
  EXPECT_NE(std::u16string::npos, text.find(u"\nHTTPSProxyPort=65535"));
  EXPECT_NE(std::u16string::npos, text.find(u"\nLinksInOutX=-300"));
}

// The profile reader trims blanks and strips one pair of enclosing quotes: such texts are
// written so that they read back as they were.
TEST_F(SettingsStoreTest, TextsWithBlanksOrQuotesAtTheirEndsReadBackUnchanged) {
  const std::u16string longBlank = u" " + std::u16string(253, u'x') + u" ";
  const char16_t* texts[] = {
      u"secret ", u" secret", u"\"quoted\"", u"'single'",          u"a\"",           u"\"a",
      u"\t",      u"\"",      u"  ",         u"in \"the\" middle", longBlank.c_str()};
  LoadSettings();
  for (const char16_t* text : texts) {
    SetSettingsText(g_settings.ProxyPassword, text);
    SetSettingsText(g_settings.HTTPProxyAddress, text);
    ASSERT_EQ(1, SaveSettings());
    std::memset(&g_settings, 0, sizeof(g_settings));
    LoadSettings();
    const std::string shown(text, text + std::u16string(text).size());
    EXPECT_EQ(std::u16string(text), g_settings.ProxyPassword) << shown;
    EXPECT_EQ(std::u16string(text), g_settings.HTTPProxyAddress) << shown;
  }
}

TEST_F(SettingsStoreTest, GarbageValuesLoadAsDefaultsOrCorrectedValues) {
  const std::vector<std::string> files = {
      "[Options]\r\nURLTimeout=abc\r\nNumThreads=99999999999\r\nHTTPProxyPort=70000\r\n"
      "CurrLang=-3\r\nAgentType=" +
          std::string(400, 'x') + "\r\nCharSet=\x01\x02\xFF\r\n",
      std::string("\0\x01\x02\xFF[Options]\nHTTPVer=7\n\xFE\xFF", 17),
      "no sections at all\nURLTimeout=0\n",
  };
  for (size_t f = 0; f < files.size(); ++f) {
    const std::string& content = files[f];
    CreateDirectoryW((folder.path() + u"\\sub").c_str(), nullptr);
    WriteFileBytes(g_settingsFile, content);
    LoadSettings();
    const tagSETTINGS& s = g_settings;
    EXPECT_GE(s.URLTimeout, 1u);
    EXPECT_LE(s.URLTimeout, 1000u);
    EXPECT_LE(s.NumThreads, 50u);
    EXPECT_EQ(17, s.CurrLang);
    EXPECT_EQ(1, s.HTTPVer);
    EXPECT_EQ(0, s.CharSet[0]);
    EXPECT_LE(std::u16string(s.AgentType).size(), 255u);
    if (f == 0) {
      EXPECT_EQ(4464, s.HTTPProxyPort) << "the low 16 bits of 70000";
    }
  }

  const char16_t unicode[] = u"\uFEFF[Options]\r\nNumThreads=7\r\nAgentOS=\u0416 OS\r\n";
  WriteFileBytes(g_settingsFile,
                 std::string(reinterpret_cast<const char*>(unicode), sizeof(unicode) - 2));
  LoadSettings();
  EXPECT_EQ(7u, g_settings.NumThreads) << "UTF-16 with a byte-order mark";
  EXPECT_EQ(std::u16string(u"\u0416 OS"), g_settings.AgentOS);
  WriteFileBytes(g_settingsFile,
                 std::string(reinterpret_cast<const char*>(unicode + 1), sizeof(unicode) - 4));
  LoadSettings();
  EXPECT_EQ(10u, g_settings.NumThreads) << "UTF-16 without a byte-order mark reads as defaults";
}

// The wider default is for new settings files: a list the file holds, the old default
// included, is the user's.
TEST_F(SettingsStoreTest, AStoredSuccessCodeListStaysAsTheUserHasIt) {
  CreateDirectoryW((folder.path() + u"\\sub").c_str(), nullptr);
  for (const char16_t* codes : {u"200 201 202 301 302 401", u"200", u""}) {
    std::string content = "[Options]\r\nHTTPCodes=";
    for (const char16_t* c = codes; *c; ++c) content += static_cast<char>(*c);
    WriteFileBytes(g_settingsFile, content + "\r\n");
    LoadSettings();
    EXPECT_EQ(std::u16string(codes), g_settings.HTTPCodes);
  }
}

TEST_F(SettingsStoreTest, AConfiguredProxyIsNeverReplaced) {
  CreateDirectoryW((folder.path() + u"\\sub").c_str(), nullptr);
  const char content[] = "[Options]\r\nProxyUserName=me\r\n";
  WriteFileBytes(g_settingsFile, content);
  SetProxyRegistry(u"other:1", true);
  LoadSettings();
  SetProxyRegistry(nullptr, false);
  EXPECT_EQ(0, g_settings.UseProxy);
  EXPECT_EQ(0, g_settings.HTTPProxyAddress[0]);
}

TEST_F(SettingsStoreTest, UserAgentIsCutAtTheBufferSize) {
  LoadSettings();
  SetSettingsText(g_settings.AgentType, u"Internet Explorer v6");
  SetSettingsText(g_settings.AgentOS, u"Windows XP");
  char agent[128];
  EXPECT_EQ(agent, GetUserAgent(agent, sizeof(agent)));
  EXPECT_STREQ("Mozilla/4.0 (compatible; Internet Explorer v6; Windows XP)", agent);
  char shortAgent[8];
  std::memset(shortAgent, 'z', sizeof(shortAgent));
  GetUserAgent(shortAgent, 8);
  EXPECT_STREQ("Mozilla", shortAgent);
}

TEST_F(SettingsStoreTest, ASaveThatCannotWriteSaysSo) {
  // The settings file is a folder: every write fails.
  ASSERT_EQ(1, CreateFolderPath(g_settingsFile, 0));
  EXPECT_EQ(0, SaveSettings());
  // Its folder is a file: the folder cannot be made.
  const std::u16string blocked = folder.path() + u"\\file";
  HANDLE file = CreateFileW(blocked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  const std::u16string inside = blocked + u"\\settings.ini";
  std::memcpy(g_settingsFile, inside.c_str(), (inside.size() + 1) * 2);
  EXPECT_EQ(0, SaveSettings());
}

TEST_F(SettingsStoreTest, CreateFolderPathMakesEveryLevelAndKeepsTheCurrentDirectory) {
  char16_t before[MAX_PATH], after[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  std::u16string nested = folder.path() + u"\\a\\b\\c";
  EXPECT_EQ(1, CreateFolderPath((nested + u"\\file.ini").c_str(), 1));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(nested.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((nested + u"\\file.ini").c_str()));
  EXPECT_EQ(1, CreateFolderPath(nested.c_str(), 0)) << "an existing folder";
  EXPECT_EQ(1, CreateFolderPath((nested + u"\\d").c_str(), 0));
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_EQ(std::u16string(before), after);
  EXPECT_EQ(0, CreateFolderPath(u"", 0));
}

TEST(SettingsFolder, ResolutionOrderAndWriteBack) {
  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  const char16_t stored[] = u"%TEMP%\\tl settings";
  RegSetValueExW(key, u"SettingsDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored),
                 sizeof(stored));
  InitSettingsPaths();
  char16_t temp[MAX_PATH];
  GetEnvironmentVariableW(u"TEMP", temp, MAX_PATH);
  EXPECT_EQ(std::u16string(temp) + u"\\tl settings\\settings.ini", g_settingsFile);
  EXPECT_EQ(std::u16string(temp) + u"\\tl settings\\AutoSave", g_autosaveFolder);
  EXPECT_EQ(std::u16string(temp) + u"\\tl settings\\cookies.txt", g_settings.CookiesFile);
  EXPECT_EQ(std::u16string(temp) + u"\\tl settings\\cache", g_settings.CacheDir);

  RegDeleteValueW(key, u"SettingsDir");
  char16_t local[1024] = {};
  DWORD size = sizeof(local) - 2;
  RegGetValueW(HKEY_CURRENT_USER,
               u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell folders",
               u"Local AppData", RRF_RT_REG_SZ, nullptr, local, &size);
  char16_t folder[1024];
  ResolveSettingsFolder(folder);
  if (local[0]) {
    EXPECT_EQ(std::u16string(local) + u"\\Tessaline Lite", folder);
  }
  InitSettingsPaths();
  char16_t written[1024] = {};
  size = sizeof(written) - 2;
  EXPECT_EQ(ERROR_SUCCESS,
            RegGetValueW(key, nullptr, u"SettingsDir", RRF_RT_REG_SZ, nullptr, written, &size));
  EXPECT_EQ(std::u16string(folder), written) << "written back for later starts";
  RegDeleteValueW(key, u"SettingsDir");
  RegCloseKey(key);

  InitDocumentsFolder();
  EXPECT_NE(0, g_documentsFolder[0]);
  EXPECT_EQ(std::u16string::npos, std::u16string(g_documentsFolder).find(u'%')) << "expanded";
}

class LanguageTest : public ::testing::Test {
 protected:
  TempFolder root;
  std::u16string program;
  void SetUp() override {
    DllInit();
    std::memset(g_languageBits, 0, sizeof(g_languageBits));
    program = root.path() + u"\\x\\bin";
    CreateFolderPath(program.c_str(), 0);
    CreateFolderPath((program + u"\\lngfiles").c_str(), 0);
    CreateFolderPath((root.path() + u"\\lngfiles").c_str(), 0);
  }
  void TearDown() override { FreeStringTable(); }
};

TEST_F(LanguageTest, ScanFindsFilesInBothFoldersWithoutRegardToCase) {
  WriteFileBytes(program + u"\\lngfiles\\GERMAN.LNG", "");
  WriteFileBytes(program + u"\\lngfiles\\klingon.lng", "");
  WriteFileBytes(root.path() + u"\\lngfiles\\french.lng", "");
  ScanLanguageFiles(program.c_str());
  for (int i = 0; i < LANGUAGE_COUNT; ++i)
    EXPECT_EQ(i == 17 || i == 23 || i == 25 ? 1 : 0, BitArrayOp(g_languageBits, BITARRAY_TEST, i))
        << i;
}

TEST_F(LanguageTest, StringTableFromAnEmptySourceIsTheBuiltInTable) {
  EXPECT_TRUE(LoadStringTable(u""));
  for (int i = 0; i < STRTBL_SLOTS; ++i) ASSERT_NE(nullptr, strtbl[i]) << i;
  EXPECT_EQ(reinterpret_cast<const char16_t*>(g_dateNames), strtbl[72]);
  EXPECT_EQ(reinterpret_cast<const char16_t*>(g_captions), strtbl[73]);
  EXPECT_EQ(std::u16string(u"Close"), strtbl[74]);
  EXPECT_EQ(std::u16string(u"Unknown error"), strtbl[423]);
  EXPECT_EQ(std::u16string(u"At line %d column %d"), strtbl[STR_Location_AtPosition]);
  EXPECT_EQ(std::u16string(u"Saturday"), g_dateNames[13]);
  EXPECT_EQ(std::u16string(u"Cancel"), g_captions[1]);
}

TEST_F(LanguageTest, LoadLanguageFallsBackToEnglishFilesAndTexts) {
  const char german[] =
      "[Msg]\r\nOK=Jawohl\r\nClose=Schlie\xDF"
      "en 50%\r\n[Menu]\r\nFile=<&Datei>\r\n";
  WriteFileBytes(program + u"\\lngfiles\\german.lng", german);
  WriteFileBytes(program + u"\\lngfiles\\englishus.chm", "");
  ScanLanguageFiles(program.c_str());
  g_settings.CurrLang = 25;
  EXPECT_TRUE(LoadLanguage(program.c_str()));
  EXPECT_EQ(program + u"\\lngfiles\\german.lng", g_languageFile);
  EXPECT_EQ(program + u"\\lngfiles\\englishus.chm", g_helpFile) << "no German help file anywhere";
  EXPECT_EQ(std::u16string(u"Jawohl"), g_captions[0]);
  if (GetACP() == 1252) {
    EXPECT_EQ(std::u16string(u"Schlie\u00DFen 50%%"), strtbl[STR_Msg_Close]);
  }
  EXPECT_EQ(std::u16string(u"Cancel"), g_captions[1])
      << "missing items come from the built-in table";

  char16_t* text = nullptr;
  int length = BuildMenuText(&text, MENU_FRAME);
  ASSERT_NE(nullptr, text);
  int mismatch = -1;
  HMENU bar = finderstruct.CreateXmlMenu(text, length, &mismatch);
  std::free(text);
  EXPECT_EQ(0, mismatch);
  ASSERT_EQ(4, GetMenuItemCount(bar));
  char16_t title[128];
  GetMenuStringW(bar, 0, title, 128, MF_BYPOSITION);
  EXPECT_EQ(std::u16string(u"<&Datei>"), title) << "a translated title cannot break the menu";
  HMENU settings = GetSubMenu(bar, 1);
  HMENU languages = GetSubMenu(settings, 0);
  ASSERT_NE(nullptr, languages);
  ASSERT_EQ(4, GetMenuItemCount(languages));
  EXPECT_EQ(3017u, GetMenuItemID(languages, 0));
  EXPECT_EQ(3025u, GetMenuItemID(languages, 1));
  EXPECT_TRUE(GetMenuState(languages, 1, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(1110u, GetMenuItemID(languages, 3));
  GetMenuStringW(bar, 2, title, 128, MF_BYPOSITION);
  EXPECT_EQ(std::u16string(u"&Window"), title) << "the Window popup of the frame menu";
  DestroyMenu(bar);

  length = BuildMenuText(&text, MENU_WORKSHEET);
  bar = finderstruct.CreateXmlMenu(text, length, &mismatch);
  std::free(text);
  EXPECT_EQ(7, GetMenuItemCount(bar));
  GetMenuStringW(bar, 5, title, 128, MF_BYPOSITION);
  EXPECT_EQ(std::u16string(u"&Window"), title);
  DestroyMenu(bar);
}

int g_answer;
int g_asked;
int RecordingMessageBox(HWND, const char16_t*, const char16_t*, UINT, ...) {
  ++g_asked;
  return g_answer;
}

LRESULT CALLBACK RefusingClose(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window, message, w, l);
}

TEST_F(LanguageTest, LanguageChangeAsksAndRestartsUnlessTheCloseIsRefused) {
  LoadStringTable(u"");
  finderstruct.AnimatedMessageBox = RecordingMessageBox;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = RefusingClose;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = u"RefusingFrame";
  RegisterClassW(&wc);
  HWND refusing = CreateWindowW(u"RefusingFrame", u"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
  HWND closing =
      CreateWindowW(u"STATIC", u"", 0, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);

  g_settings.CurrLang = 17;
  int restart = 0;
  g_asked = 0;
  EXPECT_EQ(0, ChangeLanguage(closing, 17, &restart));
  EXPECT_EQ(0, g_asked) << "the same language asks nothing";
  g_answer = IDNO;
  EXPECT_EQ(0, ChangeLanguage(closing, 25, &restart));
  EXPECT_EQ(17, g_settings.CurrLang);
  g_answer = IDYES;
  EXPECT_EQ(1, ChangeLanguage(refusing, 25, &restart));
  EXPECT_EQ(25, g_settings.CurrLang);
  EXPECT_EQ(0, restart) << "a refused close clears the restart";
  g_settings.CurrLang = 17;
  EXPECT_EQ(1, ChangeLanguage(closing, 23, &restart));
  EXPECT_EQ(23, g_settings.CurrLang);
  EXPECT_EQ(1, restart);
  EXPECT_FALSE(IsWindow(closing));
  DestroyWindow(refusing);
  finderstruct.AnimatedMessageBox = nullptr;
}

}  // namespace
