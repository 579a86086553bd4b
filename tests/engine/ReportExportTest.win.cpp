// The link report written from a real worksheet database.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/TextHelpers.h"
#include "scandb/RowFill.h"
#include "scandb/ScanDb.h"
#include "tests/engine/EngineTestSupport.h"

struct CLinkFinderTestAccess {
  static tagDBCONTEXT*& Context(CLinkFinder& engine) { return engine.context; }
};

namespace {

const std::string kLongResource = [] {
  std::string r = "/q?";
  while (r.size() < 2030) r += "a&";
  return r;
}();

class ReportExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTestSettings(settings_);
    OpenEngine(File(u"w.fdb"), &settings_).reset();  // the file with its tables
    {
      Worksheet sheet(File(u"w.fdb"));
      ASSERT_TRUE(sheet.Open());
      tagDBCONTEXT* ctx = sheet.Context();
      FillLink page;
      page.server = "s";
      page.resource = "/p.html";
      page.title = "<script>alert(1)</script> & \"q\"";
      page.statusstr = "200 OK";
      page.charset = "utf-8";
      Add(ctx, page, 1, {});
      FillLink image;
      image.server = "s";
      image.resource = "/i.png";
      image.restype = 3;
      image.statusval = 5;
      image.statusstr = "404 <b>\"x\"</b> & more";
      image.commentstr = "A, \"B\"";
      FillOccurrence onPage{"http://s/p.html", "<img src=\"i.png\"> & co\tx", 3, 7, 0, 1};
      Add(ctx, image, 1, onPage);
      FillOccurrence again{"http://s/other.html", "img", 9, 2, 0, 1};
      Add(ctx, image, 0, again);
      FillLink script;
      script.protocol = 0;
      script.port = 0;
      script.resource = "javascript:alert(\"x\")";
      script.restype = 8;
      script.statusval = 4;
      script.statusstr = "Unsupported protocol";
      Add(ctx, script, 1, onPage);
      FillLink lengthy;
      lengthy.server = "s";
      lengthy.resource = kLongResource;
      lengthy.restype = 8;
      lengthy.statusstr = "200 OK";
      Add(ctx, lengthy, 1, onPage);
    }
    engine_ = OpenEngine(File(u"w.fdb"), &settings_);
    ASSERT_EQ(1, engine_->Initialized());
  }

  static void Add(tagDBCONTEXT* ctx, const FillLink& link, int first, const FillOccurrence& at) {
    const int32_t loaded = FillLoaded(ctx, link);
    ASSERT_GE(loaded, 0);
    ASSERT_TRUE(FillReport(ctx, first, loaded, at));
  }

  std::u16string File(const std::u16string& name) const { return folder_.File(name); }

  tagEXPORTLINKSSTRUCT Request(int type, int format, int mask) {
    tagEXPORTLINKSSTRUCT request;
    std::memset(&request, 0, sizeof request);
    request.Type = type;
    request.Format = format;
    request.ColumnMask = mask;
    request.IncludePages = request.IncludeImages = request.IncludeOthers = 1;
    const std::u16string name = File(u"report.txt");
    std::memcpy(request.FileName, name.c_str(), (name.size() + 1) * 2);
    return request;
  }

  std::string Export(tagEXPORTLINKSSTRUCT& request, int expected = 1) {
    EXPECT_EQ(expected, engine_->ExportLinks(&request));
    std::string bytes;
    HANDLE file =
        CreateFileW(request.FileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
  }

  TestFolder folder_{u"tl-report-"};
  tagSETTINGS settings_;
  std::unique_ptr<CLinkFinder> engine_;
};

// Names of the tags in an HTML text, each as written after '<' (closing tags with '/').
std::vector<std::string> TagNames(const std::string& html) {
  std::vector<std::string> names;
  for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
    size_t end = at + 1;
    while (end < html.size() &&
           (isalnum(static_cast<unsigned char>(html[end])) || html[end] == '/'))
      ++end;
    names.push_back(html.substr(at + 1, end - at - 1));
  }
  return names;
}

// RFC 4180 records of a comma-separated text with CR LF line ends.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = records.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
        field += '"', ++i;
      else if (c == '"')
        quoted = false;
      else
        field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      if (i + 1 < text.size()) records.emplace_back(1);
    } else {
      field += c;
    }
  }
  return records;
}

