// Crawl runs for the engine's Winelib tests: a worksheet window that counts end-of-run
// messages, a done event waited for while messages are pumped, and a check hook that
// counts checks or holds the checking worker.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/SettingsRecord.h"
#include "engine/LinkFinder.h"
#include "tests/engine/EngineTestSupport.h"

// What the check hook saw of one link.
struct CheckedLink {
  std::u16string url;
  int32_t restype;
  uint32_t port;
};

// One stored result, read back from the worksheet file.
struct StoredLink {
  int32_t first;
  std::string server;
  std::string resource;
  std::string bookmark;
  int32_t restype;
  std::string title;
  std::string statusstr;
  std::string commentstr;
  int32_t statusval;
  int32_t attempt;
};

class CrawlFixture {
 public:
  CrawlFixture();
  ~CrawlFixture();
  CrawlFixture(const CrawlFixture&) = delete;
  CrawlFixture& operator=(const CrawlFixture&) = delete;

  // A new engine on `file` with the fixture's window, done event and links list.
  CLinkFinder& Open(const std::u16string& file, HWND linksList = nullptr);
  // SetSettings with the site options, then StartFinder; retried while the workers of the
  // last run are still leaving. Returns StartFinder's last result.
  int Start(const std::u16string& url, const tagSITESETTINGS& site);
  // Waits, pumping messages, until the engine signals the end of a run (false after 60 s).
  bool WaitForEnd();
  // Pumps messages until `done` says yes (false after 60 s).
  template <typename Done>
  bool PumpUntil(Done done);
  // Waits for the held check to arrive at the hook.
  bool WaitForHeldCheck();
  void Release();

  // The rows of the worksheet file, read once the engine is gone.
  int32_t Rows(const char* table);
  std::vector<StoredLink> Stored();
  // The file: URL of a path in the fixture's folder.
  static std::u16string FileUrl(const std::u16string& path);

  tagSETTINGS settings;
  std::unique_ptr<CLinkFinder> engine;
  std::u16string file;
  HWND window = nullptr;
  HANDLE done = nullptr;
  // Set on the GUI thread; the window's handler destroys the engine when set.
  bool destroyOnEnd = false;
  int endMessages = 0;

  std::atomic<bool> hold{false};
  HANDLE entered = nullptr;
  HANDLE release = nullptr;
  std::mutex checkedLock;
  std::vector<CheckedLink> checked;
};

template <typename Done>
bool CrawlFixture::PumpUntil(Done isDone) {
  const DWORD deadline = GetTickCount() + 60000;
  while (!isDone()) {
    if (static_cast<int32_t>(GetTickCount() - deadline) > 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return true;
}

void MakeTestFile(const std::u16string& path, const std::string& bytes);
