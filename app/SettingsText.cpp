// The global settings record and its folders, and the lock that keeps their text fields whole while
// workers copy them.
#include <mutex>

#include "app/SettingsRecord.h"
#include "engine/TextCopy.h"

tagSETTINGS g_settings;
char16_t g_settingsFile[SETTINGS_PATH_SIZE];
char16_t g_autosaveFolder[SETTINGS_PATH_SIZE];
char16_t g_documentsFolder[SETTINGS_PATH_SIZE];

namespace {

// Crawl threads copy text fields while the settings dialog may replace them.
std::mutex& SettingsTextLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

void CopySettingsText(char16_t* dst, int size, const char16_t* field) {
  std::lock_guard<std::mutex> hold(SettingsTextLock());
  CopyText(dst, size, field);
}

void SetSettingsText(char16_t* field, int size, const char16_t* text) {
  std::lock_guard<std::mutex> hold(SettingsTextLock());
  CopyText(field, size, text);
}