TEST_F(ReportExportTest, HtmlHoldsOnlyItsOwnMarkupAndWholeLongUrls) {
  tagEXPORTLINKSSTRUCT request = Request(0, 0, 8191);
  request.WithStats = 1;
  const std::string html = Export(request);
  ASSERT_FALSE(html.empty());
  const std::set<std::string> own = {
      "html", "/html",  "head",    "/head", "meta",  "title",  "/title", "body", "/body",
      "div",  "/div",   "h1",      "/h1",   "table", "/table", "tr",     "/tr",  "td",
      "/td",  "strong", "/strong", "a",     "/a",    "wbr",    "br",     "p",    "/p"};
  for (const std::string& name : TagNames(html)) EXPECT_TRUE(own.count(name)) << name;
  EXPECT_NE(std::string::npos,
            html.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;q&quot;"));
  EXPECT_NE(std::string::npos, html.find("404 &lt;b&gt;&quot;x&quot;&lt;/b&gt; &amp; more"));
  EXPECT_EQ(std::string::npos, html.find("href=\"javascript"));
  EXPECT_NE(std::string::npos, html.find("javascript:alert(&quot;x&quot;)"));
  // The long address is linked whole, and its shown text breaks only between entities.
  std::string escaped = "http://s";
  for (char c : kLongResource) escaped += c == '&' ? std::string("&amp;") : std::string(1, c);
  EXPECT_NE(std::string::npos, html.find("<a href=\"" + escaped + "\""));
  EXPECT_EQ(std::string::npos, html.find("&<wbr>"));
  EXPECT_NE(std::string::npos, html.find("Total Links: "));
  EXPECT_EQ(0u, html.find("<html>"));
  EXPECT_EQ(html.size() - 18, html.rfind("</body>\r\n</html>\r\n"));
}

TEST_F(ReportExportTest, CommaSeparatedReadsBackWithTheHeadingsColumnCount) {
  tagEXPORTLINKSSTRUCT request = Request(0, 3, 8191);
  const auto records = ReadCsv(Export(request));
  ASSERT_EQ(6u, records.size());
  EXPECT_EQ("Link URL", records[0][0]);
  bool found = false;
  for (const auto& record : records) {
    EXPECT_EQ(13u, record.size());
    for (const auto& field : record) found |= field == "A, \"B\"";
  }
  EXPECT_TRUE(found);

  tagEXPORTLINKSSTRUCT two = Request(0, 3, 3);
  EXPECT_EQ(0u, Export(two).find("Link URL,Status\r\n"));
}

TEST_F(ReportExportTest, Utf16TextStartsWithByteOrderMarkAndEndsLinesWithLf) {
  tagEXPORTLINKSSTRUCT request = Request(2, 1, 0x1001);
  request.SortColumn = 1;  // repeats before the first occurrence
  const std::string bytes = Export(request);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
  std::u16string text(reinterpret_cast<const char16_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  EXPECT_EQ(std::u16string::npos, text.find(u'\r'));
  // Heading plus the two broken occurrences; the tab inside the position became a blank.
  EXPECT_EQ(
      u"Broken Link\tPosition\n"
      u"http://s/i.png\tLine: 9, Col: 2 img\n"
      u"http://s/i.png\tLine: 3, Col: 7 <img src=\"i.png\"> & co x\n",
      text);
}

TEST_F(ReportExportTest, BrokenDescriptionsFormOneColumnTable) {
  tagEXPORTLINKSSTRUCT request = Request(3, 0, 0);
  const std::string html = Export(request);
  size_t rows = 0;
  for (size_t at = html.find("<tr>"); at != std::string::npos; at = html.find("<tr>", at + 1))
    ++rows;
  EXPECT_EQ(2u, rows);
  EXPECT_EQ(std::string::npos, html.find("<strong>"));
  EXPECT_NE(std::string::npos, html.find("<font color=\"red\">404 &lt;b&gt;"));
  EXPECT_NE(std::string::npos, html.find("at line 3 column 7, &lt;img"));
}

TEST_F(ReportExportTest, FiltersKeepAndDropRows) {
  const struct {
    int kind;
    const char16_t* text;
    size_t lines;  // heading included
  } cases[] = {{0, u"I.PNG", 3},  {1, u"i.png", 4}, {2, u"404", 3},   {3, u"200", 4},
               {4, u"a, \"b", 3}, {5, u"B\"", 4},   {6, u"OTHER", 2}, {7, u"p.html", 3}};
  for (const auto& c : cases) {
    tagEXPORTLINKSSTRUCT request = Request(0, 2, 1);
    request.FilterCount = 1;
    request.Filters[0].FilterKind = c.kind;
    std::memcpy(request.Filters[0].FilterText, c.text,
                (std::char_traits<char16_t>::length(c.text) + 1) * 2);
    const std::string text = Export(request);
    size_t lines = 0;
    for (char ch : text) lines += ch == '\n';
    EXPECT_EQ(c.lines, lines) << c.kind;
  }
}

TEST_F(ReportExportTest, UnknownFormatAndDetachedDatabaseLeaveNoFile) {
  tagEXPORTLINKSSTRUCT request = Request(0, 7, 8191);
  EXPECT_EQ("", Export(request, 0));
  const WCHAR* name = request.FileName;
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(name));

  ASSERT_EQ(1, DBMoveDatabase(CLinkFinderTestAccess::Context(*engine_), nullptr, 0));
  tagEXPORTLINKSSTRUCT detached = Request(0, 0, 8191);
  EXPECT_EQ("", Export(detached, 0));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(name));
}

}  // namespace
