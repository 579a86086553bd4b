// The stored fields of tagSETTINGS: one row per settings.ini key, in the order the file
// is written, shared by loading, saving and the tests; and the rules applied to values
// after reading. Neutral header; pure functions, callable on any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/Settings.h"

enum SettingsFieldKind : int {
  SETTINGS_INT,   // int32_t, written signed
  SETTINGS_UINT,  // uint32_t, written unsigned
  SETTINGS_PORT,  // uint16_t, the low 16 bits of the stored number
  SETTINGS_TEXT,  // char16_t[size]
};

struct SettingsField {
  const char16_t* key;
  SettingsFieldKind kind;
  size_t offset;
  int size;  // text fields: units of the array
  int32_t intDefault;
  const char16_t* textDefault;  // text fields: null means empty
};

// Every key of section "Options", "CurrLang" to "ActiveFileName".
extern const SettingsField kSettingsFields[];
extern const int kSettingsFieldCount;

int32_t* SettingsInt(tagSETTINGS& settings, const SettingsField& field);
uint32_t* SettingsUint(tagSETTINGS& settings, const SettingsField& field);
uint16_t* SettingsPort(tagSETTINGS& settings, const SettingsField& field);
char16_t* SettingsText(tagSETTINGS& settings, const SettingsField& field);

// Sets one field to its value in `from`, or to its default when from is null; a text under
// the settings text lock (SetSettingsText).
void SetSettingsField(tagSETTINGS& settings, const SettingsField& field, tagSETTINGS* from);
// Every field at its default, as a first start reads them (before the corrections).
void SetDefaultSettings(tagSETTINGS& settings);

// What the corrections need from the system.
struct SettingsEnvironment {
  const uint8_t* languageBits;  // availability bits of the 72 languages
  int screenWidth;              // SM_CXFULLSCREEN
  int screenHeight;             // SM_CYFULLSCREEN
  int (*charsetAvailable)(const char16_t* name);
  const char16_t* defaultAgentOS;
};

// Applies the range and value corrections to freshly read settings.
void CorrectSettings(tagSETTINGS& settings, const SettingsEnvironment& environment);

// True when nothing about a proxy was ever configured.
bool IsProxyUnconfigured(const tagSETTINGS& settings);
// Adopts the system proxy: the enable value (0 when unreadable) and the "ProxyServer" text
// ("host:port", or "http=host:port;https=host:port;..."; empty when unreadable).
void AdoptSystemProxy(tagSETTINGS& settings, uint32_t proxyEnable, const char16_t* proxyServer);

// Removes repeated recent URLs: the first occurrence stays, later ones are dropped and the
// entries behind them move up; emptied entries at the end are cleared.
void RemoveDuplicateLinks(tagSETTINGS& settings);
