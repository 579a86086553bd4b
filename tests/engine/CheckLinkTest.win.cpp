// The check of links on a crawl of local pages, the reply-header fields, the status-code
// list and the cache files.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "engine/ControlWrappers.h"
#include "engine/StatusCodeList.h"
#include "engine/TextHelpers.h"
#include "tests/engine/CrawlTestSupport.h"

namespace {

std::string Utf8(const std::u16string& text) {
  std::string out(text.size() * 3 + 1, '\0');
  out.resize(
      static_cast<size_t>(Utf16ToUtf8Z(text.c_str(), &out[0], static_cast<int>(out.size()))));
  return out;
}

bool ValidUtf8(const std::string& text) {
  std::u16string wide(text.size() + 1, u'\0');
  return static_cast<size_t>(Utf8ToUtf16(text.data(), static_cast<uint32_t>(text.size()), &wide[0],
                                         static_cast<int>(wide.size()))) > 0 ||
         text.empty();
}

class CheckLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSiteSettings(site_);
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    list_ = MakeReportList(crawl_.window, 15);
  }
  std::u16string Write(const std::u16string& name, const std::string& bytes) {
    const std::u16string path = folder_.File(name);
    MakeTestFile(path, bytes);
    return path;
  }
  std::u16string RowText(int row, int column) {
    WCHAR text[1024] = {};
    ListView_GetItemTextU(list_, row, column, text, 1024);
    return text;
  }
  uint32_t RowData(int row) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<uint32_t>(item.lParam);
  }

  TestFolder folder_{u"tl-check-"};
  CrawlFixture crawl_;
  tagSITESETTINGS site_;
  HWND list_ = nullptr;
};

TEST_F(CheckLinkTest, LocalSiteIsCrawledThroughItsLinks) {
  std::u16string title;
  for (int i = 0; i < 255; ++i) title += static_cast<char16_t>(u'а' + i % 32);
  const std::string index = "<html><head><title>" + Utf8(title) +
                            "</title>\n"
                            "<link rel=\"stylesheet\" href=\"s.css\">\n"
                            "<LINK REL='alternate' HREF='feed.xml'>\n"
                            "<!-- <a href=\"hidden.html\"> -->\n"
                            "<script>document.write('<a href=\"scripted.html\">');</script>\n"
                            "</head><body>\n"
                            "<a href=\"a.html\">A</a> <img src=\"logo.gif\">\n"
                            "<a href=\"missing.html\">gone</a>\n"
                            "<a href=\"mailto:someone@example.test\">mail</a>\n"
                            "<img\r\n  src='gone.gif'>\n"
                            "<option value=\"b.html\">\n"
                            "</body></html>";
  const std::u16string start = Write(u"index.html", index);
  Write(u"a.html", "<a href=\"index.html\">back</a><a href='b.html'>b</a>");
  Write(u"b.html", "<html><title>B &amp; more</title></html>");
  Write(u"logo.gif", "GIF89a");
  Write(u"s.css", "body {}");
  site_.GETAfterHEADFail = 1;

  CLinkFinder& engine = crawl_.Open(folder_.File(u"site.fdb"), list_);
  ASSERT_EQ(1, crawl_.Start(CrawlFixture::FileUrl(start), site_));
  ASSERT_TRUE(crawl_.WaitForEnd());
  uint32_t found = 0, broken = 0, pages = 0, images = 0, others = 0, in = 0, out = 0;
  engine.GetTotalData(&found, &broken, &pages, &images, &others, &in, &out);
  const int rows = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(title, RowText(0, 3)) << "the list shows the whole title";

  std::map<std::string, StoredLink> links;  // first occurrences by resource
  uint32_t brokenRows = 0, pageRows = 0;
  const std::vector<StoredLink> stored = crawl_.Stored();
  for (const StoredLink& link : stored) {
    if (link.first) links[link.resource.substr(link.resource.rfind('/') + 1)] = link;
    if (IsBrokenStatusVal(link.statusval)) ++brokenRows;
    if (link.restype == RES_HTML) ++pageRows;
  }
  EXPECT_EQ(stored.size(), in + out);
  EXPECT_EQ(brokenRows, broken);
  EXPECT_EQ(pageRows, pages);
  EXPECT_EQ(stored.size(), found) << "every queued link was checked";
  EXPECT_EQ(static_cast<int>(links.size()), rows);

  for (const char* page : {"index.html", "a.html", "b.html", "logo.gif", "s.css"}) {
    EXPECT_EQ(STATUSVAL_OK, links[page].statusval) << page;
  }
  EXPECT_EQ("B & more", links["b.html"].title);
  EXPECT_EQ(STATUSVAL_BROKEN, links["missing.html"].statusval);
  EXPECT_EQ(STATUSVAL_BROKEN, links["gone.gif"].statusval);
  EXPECT_EQ(1, links["gone.gif"].attempt) << "one full read after the failed existence check";
  EXPECT_EQ(STATUSVAL_NOTCHECKABLE, links["mailto:someone@example.test"].statusval);
  EXPECT_EQ("Unsupported protocol", links["mailto:someone@example.test"].statusstr);
  for (const char* never : {"feed.xml", "hidden.html", "scripted.html"}) {
    EXPECT_EQ(0u, links.count(never)) << never;
  }
  // The title is cut to the column's bytes at a character boundary.
  const std::string& stored0 = links["index.html"].title;
  EXPECT_LE(stored0.size(), 256u);
  EXPECT_TRUE(ValidUtf8(stored0));
  EXPECT_EQ(0u, Utf8(title).find(stored0));

  // Item data: the type below, the outcome's bit above.
  std::map<uint32_t, int> bits;
  for (int row = 0; row < rows; ++row) ++bits[RowData(row) >> 16];
  EXPECT_EQ(2, bits[1]) << "broken";
  EXPECT_EQ(1, bits[4]) << "not checkable";
  EXPECT_EQ(rows - 3, bits[0]) << "OK, none left checking";
}

