// The program's global settings record (`tagSETTINGS`), its one instance and the text
// lock through which threads copy its text fields. Neutral header: the engine includes it
// without the shell's loaders.
// The block is written on the GUI thread only; crawl threads read it through the
// engine's pointer and copy its text fields with CopySettingsText, which sees a text
// either before or after a change made with SetSettingsText, never half of it.
#pragma once

#include <cstdint>

constexpr int SETTINGS_PATH_SIZE = 1024;
constexpr int SETTINGS_RECENT_URLS = 20;

struct tagSETTINGS {
  int32_t CurrLang;
  int32_t MainWndX;
  int32_t MainWndY;
  int32_t MainWndCX;
  int32_t MainWndCY;
  int32_t MainWndMaximized;
  int32_t ShowStartTips;
  int32_t CurrentTip;
  int32_t PrefView;
  uint32_t URLTimeout;
  uint32_t SlowTimeout;
  uint32_t NumThreads;
  uint32_t ThreadsPerServer;
  char16_t CharSet[50];
  char16_t DefCharSet[50];
  int32_t AutosaveWorksheets;
  int32_t DisplayAllLinks;
  int32_t DisplayToolTips;
  char16_t AgentType[256];
  char16_t AgentOS[256];
  int32_t HTTPVer;
  int32_t CloseWhenDone;
  int32_t DisconnWhenDone;
  int32_t ShutdownWhenDone;
  int32_t UseProxy;
  int32_t ProxyBypassLocal;
  int32_t ProxyUseAuth;
  char16_t ProxyUserName[256];
  char16_t ProxyPassword[256];
  int32_t HTTPProxyType;
  char16_t HTTPProxyAddress[256];
  uint16_t HTTPProxyPort;
  int32_t HTTPSProxyType;
  char16_t HTTPSProxyAddress[256];
  uint16_t HTTPSProxyPort;
  int32_t FTPProxyType;
  char16_t FTPProxyAddress[256];
  uint16_t FTPProxyPort;
  char16_t HTTPCodes[256];
  char16_t ExtApp[256];
  char16_t ExtAudio[256];
  char16_t ExtHTML[256];
  char16_t ExtImage[256];
  char16_t ExtText[256];
  char16_t ExtVideo[256];
  char16_t Link[SETTINGS_RECENT_URLS][256];
  int32_t LinksInOutX;
  int32_t LinksInOutY;
  int32_t LinksInOutCX;
  int32_t LinksInOutCY;
  int32_t LinksInOutW1;
  int32_t LinksInOutW2;
  char16_t ActiveFileName[256];
  int32_t UseCache;
  char16_t CacheDir[SETTINGS_PATH_SIZE];
  char16_t CookiesFile[SETTINGS_PATH_SIZE];
  // The user-agent text in the ANSI code page, cut to size - 1 bytes; returns buffer.
  // Callable on any thread.
  char* (*GetUserAgent)(char* buffer, int size);
};

// The one instance, and the paths beside it (GUI thread writes them at start-up).
extern tagSETTINGS g_settings;
extern char16_t g_settingsFile[SETTINGS_PATH_SIZE];
extern char16_t g_autosaveFolder[SETTINGS_PATH_SIZE];
extern char16_t g_documentsFolder[SETTINGS_PATH_SIZE];

// Copies a text field of the block whole (any thread), and replaces one whole (GUI
// thread). size is the room of dst, or of field.
void CopySettingsText(char16_t* dst, int size, const char16_t* field);
void SetSettingsText(char16_t* field, int size, const char16_t* text);
template <int N>
void CopySettingsText(char16_t (&dst)[N], const char16_t* field) {
  CopySettingsText(dst, N, field);
}
template <int N>
void SetSettingsText(char16_t (&field)[N], const char16_t* text) {
  SetSettingsText(field, N, text);
}
