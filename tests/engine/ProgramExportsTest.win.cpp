// The engine and downloader classes through the decorated names the program exports: every
// member is in the export table, and a few are called through it.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstring>
#include <set>
#include <string>

#include "engine/LinkFinder.h"
#include "net/Downloader.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

// The names in this program's export table, read from its own image.
std::set<std::string> ExportedNames() {
  const BYTE* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::set<std::string> names;
  if (!directory.VirtualAddress) return names;
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* offsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    names.insert(reinterpret_cast<const char*>(base + offsets[i]));
  }
  return names;
}

template <class Func>
Func Exported(const char* name) {
  return reinterpret_cast<Func>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), name)));
}

// Storage for an object built through an exported constructor, with guard bytes after it.
template <class T>
struct Slot {
  alignas(T) unsigned char bytes[sizeof(T) + 16];
  Slot() { memset(bytes, 0xA5, sizeof bytes); }
  T* get() { return reinterpret_cast<T*>(bytes); }
  bool GuardIntact() const {
    for (size_t i = sizeof(T); i < sizeof bytes; ++i)
      if (bytes[i] != 0xA5) return false;
    return true;
  }
};

// An out-length the way a Windows caller holds it: 32 bits, with its neighbour watched.
struct WindowsLength {
  DWORD value = 0xFFFFFFFFu;
  DWORD next = 0x5A5A5A5Au;
};

