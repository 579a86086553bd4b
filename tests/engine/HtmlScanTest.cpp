#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/HtmlScan.h"
#include "engine/TextHelpers.h"

namespace {

template <typename Unit>
std::string Utf8(const Unit* text, long length) {
  if constexpr (sizeof(Unit) == 1) {
    return std::string(text, static_cast<size_t>(length));
  } else {
    std::string out(static_cast<size_t>(length) * 3, '\0');
    out.resize(static_cast<size_t>(
        Utf16ToUtf8(text, static_cast<int>(length), &out[0], static_cast<int>(out.size()))));
    return out;
  }
}

template <typename Unit>
std::string Utf8(HtmlSpan<Unit> span) {
  return Utf8(span.text, span.length);
}

// Each link as "url@line:column form details"; titles as "title:text".
template <typename Unit>
struct Recorder {
  std::vector<std::string> seen;

  static void Link(void* context, const HtmlLink<Unit>& link) {
    std::string row =
        Utf8(link.url) + "@" + std::to_string(link.line) + ":" + std::to_string(link.column);
    switch (link.form) {
      case HTMLLINK_TAG:
        row += " tag " + Utf8(link.tag) + " " + Utf8(link.attribute);
        break;
      case HTMLLINK_ANCHOR_TEXT:
        row += " text " + Utf8(link.text);
        break;
      case HTMLLINK_ANCHOR_IMAGE:
        row += " image " + Utf8(link.src) + " " + Utf8(link.alt);
        break;
      case HTMLLINK_CSS:
        row += " css";
        break;
    }
    static_cast<Recorder*>(context)->seen.push_back(row);
  }
  static void Title(void* context, HtmlSpan<Unit> text) {
    static_cast<Recorder*>(context)->seen.push_back("title:" + Utf8(text));
  }
  HtmlSink<Unit> Sink() {
    HtmlSink<Unit> sink;
    sink.context = this;
    sink.link = Link;
    sink.title = Title;
    return sink;
  }
};

std::u16string Utf16(const std::string& text) {
  std::u16string out(text.size() + 1, u'\0');
  out.resize(static_cast<size_t>(Utf8ToUtf16(text.data(), static_cast<uint32_t>(text.size()),
                                             &out[0], static_cast<int>(out.size()))));
  return out;
}

template <typename Unit>
std::vector<std::string> Scan(const std::basic_string<Unit>& page, int ignoreFormTag = 0) {
  Recorder<Unit> recorder;
  HtmlScanOptions options;
  options.ignoreFormTag = ignoreFormTag;
  ScanHtml(page.data(), static_cast<long>(page.size()), options, recorder.Sink());
  return recorder.seen;
}

// Runs a page through both variants; pages are ASCII, so positions agree.
std::vector<std::string> ScanBoth(const std::string& page, int ignoreFormTag = 0) {
  const std::vector<std::string> bytes = Scan(page, ignoreFormTag);
  EXPECT_EQ(bytes, Scan(Utf16(page), ignoreFormTag)) << page;
  return bytes;
}

using Rows = std::vector<std::string>;

struct PageCase {
  const char* name;
  std::string page;
  Rows expected;
};

const PageCase kPages[] = {
    {"CR LF", "a\r\n<img src=x>", {"x@2:1 tag img src"}},
    {"LF", "a\n<img src=x>", {"x@2:1 tag img src"}},
    {"CR", "a\r<img src=x>", {"x@2:1 tag img src"}},
    {"LF CR", "a\n\r<img src=x>", {"x@2:1 tag img src"}},
    {"multi-line tag", "<p>\n <img\nalt=1\r\nsrc=y>", {"y@2:2 tag img src"}},
    {"script src at its <, script content skipped",
     "ab\n  <script src=s.js>var a='<a href=no>';</script><a href=yes>Y</a>",
     {"s.js@2:3 tag script src", "yes@2:49 text Y"}},
    {"empty comment", "<!----><a href=a1>", {"a1@1:8 tag a href"}},
    {"comment", "<!-- <a href=no> --><img src=i1>", {"i1@1:21 tag img src"}},
    {"unterminated comment", "<img src=i0><!-- <a href=no>", {"i0@1:1 tag img src"}},
    {"CDATA", "<![CDATA[<a href=no>]]><img src=c>", {"c@1:24 tag img src"}},
    {"script holding a comment opener swallows the rest",
     "<script>document.write(\"<!--\")</script><img src=lost>",
     {}},
    {"quoting",
     "<a href='a\"b'></a><a href=\"q 1\"></a><a href = x.html></a><img src=x.gif/>",
     {"a\"b@1:1 tag a href", "q 1@1:19 tag a href", "x.html@1:37 tag a href",
      "x.gif/@1:58 tag img src"}},
    {"value-less attribute before the link", "<a download href=d.zip>", {"d.zip@1:1 tag a href"}},
    {"anchor text loses inner tags",
     "<a href=x.html>Go <b>on</b>\r\n</a>",
     {"x.html@1:1 text Go on"}},
    {"image-only anchor",
     "<a href=y.html><img src=i.gif alt=Logo></a>",
     {"y.html@1:1 image i.gif Logo", "i.gif@1:16 tag img src"}},
    {"image without alt",
     "<a href=y.html><img src=i.gif></a>",
     {"y.html@1:1 tag a href", "i.gif@1:16 tag img src"}},
    {"refresh, URL quoted",
     "<meta http-equiv=\"refresh\" content=\"0; URL='next.html'\">",
     {"next.html@1:1 tag meta content"}},
    {"refresh, content first",
     "<meta content=\"5;url=n2.html\" http-equiv=Refresh>",
     {"n2.html@1:1 tag meta content"}},
    {"no refresh", "<meta http-equiv=content-type content=\"text/html; url=no\">", {}},
    {"refresh without url", "<meta http-equiv=refresh content=5>", {}},
    {"rel after href",
     "<link href=\"/related.css\" rel=\"stylesheet\">",
     {"/related.css@1:1 tag link href"}},
    {"rel variants",
     "<link rel=\"shortcut icon\" href=f.ico><link rel=icon href=no.ico>"
     "<link rel=\"Alternate StyleSheet\" href=alt.css><link rel=alternate href=f.xml>",
     {"f.ico@1:1 tag link href", "alt.css@1:65 tag link href"}},
    {"option values",
     "<option value='page.html'><option value=\"HTTP://h/o\">",
     {"HTTP://h/o@1:27 tag option value"}},
    {"css forms",
     "<style>a{background:url(x)} b{background: url( \"y\" )}\nc{background: URL(z)} "
     "/* url(no) */ d{background: url('a b.png')} e{background: url()}</style>"
     "<p style=\"background: url(bg.png)\">",
     {"x@1:21 css", "y@1:43 css", "z@2:15 css", "a b.png@2:51 css", "bg.png@2:117 css"}},
    {"style attribute after a line break", "<p\nstyle=\n'a: url(q)'>", {"q@3:5 css"}},
    {"schemes and empty values",
     "<img src=\"data:image/png;base64,AAA=\"><a href=\"javascript:go()\"></a>"
     "<a href=\"\"></a><a href=\"#\"></a>",
     {"data:image/png;base64,AAA=@1:1 tag img src", "javascript:go()@1:39 tag a href",
      "@1:69 tag a href", "#@1:84 tag a href"}},
    {"title and the links in it",
     "<title>T &amp; <a href=t.html>x</a></title>",
     {"title:T &amp; <a href=t.html>x</a>", "t.html@1:16 text x"}},
    {"empty page", "", {}},
    {"ends mid-tag", "<a href=\"x", {"x@1:1 tag a href"}},
    {"ends after <", "text<", {}},
    {"unterminated script", "<script>var a='<a href=no>'", {}},
    {"stray < swallows the link", "if a < b <a href=x.html>", {}},
    {"NUL bytes", std::string("<img src=a\0b>", 13), {std::string("a\0b@1:1 tag img src", 19)}},
};

TEST(ScanHtml, FixturePages) {
  for (const PageCase& c : kPages) EXPECT_EQ(c.expected, ScanBoth(c.page)) << c.name;
}

TEST(ScanHtml, FormActionFollowsTheSetting) {
  const std::string page = "<form action='s.cgi'>";
  EXPECT_EQ(Rows{"s.cgi@1:1 tag form action"}, ScanBoth(page, 0));
  EXPECT_EQ(Rows{}, ScanBoth(page, 1));
}

TEST(ScanHtml, ColumnsCountUnitsOfEachVariant) {
  const std::string page = "\xC3\xA9\xF0\x9F\x98\x80<img src=\"/caf\xC3\xA9.html\">";
  EXPECT_EQ(Rows{"/caf\xC3\xA9.html@1:7 tag img src"}, Scan(page));
  EXPECT_EQ(Rows{"/caf\xC3\xA9.html@1:4 tag img src"}, Scan(Utf16(page)));
}

TEST(ScanHtml, LongContentIsCut) {
  const std::string words(400, 'w');
  EXPECT_EQ(Rows{"l.html@1:1 text " + words.substr(0, 255)},
            ScanBoth("<a href=l.html>" + words + "</a>"));
  EXPECT_EQ("title:" + words.substr(0, 255), Scan(Utf16("<title>" + words))[0]);
  EXPECT_EQ("title:" + words, Scan("<title>" + words)[0]) << "bytes keep 4 per character";
}

TEST(ScanCss, FindsUrlsAtTokenStartsOnly) {
  Recorder<char> recorder;
  const std::string css = "a{x:url(1)}\n@import url(2.css);\nb{list:url(3),url(4)}";
  ScanCss(css.data(), static_cast<long>(css.size()), 0, 0, recorder.Sink());
  EXPECT_EQ((Rows{"1@1:5 css", "2.css@2:9 css", "3@3:8 css"}), recorder.seen);
}

template <typename Unit>
long CountLinks(const Unit* text, long length) {
  long count = 0;
  HtmlSink<Unit> sink;
  sink.context = &count;
  sink.link = [](void* context, const HtmlLink<Unit>&) { ++*static_cast<long*>(context); };
  ScanHtml(text, length, HtmlScanOptions(), sink);
  return count;
}

// Huge and hostile pages end within a bound (generous: sanitizer builds and a loaded
// machine).
TEST(ScanHtml, HostilePagesEndInTime) {
  std::string unclosed;
  for (int i = 0; i < 100000; ++i) unclosed += "<a href=u.html>x";
  std::string big;
  while (big.size() < 5 * 1024 * 1024) big += "<p class=c>text <a href=\"p.html\">p</a>\n";
  const std::string lone = "<script>" + std::string(2 * 1024 * 1024, '<');
  for (const std::string* page : std::vector<const std::string*>{&unclosed, &big, &lone}) {
    const auto start = std::chrono::steady_clock::now();
    const long bytes = CountLinks(page->data(), static_cast<long>(page->size()));
    const std::u16string wide = Utf16(*page);
    EXPECT_EQ(bytes, CountLinks(wide.data(), static_cast<long>(wide.size())));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  }
}

// A literal with its NULs.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

struct CharsetCase {
  std::string page;
  const char* expected;  // "" when none is named
};

const CharsetCase kCharsets[] = {
    {"<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=windows-1251'>", "windows-1251"},
    {"<meta content=\"text/html; charset=utf-8\" http-equiv=\"Content-Type\">", "utf-8"},
    {"<meta http-equiv=Content-Type content=\"text/html;charset = koi8-r;x\">", "koi8-r"},
    {"<meta charset='utf-8'>", "utf-8"},
    {"<!-- <meta charset=big5> --><meta charset=gbk>", "gbk"},
    {"<![CDATA[ <meta charset=big5> ]]>", ""},
    {"<meta name=x content=\"charset=utf-8\">", ""},
    {"<metal charset=utf-8><meta http-equiv=content-type content=text/html>", ""},
    {"<meta charset=", ""},
    // A NUL ends the name; a name no converter opens is no name, and a later one may decide.
    {Bytes("<meta charset=\"utf\0-8\">"), ""},
    {Bytes("<meta charset=\"\0utf-8\">"), ""},
    {Bytes("<meta charset=\"utf-8\0x\">"), "utf-8"},
    {"<meta charset=\"no-such-charset\"><meta charset=koi8-r>", "koi8-r"},
    {"<meta http-equiv=content-type content=\"text/html; charset=x-bogus\">", ""},
};

TEST(PageMetaCharset, NamesFromEitherForm) {
  for (const CharsetCase& c : kCharsets) {
    char name[50] = "unchanged";
    const int found = PageMetaCharset(c.page.data(), static_cast<long>(c.page.size()), name, 50);
    EXPECT_EQ(c.expected[0] != 0, found == 1) << c.page;
    if (found) {
      EXPECT_STREQ(c.expected, name) << c.page;
    }
  }
  char small[4];
  const char page[] = "<meta charset=windows-1252>";
  ASSERT_EQ(1, PageMetaCharset(page, sizeof page - 1, small, sizeof small));
  EXPECT_STREQ("win", small);
}

struct AnchorCase {
  const char* page;
  std::vector<std::string> names;
};

const AnchorCase kAnchors[] = {
    {"<a name='#top'>", {"top"}},
    {"<map name=nav><div id='side'><p name=no>", {"nav", "side"}},
    {"<A class=x NAME = \"y\"><a download name=z>", {"y", "z"}},
    {"<!-- <a name=hidden> --><a name=shown>", {"shown"}},
    {"<abbr name=no id=yes><m name=m1><area name=no>", {"yes", "m1"}},
    {"<a name><a name=\"\"><a id=#>", {}},
    {"<a name=\"cut", {"cut"}},
};

template <typename Unit>
void CollectName(void* context, HtmlSpan<Unit> name) {
  static_cast<std::vector<std::string>*>(context)->push_back(Utf8(name));
}

TEST(ScanAnchorNames, DeclaredNamesInOrder) {
  for (const AnchorCase& c : kAnchors) {
    std::vector<std::string> bytes;
    ScanAnchorNames(c.page, static_cast<long>(std::char_traits<char>::length(c.page)), &bytes,
                    CollectName<char>);
    EXPECT_EQ(c.names, bytes) << c.page;
    std::vector<std::string> units;
    const std::u16string wide = Utf16(c.page);
    ScanAnchorNames(wide.data(), static_cast<long>(wide.size()), &units, CollectName<char16_t>);
    EXPECT_EQ(c.names, units) << c.page;
  }
}

}  // namespace