TEST_F(CheckLinkTest, ReplyHeaderFieldsAreTakenByName) {
  CLinkFinder& engine = crawl_.Open(folder_.File(u"header.fdb"));
  struct Case {
    std::string header;
    std::u16string location, type, length, modified;
  };
  const std::string longLocation(2000, 'x');
  const Case cases[] = {
      {"HTTP/1.1 302 Found\r\nlocation:  \t/next.html\r\ncontent-TYPE: text/html\r\n"
       "Content-Length: 12\r\nLast-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n\r\n",
       u"/next.html", u"text/html", u"12", u"Mon, 01 Jan 2024 00:00:00 GMT"},
      {"HTTP/1.1 200 OK\nContent-Type: image/png\n\nLocation: /body-is-no-header\n", u"",
       u"image/png", u"keep", u""},
      {"HTTP/1.1 200 OK\r\nLocation:\r\nContent-Type:\r\n", u"", u"", u"keep", u""},
      {"HTTP/1.1 301 Moved\r\nLocation: " + longLocation, std::u16string(1023, u'x'), u"", u"keep",
       u""},
      {"", u"", u"", u"keep", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header.substr(0, 40));
    char16_t location[1024], type[50], length[50] = u"keep", modified[50];
    engine.ParseHTTPHeader(c.header.data(), static_cast<unsigned long>(c.header.size()), location,
                           type, length, modified, u"127.0.0.1");
    EXPECT_EQ(c.location, location);
    EXPECT_EQ(c.type, type);
    EXPECT_EQ(c.length, length);
    EXPECT_EQ(c.modified, modified);
  }
}

TEST_F(CheckLinkTest, StatusCodesAreMatchedAgainstTheList) {
  struct Case {
    int code;
    const char16_t* list;
    int expected;
  };
  const Case cases[] = {
      {200, u"200 301", 1}, {301, u"200  301 ", 1}, {302, u"200 301", 0},
      {30, u"301", 0},      {404, u"", 0},          {404, nullptr, 0},
      {0, u"x 0", 1},       {200, u"200x", 1},      {7, u"4294967303", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, status_code_in_list_func(c.code, const_cast<char16_t*>(c.list)))
        << c.code;
  }
}

TEST_F(CheckLinkTest, CacheFilesStayInTheCacheFolder) {
  const std::u16string cache = folder_.File(u"cache");
  SetSettingsText(crawl_.settings.CacheDir, cache.c_str());
  CLinkFinder& engine = crawl_.Open(folder_.File(u"cache.fdb"));
  tagTreeListItemFull* item = new tagTreeListItemFull{};
  for (const char16_t* resource :
       {u"/dir/", u"/a\\..\\evil.txt", u"/x.html?q=1#top", u"/x.html", u"/..", u"/c:*?.txt"}) {
    std::u16string(resource).copy(item->resource, 2047);
    item->resource[std::char_traits<char16_t>::length(resource)] = 0;
    engine.SaveCachedFile(item, "data", 4);
  }
  delete item;
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((cache + u"\\*").c_str(), &data);
  ASSERT_NE(INVALID_HANDLE_VALUE, find);
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  const std::vector<std::u16string> expected = {u" [1]", u" [2]",   u"a_.._evil.txt",
                                                u"c__",  u"x.html", u"x.html [1]"};
  EXPECT_EQ(expected, names);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder_.File(u"evil.txt").c_str()));
  for (const std::u16string& name : names) DeleteFileW((cache + u"\\" + name).c_str());
  RemoveDirectoryW(cache.c_str());
}

}  // namespace