TEST(ProgramExports, EveryMemberOfTheEngineAndTheDownloadersIsExported) {
  static const char* const kNames[] = {
      "?HeaderSetCookie@CLinkFinder@@QEAAHPEA_WPEADK@Z",
      "?HeaderGetCookie@CLinkFinder@@QEAAPEADPEA_W0@Z",
      "?ExportLinks@CLinkFinder@@QEAAHPEAUtagEXPORTLINKSSTRUCT@@@Z",
      "?DrawRelativeProgress@CLinkFinder@@QEAAXH@Z",
      "?FillLinksInOutList@CLinkFinder@@QEAAHPEAUHWND__@@PEA_WH@Z",
      "?MoveDataBase@CLinkFinder@@QEAAHHPEA_W0@Z",
      "?RecheckBadLinks@CLinkFinder@@QEAAHH@Z",
      "??0CLinkFinder@@QEAA@W4oldformat_type@@PEA_W1PEAUtagSETTINGS@@PEAUHWND__@@3333HW4console_"
      "type@@PEAX@Z",
      "??1CLinkFinder@@QEAA@XZ",
      "?Initialized@CLinkFinder@@QEAAHXZ",
      "?LoadCancelled@CLinkFinder@@QEAAHXZ",
      "?SiteURL@CLinkFinder@@QEAAPEA_WXZ",
      "?SiteSrv@CLinkFinder@@QEAAPEA_WXZ",
      "?GetSettings@CLinkFinder@@QEAAPEAUtagSITESETTINGS@@XZ",
      "?GetWindowSettings@CLinkFinder@@QEAAPEAUtagWINDOWSETTINGS@@XZ",
      "?IsStopped@CLinkFinder@@QEAAHXZ",
      "?IsPaused@CLinkFinder@@QEAAHXZ",
      "?SetSettings@CLinkFinder@@QEAAHPEA_WPEAUtagSITESETTINGS@@H@Z",
      "?SetWindowSettings@CLinkFinder@@QEAAHPEAUtagWINDOWSETTINGS@@@Z",
      "?GetTotalData@CLinkFinder@@QEAAXPEAK000000@Z",
      "?FillItemWithURL@CLinkFinder@@QEAAHPEA_W0PEAUtagTreeListItemFull@@PEAH@Z",
      "?LinkDomainExternal@CLinkFinder@@QEAAHPEA_WK@Z",
      "?LookupFileType@CLinkFinder@@QEAA?AW4res_type@@PEA_W@Z",
      "?strcmpcase@CLinkFinder@@QEAAHPEA_W0@Z",
      "?strncmpcase@CLinkFinder@@QEAAHPEA_W0H@Z",
      "?wcharcmpcase@CLinkFinder@@QEAA_N_W0@Z",
      "?wildcmpi@CLinkFinder@@QEAAHPEA_WH0@Z",
      "?CheckRestriction@CLinkFinder@@QEAAHPEA_W0HHH@Z",
      "?CheckLinkAllowed@CLinkFinder@@QEAAHPEAUtagTreeListItemFull@@@Z",
      "?IsWildcardRestricted@CLinkFinder@@QEAAHPEAUtagTreeListItemFull@@@Z",
      "?IsDomainRestricted@CLinkFinder@@QEAAHPEAUtagTreeListItemFull@@@Z",
      "?IsBookmarkRestricted@CLinkFinder@@QEAAHPEAUtagTreeListItemFull@@@Z",
      "?IsRobotsTxtDisallowed@CLinkFinder@@QEAAHPEA_WPEAD@Z",
      "?SubstituteServerName@CLinkFinder@@QEAAXPEA_W0H00@Z",
      "?GetDisplayLink@CLinkFinder@@QEAAXPEA_W0H@Z",
      "?GetLinkFromDisplayBack@CLinkFinder@@QEAAXPEA_WH0@Z",
      "?StartFinder@CLinkFinder@@QEAAHXZ",
      "?SuspendFinder@CLinkFinder@@QEAAHXZ",
      "?ResumeFinder@CLinkFinder@@QEAAHXZ",
      "?StopFinder@CLinkFinder@@QEAAHXZ",
      "?AddLink@CLinkFinder@@QEAAHPEAUtagTreeListItemFull@@@Z",
      "?AddLinkFound@CLinkFinder@@QEAAHPEAUtagTreeListItemFull@@@Z",
      "?AddLinkProcessed@CLinkFinder@@QEAAHPEAUtagTreeListItemFull@@@Z",
      "?ParseHTTPHeader@CLinkFinder@@QEAAXPEADKPEA_W1111@Z",
      "?SaveCachedFile@CLinkFinder@@QEAAXPEAUtagTreeListItemFull@@PEAXK@Z",
      "?StartParseHtmlData@CLinkFinder@@QEAAXPEAUtagTreeListItemFull@@HHPEADK@Z",
      "?query_url_func@CLinkFinder@@QEAAHHPEAD00H000HH0000000PEAH1100HHHH@Z",
      "?report_url_func@CLinkFinder@@QEAAXHHPEAD00H000HH0000000HHH00HHHH@Z",
      "?export_url_func@CLinkFinder@@QEAAXHHHHPEAD00H000HH0000000HHH00HHHHPEAH@Z",
      "?stop_crawler_func@CLinkFinder@@QEAAXPEAX@Z",
      "?feed_start_urls_func@CLinkFinder@@SAHPEAXPEAHPEAD22122211221111@Z",
      "?SetTreeListItem@CLinkFinder@@SAXPEAUtagTreeListItemFull@@PEAV1@@Z",
      "?export_iolinks_func@CLinkFinder@@QEAAXHHHHPEAD00H000HH0000000HHH00HHHHPEAH@Z",
      "?export_layout_func@CLinkFinder@@QEAAXHHHHPEAD00H000HH0000000HHH00HHHHPEAH@Z",
      "?chkbad_report_func@CLinkFinder@@QEAAXHHHHPEAD00H000HH0000000HHH00HHHHPEAH@Z",
      "?export_report_func@CLinkFinder@@QEAAXHHHHPEAD00H000HH0000000HHH00HHHHPEAH@Z",
      "??0CFILEDnld@@QEAA@XZ",
      "??1CFILEDnld@@QEAA@XZ",
      "??4CFILEDnld@@QEAAAEAV0@AEBV0@@Z",
      "?FILEDownload@CFILEDnld@@QEAA?AW4status_type@@PEAPEAXPEAK@Z",
      "?FreeData@CFILEDnld@@QEAAXPEAX@Z",
      "??0CHTTPDnld@@QEAA@XZ",
      "??1CHTTPDnld@@QEAA@XZ",
      "??4CHTTPDnld@@QEAAAEAV0@AEBV0@@Z",
      "?HTTPDownload@CHTTPDnld@@QEAA?AW4status_type@@PEAPEAXPEAK@Z",
      "?FreeData@CHTTPDnld@@QEAAXPEAX@Z",
      "?WriteCallback@CHTTPDnld@@SA_KPEAD_K1PEAX@Z",
      "?HeaderCallback@CHTTPDnld@@SA_KPEAD_K1PEAX@Z",
      "??0CSSLDnld@@QEAA@XZ",
      "??1CSSLDnld@@QEAA@XZ",
      "??4CSSLDnld@@QEAAAEAV0@AEBV0@@Z",
      "?SSLDownload@CSSLDnld@@QEAA?AW4status_type@@PEAPEAXPEAK@Z",
      "?FreeData@CSSLDnld@@QEAAXPEAX@Z",
      "?WriteCallback@CSSLDnld@@SA_KPEAD_K1PEAX@Z",
      "?HeaderCallback@CSSLDnld@@SA_KPEAD_K1PEAX@Z",
  };
  const std::set<std::string> exported = ExportedNames();
  ASSERT_FALSE(exported.empty());
  for (const char* name : kNames) {
    EXPECT_EQ(1u, exported.count(name)) << name;
    EXPECT_NE(nullptr, Exported<void*>(name)) << name;
  }
}

