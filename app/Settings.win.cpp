// Loading and saving the global settings in settings.ini, with the system's proxy settings as
// defaults. GUI thread.
#include <windows.h>

#include <string>

#include "app/Language.h"
#include "app/Settings.h"
#include "app/SettingsFields.h"
#include "charset/Charset.h"
#include "engine/TextCopy.h"
#include "toolkit/FinderStruct.h"
#include "toolkit/Format.h"
#include "toolkit/Win32Holders.h"

namespace {

const char16_t kOptions[] = u"Options";
const char16_t kSiteDefault[] = u"SiteDefault";

int CharsetAvailable(const char16_t* name) {
  if (!name || !*name) return 0;
  char ansi[50] = {};
  // A name cut inside a character would name another charset; such a name is dropped.
  if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof(ansi) - 1, nullptr, nullptr) == 0)
    return 0;
  return ConvertAvailable(ansi);
}

void ReadField(tagSETTINGS& s, const SettingsField& field) {
  switch (field.kind) {
    case SETTINGS_INT: {
      int32_t fallback = field.intDefault;
      if (field.offset == offsetof(tagSETTINGS, CurrLang))
        fallback = finderstruct.LanguageIdToIndex(GetUserDefaultLangID());
      *SettingsInt(s, field) = static_cast<int32_t>(
          GetPrivateProfileIntW(kOptions, field.key, fallback, g_settingsFile));
      break;
    }
    case SETTINGS_UINT:
      *SettingsUint(s, field) =
          GetPrivateProfileIntW(kOptions, field.key, field.intDefault, g_settingsFile);
      break;
    case SETTINGS_PORT:
      *SettingsPort(s, field) =
          static_cast<uint16_t>(GetPrivateProfileIntW(kOptions, field.key, 0, g_settingsFile));
      break;
    case SETTINGS_TEXT: {
      // Room for the quotes that enclose a full-length text with a blank at either end.
      std::u16string text(static_cast<size_t>(field.size) + 2, u'\0');
      GetPrivateProfileStringW(kOptions, field.key, field.textDefault ? field.textDefault : u"",
                               &text[0], field.size + 2, g_settingsFile);
      CopyText(SettingsText(s, field), field.size, text.c_str());
      break;
    }
  }
}

// Wine's profile reader trims blanks around a value and strips one pair of enclosing
// quotes: a text with a blank or a quote at either end is written enclosed in double
// quotes, which reading removes again.
bool NeedsQuotes(const char16_t* text) {
  const size_t length = std::char_traits<char16_t>::length(text);
  auto edge = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'"' || c == u'\''; };
  return length > 0 && (edge(text[0]) || edge(text[length - 1]));
}

// The field's value as the file holds it.
std::u16string StoredValue(tagSETTINGS& s, const SettingsField& field) {
  char16_t number[16] = {};
  switch (field.kind) {
    case SETTINGS_INT:
      FormatStringW(number, 16, u"%d", *SettingsInt(s, field));
      return number;
    case SETTINGS_UINT:
      FormatStringW(number, 16, u"%u", *SettingsUint(s, field));
      return number;
    case SETTINGS_PORT:
      FormatStringW(number, 16, u"%u", static_cast<uint32_t>(*SettingsPort(s, field)));
      return number;
    case SETTINGS_TEXT: {
      const char16_t* text = SettingsText(s, field);
      return NeedsQuotes(text) ? std::u16string(u"\"") + text + u"\"" : std::u16string(text);
    }
  }
  return number;
}

