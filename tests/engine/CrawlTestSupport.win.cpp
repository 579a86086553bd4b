#include "tests/support/WinGTest.h"

#include "tests/engine/CrawlTestSupport.h"

#include "engine/CheckLinkHook.h"
#include "scandb/ScanDb.h"

namespace {

CrawlFixture* g_fixture = nullptr;

LRESULT CALLBACK WorksheetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_FINDER_DONE && g_fixture) {
    ++g_fixture->endMessages;
    if (g_fixture->destroyOnEnd) g_fixture->engine.reset();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CheckHook(const tagTreeListItemFull* item) {
  CrawlFixture* fixture = g_fixture;
  {
    std::lock_guard<std::mutex> guard(fixture->checkedLock);
    fixture->checked.push_back({item->Url, item->restype, item->port});
  }
  if (fixture->hold.exchange(false)) {
    SetEvent(fixture->entered);
    WaitForSingleObject(fixture->release, 60000);
  }
}

void CollectRow(void* user, int32_t, int32_t, int32_t first, int32_t, const char*, const char*,
                const char* server, int32_t, const char* resource, const char* bookmark,
                const char*, int32_t restype, int32_t, const char* title, const char* statusstr,
                const char* commentstr, const char*, const char* ressize, const char*,
                const char* charset, int32_t statusval, int32_t attempt, int32_t,
                const char* rel_url, const char* rel_title, int32_t line, int32_t col, int32_t,
                int32_t, int32_t*) {
  static_cast<std::vector<StoredLink>*>(user)->push_back(
      {first, server, resource, bookmark, restype, title, statusstr, commentstr, statusval, attempt,
       ressize, charset, rel_url, rel_title, line, col});
}

}  // namespace

CrawlFixture::CrawlFixture() {
  InitTestSettings(settings);
  g_fixture = this;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WorksheetProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = u"TlCrawlWorksheet";
  RegisterClassW(&wc);
  window = CreateWindowW(u"TlCrawlWorksheet", u"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                         nullptr, wc.hInstance, nullptr);
  done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  entered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_checkLinkHook = CheckHook;
}

CrawlFixture::~CrawlFixture() {
  SetEvent(release);
  if (engine && !engine->IsStopped() && !engine->IsPaused()) {
    engine->StopFinder();
    WaitForEnd();
  }
  engine.reset();
  g_checkLinkHook = nullptr;
  DestroyWindow(window);
  CloseHandle(done);
  CloseHandle(entered);
  CloseHandle(release);
  g_fixture = nullptr;
}

CLinkFinder& CrawlFixture::Open(const std::u16string& path, HWND linksList) {
  file = path;
  engine =
      std::make_unique<CLinkFinder>(OLDFORMAT_NONE, file.c_str(), file.c_str(), &settings, nullptr,
                                    window, linksList, nullptr, nullptr, 0, CONSOLE_NONE, done);
  return *engine;
}

int CrawlFixture::Start(const std::u16string& url, const tagSITESETTINGS& site) {
  engine->SetSettings(url.c_str(), &site, 0);
  int started = 0;
  PumpUntil([&] { return (started = engine->StartFinder()) == 1; });
  return started;
}

bool CrawlFixture::WaitForEnd() {
  bool signalled = false;
  return PumpUntil(
      [&] { return signalled || (signalled = WaitForSingleObject(done, 0) == WAIT_OBJECT_0); });
}

bool CrawlFixture::WaitForHeldCheck() {
  bool arrived = false;
  return PumpUntil(
      [&] { return arrived || (arrived = WaitForSingleObject(entered, 0) == WAIT_OBJECT_0); });
}

void CrawlFixture::Release() { SetEvent(release); }

namespace {

void IgnoreRow(void*, int32_t, int32_t, int32_t, int32_t, const char*, const char*, const char*,
               int32_t, const char*, const char*, const char*, int32_t, int32_t, const char*,
               const char*, const char*, const char*, const char*, const char*, const char*,
               int32_t, int32_t, int32_t, const char*, const char*, int32_t, int32_t, int32_t,
               int32_t, int32_t*) {}

// The worksheet file as another program reads it.
struct Reader {
  explicit Reader(const std::u16string& file) {
    tagDBCONTEXTINIT init = {};
    init.KeepReport = 1;
    init.ReportMode = 2;
    init.LoadCallback = IgnoreRow;
    context = DBCreateContext(&init);
    int32_t cancelled = 0;
    open = DBOpenDatabase(context, UnixPath(file).c_str(), &cancelled) == 1;
  }
  ~Reader() { DBFreeContext(context); }
  tagDBCONTEXT* context;
  bool open;
};

}  // namespace

int32_t CrawlFixture::Rows(const char* table) {
  engine.reset();
  Reader reader(file);
  int32_t count = -1;
  if (reader.open) DBCountRows(reader.context, table, &count);
  return count;
}

std::vector<StoredLink> CrawlFixture::Stored() {
  engine.reset();
  std::vector<StoredLink> rows;
  Reader reader(file);
  if (reader.open) DBQueryReport(reader.context, 2, CollectRow, &rows, 0, 0, nullptr);
  return rows;
}

std::u16string CrawlFixture::FileUrl(const std::u16string& path) { return u"file://" + path; }

void MakeTestFile(const std::u16string& path, const std::string& bytes) {
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (!bytes.empty())
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(handle);
}