TEST(ProgramExports, AFileIsReadThroughTheExportedMembers) {
  typedef CFILEDnld*(WINAPI * Construct)(CFILEDnld*);
  typedef void(WINAPI * Destruct)(CFILEDnld*);
  typedef CFILEDnld*(WINAPI * Assign)(CFILEDnld*, const CFILEDnld*);
  typedef status_type(WINAPI * Download)(CFILEDnld*, void**, DWORD*);
  typedef void(WINAPI * FreeData)(CFILEDnld*, void*);
  const auto construct = Exported<Construct>("??0CFILEDnld@@QEAA@XZ");
  const auto destruct = Exported<Destruct>("??1CFILEDnld@@QEAA@XZ");
  const auto assign = Exported<Assign>("??4CFILEDnld@@QEAAAEAV0@AEBV0@@Z");
  const auto download =
      Exported<Download>("?FILEDownload@CFILEDnld@@QEAA?AW4status_type@@PEAPEAXPEAK@Z");
  const auto freeData = Exported<FreeData>("?FreeData@CFILEDnld@@QEAAXPEAX@Z");
  ASSERT_TRUE(construct && destruct && assign && download && freeData);

  TestFolder folder(u"tl-exports-");
  const std::u16string file = folder.File(u"page.html");
  const std::string bytes = "<html>exported</html>";
  {
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(out);
  }
  Slot<CFILEDnld> first, second;
  CFILEDnld* filled = construct(first.get());
  CFILEDnld* copy = construct(second.get());
  EXPECT_EQ(u'\0', filled->FileName[0]);
  EXPECT_EQ(0, filled->SizeLimitType);
  std::u16string slashed = file;
  for (char16_t& c : slashed)
    if (c == u'\\') c = u'/';
  slashed.copy(filled->FileName, 2047);
  EXPECT_EQ(copy, assign(copy, filled));

  void* data = nullptr;
  WindowsLength length;
  ASSERT_EQ(ST_SUCCESS, download(copy, &data, &length.value));
  EXPECT_EQ(bytes.size(), length.value);
  EXPECT_EQ(0x5A5A5A5Au, length.next) << "the length fills 32 bits only";
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(bytes, std::string(static_cast<const char*>(data), length.value));
  EXPECT_EQ(file, std::u16string(copy->FileName));
  EXPECT_EQ(std::u16string(u"OK"), copy->StatusText);
  freeData(copy, data);
  freeData(copy, nullptr);
  destruct(copy);
  destruct(filled);
  EXPECT_TRUE(first.GuardIntact() && second.GuardIntact());
}

TEST(ProgramExports, HttpDownloadersKeepTheirDefaultsAndCallbacks) {
  typedef CHTTPDnld*(WINAPI * HttpConstruct)(CHTTPDnld*);
  typedef CSSLDnld*(WINAPI * SslConstruct)(CSSLDnld*);
  typedef size_t(WINAPI * Write)(char*, size_t, size_t, void*);
  typedef void(WINAPI * FreeData)(void*, void*);
  const auto http = Exported<HttpConstruct>("??0CHTTPDnld@@QEAA@XZ");
  const auto ssl = Exported<SslConstruct>("??0CSSLDnld@@QEAA@XZ");
  const auto write = Exported<Write>("?WriteCallback@CHTTPDnld@@SA_KPEAD_K1PEAX@Z");
  const auto freeData = Exported<FreeData>("?FreeData@CHTTPDnld@@QEAAXPEAX@Z");
  ASSERT_TRUE(http && ssl && write && freeData);
  Slot<CHTTPDnld> plain;
  Slot<CSSLDnld> secure;
  CHTTPDnld* h = http(plain.get());
  const CSSLDnld* s = ssl(secure.get());
  EXPECT_EQ(80, h->Port);
  EXPECT_EQ(0, h->ProxyType);
  EXPECT_EQ(443, s->Port);
  EXPECT_EQ(1, s->ProxyType);
  EXPECT_EQ(1, s->Http11);
  EXPECT_STREQ("Mozilla", h->UserAgent);
  char chunk[] = "abcdef";
  h->Data = nullptr;
  h->DataSize = 0;
  EXPECT_EQ(6u, write(chunk, 3, 2, h));
  EXPECT_EQ(2u, write(chunk, 1, 2, h));
  ASSERT_NE(nullptr, h->Data);
  EXPECT_EQ(std::string("abcdefab"), std::string(h->Data, h->DataSize));
  freeData(h, h->Data);
  EXPECT_TRUE(plain.GuardIntact() && secure.GuardIntact());
}