void ReadSystemProxy(tagSETTINGS& s) {
  DWORD enable = 0;
  char16_t server[257] = {};
  RegKeyHolder key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER,
                    u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, KEY_READ,
                    key.put()) == ERROR_SUCCESS) {
    DWORD type = 0;
    DWORD size = sizeof(enable);
    if (RegQueryValueExW(key.get(), u"ProxyEnable", nullptr, &type,
                         reinterpret_cast<BYTE*>(&enable), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
      enable = 0;
    size = sizeof(server) - sizeof(char16_t);
    if (RegQueryValueExW(key.get(), u"ProxyServer", nullptr, &type, reinterpret_cast<BYTE*>(server),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      server[0] = 0;
    server[256] = 0;
  }
  AdoptSystemProxy(s, enable, server);
}

void LinkKey(char16_t (&key)[16], int index) { FormatStringW(key, 16, u"Link%d", index + 1); }

// A new settings.ini starts as UTF-16 so that the profile functions keep texts outside
// the ANSI code page (addresses, user names) instead of writing them as '?'.
bool CreateUnicodeSettingsFile() {
  const HandleHolder file(CreateFileW(g_settingsFile, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.held()) return false;
  const unsigned char bom[2] = {0xFF, 0xFE};
  DWORD written = 0;
  return WriteFile(file.get(), bom, sizeof(bom), &written, nullptr) && written == sizeof(bom);
}

// The values of one section, written key by key into a file that exists, whose other keys
// stay; a new file has none to keep and gets the section in one write, since Wine writes the
// whole file again for every value written. The first failure's reason is kept.
struct SectionWrite {
  const char16_t* section;
  bool whole;
  DWORD& failure;
  std::u16string lines;

  void Put(const char16_t* key, const char16_t* value) {
    if (whole)
      lines.append(key).append(u"=").append(value).push_back(u'\0');
    else
      Note(WritePrivateProfileStringW(section, key, value, g_settingsFile) != 0);
  }
  void End() {
    if (whole) Note(WritePrivateProfileSectionW(section, lines.c_str(), g_settingsFile) != 0);
  }
  void Note(bool written) {
    if (!written && failure == ERROR_SUCCESS) failure = GetLastError();
  }
};

}  // namespace

int LoadSettings() {
  tagSETTINGS& s = g_settings;
  for (int i = 0; i < kSettingsFieldCount; ++i) ReadField(s, kSettingsFields[i]);
  char16_t defaultOS[256] = {};
  BuildDefaultAgentOS(defaultOS);
  SettingsEnvironment environment{g_languageBits, GetSystemMetrics(SM_CXFULLSCREEN),
                                  GetSystemMetrics(SM_CYFULLSCREEN), CharsetAvailable, defaultOS};
  CorrectSettings(s, environment);
  if (IsProxyUnconfigured(s)) ReadSystemProxy(s);
  s.GetUserAgent = GetUserAgent;
  for (int i = 0; i < SETTINGS_RECENT_URLS; ++i) {
    char16_t key[16];
    LinkKey(key, i);
    GetPrivateProfileStringW(kSiteDefault, key, u"", s.Link[i], 256, g_settingsFile);
  }
  RemoveDuplicateLinks(s);
  return 1;
}

int SaveSettings() {
  if (!CreateFolderPath(g_settingsFile, 1)) return 0;
  const bool created =
      GetFileAttributesW(g_settingsFile) == INVALID_FILE_ATTRIBUTES && CreateUnicodeSettingsFile();
  tagSETTINGS& s = g_settings;
  // Every value is tried.
  DWORD failure = ERROR_SUCCESS;
  SectionWrite options{kOptions, created, failure, {}};
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const SettingsField& field = kSettingsFields[i];
    options.Put(field.key, StoredValue(s, field).c_str());
  }
  options.End();
  SectionWrite recent{kSiteDefault, created, failure, {}};
  for (int i = 0; i < SETTINGS_RECENT_URLS; ++i) {
    char16_t key[16];
    LinkKey(key, i);
    recent.Put(key, s.Link[i]);
  }
  recent.End();
  if (failure == ERROR_SUCCESS) return 1;
  SetLastError(failure);
  return 0;
}

char* GetUserAgent(char* buffer, int size) {
  if (!buffer || size < 1) return buffer;
  char16_t agentType[256], agentOS[256], text[612];
  CopySettingsText(agentType, g_settings.AgentType);
  CopySettingsText(agentOS, g_settings.AgentOS);
  int units = FormatStringW(text, 612, u"Mozilla/4.0 (compatible; %s; %s)", agentType, agentOS);
  std::string ansi(static_cast<size_t>(units) * 2 + 1, '\0');
  int bytes = WideCharToMultiByte(CP_ACP, 0, text, units, &ansi[0], static_cast<int>(ansi.size()),
                                  nullptr, nullptr);
  int keep = 0;
  // Never end on the first byte of a two-byte character.
  while (keep < bytes) {
    int step = IsDBCSLeadByte(static_cast<BYTE>(ansi[keep])) ? 2 : 1;
    if (keep + step > size - 1 || keep + step > bytes) break;
    keep += step;
  }
  ansi.copy(buffer, static_cast<size_t>(keep));
  buffer[keep] = 0;
  return buffer;
}

char16_t* BuildDefaultAgentOS(char16_t* out) {
  out[0] = 0;
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return out;
  const char16_t* name = nullptr;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (info.dwMajorVersion == 6)
      name = info.dwMinorVersion == 0 ? u"Windows Vista" : u"Windows 7";
    else if (info.dwMajorVersion == 5)
      name = info.dwMinorVersion == 0   ? u"Windows 2000"
             : info.dwMinorVersion == 1 ? u"Windows XP"
                                        : u"Windows Server 2003";
    else
      name = u"Windows NT";
  } else if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    name = info.dwMinorVersion == 0    ? u"Windows 95"
           : info.dwMinorVersion == 10 ? u"Windows 98"
                                       : u"Windows Me";
  }
  if (name)
    CopyText(out, 256, name);
  else
    FormatStringW(out, 256, u"Windows %02x:%02x.%02x", info.dwPlatformId, info.dwMajorVersion,
                  info.dwMinorVersion);
  return out;
}
