#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/Records.h"
#include "engine/TextCopy.h"

namespace {

struct UrlCase {
  int protocol;
  const char16_t* user;
  const char16_t* pass;
  const char16_t* server;
  uint32_t port;
  const char16_t* resource;
  const char16_t* bookmark;
  const char16_t* expected;
};

const UrlCase kUrlCases[] = {
    {PROTOCOL_HTTP, u"", u"", u"example.org", 80, u"/a/b.html?x=1", u"#top",
     u"http://example.org/a/b.html#top?x=1"},
    {PROTOCOL_HTTP, u"", u"", u"example.org", 80, u"/a/b.html", u"#top",
     u"http://example.org/a/b.html#top"},
    {PROTOCOL_HTTP, u"", u"", u"example.org", 8080, u"/", u"", u"http://example.org:8080/"},
    {PROTOCOL_HTTP, u"joe", u"", u"example.org", 80, u"/", u"", u"http://joe:@example.org/"},
    {PROTOCOL_HTTP, u"", u"pw", u"example.org", 80, u"/", u"", u"http://:pw@example.org/"},
    {PROTOCOL_HTTPS, u"", u"", u"example.org", 443, u"/", u"", u"https://example.org/"},
    {PROTOCOL_HTTPS, u"", u"", u"example.org", 80, u"/", u"", u"https://example.org:80/"},
    {PROTOCOL_HTTPS, u"", u"", u"example.org", 8443, u"/x", u"", u"https://example.org:8443/x"},
    {PROTOCOL_FTP, u"u", u"p", u"ftp.example.org", 21, u"/pub/f.zip", u"#b",
     u"ftp://u:p@ftp.example.org/pub/f.zip"},
    {PROTOCOL_FTP, u"", u"", u"ftp.example.org", 2121, u"/", u"", u"ftp://ftp.example.org:2121/"},
    {PROTOCOL_RTSP, u"", u"", u"media.example.org", 554, u"/s", u"", u"rtsp://media.example.org/s"},
    {PROTOCOL_RTSP, u"", u"", u"media.example.org", 80, u"/s", u"",
     u"rtsp://media.example.org:80/s"},
    {PROTOCOL_FILE, u"", u"", u"C:", 0, u"/docs/a.html?q", u"#n", u"file://C:/docs/a.html#n?q"},
    {PROTOCOL_NONE, u"", u"", u"", 0, u"mailto:joe@example.org", u"", u"mailto:joe@example.org"},
    {PROTOCOL_NONE, u"", u"", u"x", 80, u"javascript:go('#a?b')", u"#a", u"javascript:go('#a?b')"},
};

tagTreeListItemFull MakeItem(const UrlCase& c) {
  tagTreeListItemFull item;
  std::memset(&item, 0, sizeof item);
  item.protocol = c.protocol;
  CopyField(item.username, c.user);
  CopyField(item.userpass, c.pass);
  CopyField(item.server, c.server);
  item.port = c.port;
  CopyField(item.resource, c.resource);
  CopyField(item.bookmark, c.bookmark);
  return item;
}

TEST(ComposeItemUrl, BuildsTheAddressFromItsParts) {
  for (const UrlCase& c : kUrlCases) {
    tagTreeListItemFull item = MakeItem(c);
    ComposeItemUrl(item);
    EXPECT_EQ(std::u16string(c.expected), std::u16string(item.Url))
        << "protocol " << c.protocol << " port " << c.port;
  }
}

TEST(ComposeItemUrl, CutsAnOverlongAddressInsideTheField) {
  tagTreeListItemFull item;
  std::memset(&item, 0x55, sizeof item);
  item.protocol = PROTOCOL_HTTP;
  item.port = 65535;
  const std::u16string longText(4000, u'a');
  CopyField(item.username, longText.c_str());
  CopyField(item.userpass, longText.c_str());
  CopyField(item.server, longText.c_str());
  CopyField(item.resource, (u"/" + longText).c_str());
  CopyField(item.bookmark, (u"#" + longText).c_str());
  const tagTreeListItemFull before = item;
  ComposeItemUrl(item);
  EXPECT_EQ(2047u, std::char_traits<char16_t>::length(item.Url));
  EXPECT_EQ(0, std::memcmp(&before.protocol, &item.protocol,
                           sizeof item - offsetof(tagTreeListItemFull, protocol)))
      << "composing must write nothing but Url";
}

TEST(Statusval, MapsEveryDownloaderResult) {
  EXPECT_EQ(STATUSVAL_OK, StatusValFromStatusType(ST_SUCCESS));
  EXPECT_EQ(STATUSVAL_BROKEN, StatusValFromStatusType(ST_FAILURE));
  EXPECT_EQ(STATUSVAL_SKIPPED, StatusValFromStatusType(ST_LIMIT));
  EXPECT_EQ(STATUSVAL_NOTCHECKABLE, StatusValFromStatusType(ST_NOTTEXT));
  EXPECT_EQ(STATUSVAL_BROKEN_RETRIED, StatusValFromStatusType(ST_TRANSIENT));
}

TEST(Statusval, OnlyFiveAndSevenAreBroken) {
  for (int value = 0; value <= 8; ++value) {
    EXPECT_EQ(value == 5 || value == 7, IsBrokenStatusVal(value)) << value;
  }
}

TEST(Records, FieldsHaveTheirFixedWidths) {
  tagTreeListItemFull item;
  EXPECT_EQ(356u, sizeof item.rel_title / sizeof(char16_t));
  EXPECT_EQ(50u, sizeof item.charset / sizeof(char16_t));
  EXPECT_EQ(4u, sizeof item.port);
  tagSITESETTINGS site;
  EXPECT_EQ(64u, sizeof site.sAuthPassword / sizeof(char16_t));
  tagWINDOWSETTINGS window;
  EXPECT_EQ(15u, sizeof window.ColWidth / sizeof(int32_t));
}

TEST(Records, NewSiteHasTheProjectDefaults) {
  tagSITESETTINGS site;
  std::memset(&site, 0x7F, sizeof site);
  InitSiteSettings(site);
  EXPECT_EQ(1, site.CheckHyperlinks);
  EXPECT_EQ(1, site.CheckImages);
  EXPECT_EQ(1, site.CheckOthers);
  EXPECT_EQ(5u, site.RecheckBadLinksTimes);
  EXPECT_EQ(10u, site.CheckLevel);
  EXPECT_EQ(100u, site.SizeLimitKB);
  EXPECT_EQ(500000u, site.LinksLimitValue);
  EXPECT_EQ(std::u16string(u"*"), site.sOnlyWildcard);
  EXPECT_EQ(0, site.sSkipWildcard[0]);
  EXPECT_EQ(0, site.AuthMethod);
  EXPECT_EQ(0, site.NotIgnoreSpaces);
  EXPECT_EQ(0u, site.View0);
}

}  // namespace