TEST(ProgramExports, RtspOutLengthFillsThirtyTwoBits) {
  typedef CRTSPClnt*(WINAPI * Construct)(CRTSPClnt*);
  typedef status_type(WINAPI * Probe)(CRTSPClnt*, void**, DWORD*);
  typedef void(WINAPI * FreeData)(CRTSPClnt*, void*);
  const auto construct = Exported<Construct>("??0CRTSPClnt@@QEAA@XZ");
  const auto probe = Exported<Probe>("?RTSPClient@CRTSPClnt@@QEAA?AW4status_type@@PEAPEAXPEAK@Z");
  const auto freeData = Exported<FreeData>("?FreeData@CRTSPClnt@@QEAAXPEAX@Z");
  ASSERT_TRUE(construct && probe && freeData);
  Slot<CRTSPClnt> slot;
  CRTSPClnt* client = construct(slot.get());
  const char host[] = "127.0.0.1";
  memcpy(client->HostName, host, sizeof host);
  client->Port = 1;  // nothing listens there
  client->Timeout = 2;
  void* data = nullptr;
  WindowsLength length;
  EXPECT_EQ(ST_FAILURE, probe(client, &data, &length.value));
  EXPECT_EQ(0u, length.value);
  EXPECT_EQ(0x5A5A5A5Au, length.next);
  freeData(client, data);
}

TEST(ProgramExports, AnEngineIsBuiltAndDestroyedOnANewWorksheet) {
  typedef CLinkFinder*(WINAPI * Construct)(CLinkFinder*, oldformat_type, WCHAR*, WCHAR*,
                                           tagSETTINGS*, HWND, HWND, HWND, HWND, HWND, int,
                                           console_type, void*);
  typedef void(WINAPI * Destruct)(CLinkFinder*);
  typedef int(WINAPI * Flag)(CLinkFinder*);
  typedef WCHAR*(WINAPI * Text)(CLinkFinder*);
  typedef tagSITESETTINGS*(WINAPI * Settings)(CLinkFinder*);
  typedef int(WINAPI * SetSettings)(CLinkFinder*, WCHAR*, tagSITESETTINGS*, int);
  typedef void(WINAPI * Totals)(CLinkFinder*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*,
                                DWORD*);
  const auto construct = Exported<Construct>(
      "??0CLinkFinder@@QEAA@W4oldformat_type@@PEA_W1PEAUtagSETTINGS@@PEAUHWND__@@3333HW4console_"
      "type@@PEAX@Z");
  const auto destruct = Exported<Destruct>("??1CLinkFinder@@QEAA@XZ");
  const auto initialized = Exported<Flag>("?Initialized@CLinkFinder@@QEAAHXZ");
  const auto stopped = Exported<Flag>("?IsStopped@CLinkFinder@@QEAAHXZ");
  const auto siteServer = Exported<Text>("?SiteSrv@CLinkFinder@@QEAAPEA_WXZ");
  const auto settings = Exported<Settings>("?GetSettings@CLinkFinder@@QEAAPEAUtagSITESETTINGS@@XZ");
  const auto setSettings =
      Exported<SetSettings>("?SetSettings@CLinkFinder@@QEAAHPEA_WPEAUtagSITESETTINGS@@H@Z");
  const auto totals = Exported<Totals>("?GetTotalData@CLinkFinder@@QEAAXPEAK000000@Z");
  ASSERT_TRUE(construct && destruct && initialized && stopped && siteServer && settings &&
              setSettings && totals);

  TestFolder folder(u"tl-exports-");
  std::u16string file = folder.File(u"new.fdb");
  tagSETTINGS global;
  InitTestSettings(global);
  Slot<CLinkFinder> slot;
  CLinkFinder* engine = construct(slot.get(), OLDFORMAT_NONE, nullptr, &file[0], &global, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, 0, CONSOLE_NONE, nullptr);
  ASSERT_EQ(engine, slot.get());
  ASSERT_EQ(1, initialized(engine));
  EXPECT_EQ(1, stopped(engine));
  EXPECT_EQ(1, settings(engine)->CheckHyperlinks);
  tagSITESETTINGS site = *settings(engine);
  std::u16string url = u"http://example.org:8080/docs/";
  EXPECT_EQ(1, setSettings(engine, &url[0], &site, 0));
  EXPECT_EQ(std::u16string(u"example.org"), siteServer(engine));
  WindowsLength counts[7];
  totals(engine, &counts[0].value, &counts[1].value, &counts[2].value, &counts[3].value,
         &counts[4].value, &counts[5].value, &counts[6].value);
  for (const WindowsLength& count : counts) {
    EXPECT_EQ(0u, count.value);
    EXPECT_EQ(0x5A5A5A5Au, count.next);
  }
  destruct(engine);
  EXPECT_TRUE(slot.GuardIntact());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));

  // The worksheet kept what was set through the table.
  auto reopened = OpenEngine(file, &global);
  ASSERT_EQ(1, reopened->Initialized());
  EXPECT_EQ(url, std::u16string(reopened->SiteURL()));
}

}  // namespace
