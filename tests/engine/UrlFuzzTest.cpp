// Random hostile links through the URL model. Run longer with TL_FUZZ_SECONDS=n.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/LinkRules.h"
#include "engine/UrlParts.h"

namespace {

const char16_t* const kPieces[] = {
    u"%",       u"%2",         u"%25",        u"%00",      u"%C3%A9", u"%E9",      u"%F0%9F",
    u"&#",      u"&#x",        u"&#0;",       u"&amp;",    u"&copy",  u"&#xD800;", u"&#1114112;",
    u":",       u"/",          u"//",         u"\\",       u"..",     u"../",      u"./",
    u"?",       u"#",          u"@",          u"+",        u" ",      u"\t",       u"\r\n",
    u"\x01",    u"\u00E9",     u"\U0001F600", u"\xD800",   u"[::1]",  u":0",       u":99999",
    u":65535",  u"user:pass@", u"http://",    u"https://", u"ftp://", u"file://",  u"rtsp://",
    u"mailto:", u"c:",         u"C:\\",       u"tel:",     u"www.",   u"a",        u"index.html",
    u"x.css",   u"#top",       u"?q=1",       u"..\\",     u"//h",    u"host",
};

std::u16string RandomLink(std::mt19937& random) {
  std::u16string link;
  const int pieces = std::uniform_int_distribution<int>(0, random() % 8 == 0 ? 3000 : 40)(random);
  for (int i = 0; i < pieces; ++i) {
    link += kPieces[random() % (sizeof(kPieces) / sizeof(kPieces[0]))];
  }
  if (random() % 16 == 0) link.append(10000, static_cast<char16_t>(u'a' + random() % 3));
  return link;
}

template <size_t N>
bool Terminated(const char16_t (&field)[N]) {
  return std::char_traits<char16_t>::find(field, N, 0) != nullptr;
}

double FuzzSeconds() {
  const char* value = std::getenv("TL_FUZZ_SECONDS");
  return value ? std::atof(value) : 1.5;
}

TEST(UrlFuzz, HostileLinksGiveARecordOrTheMalformedStatus) {
  auto site = std::make_unique<tagSITESETTINGS>();
  std::memset(site.get(), 0, sizeof(tagSITESETTINGS));
  tagRULECONTEXT rules = {};
  rules.site = site.get();
  rules.extLists[2] = u"htm html";
  rules.siteServer = u"host";
  rules.sitePort = 80;
  rules.startPath = u"/";
  rules.startDepth = 1;
  auto item = std::make_unique<tagTreeListItemFull>();
  const std::u16string bases[] = {u"", u"http://host/a/b.html", u"http://host",
                                  u"file://C:/dir/f.htm", u"https://u:p@host:8443/x/?q#f"};

  std::mt19937 random(12345);
  const auto stop = std::chrono::steady_clock::now() + std::chrono::duration<double>(FuzzSeconds());
  int runs = 0;
  while (std::chrono::steady_clock::now() < stop || runs < 200) {
    ++runs;
    const std::u16string link = RandomLink(random);
    site->NotIgnoreSpaces = random() % 2;
    site->IgnoreRelative = random() % 2;
    site->CheckIgnoreCase = random() % 2;
    std::vector<char16_t> text(link.begin(), link.end());
    text.push_back(0);
    const std::u16string& base = bases[random() % 5];
    int explicitPort = -1;
    const int result = FillItemWithURL(rules, text.data(), base.c_str(), item.get(), &explicitPort);
    ASSERT_TRUE(result == 0 || result == 1);
    ASSERT_TRUE(Terminated(item->Url) && Terminated(item->server) && Terminated(item->resource) &&
                Terminated(item->bookmark) && Terminated(item->username) &&
                Terminated(item->userpass) && Terminated(item->statusstr) &&
                Terminated(item->comment) && Terminated(item->commentstr));
    if (result == 0) {
      ASSERT_NE(0, item->statusstr[0]);
    }
    ASSERT_LE(item->port, 65535u);

    // The decoders never grow the text.
    std::u16string decoded = link;
    URLUnescape(decoded.data());
    ASSERT_LE(std::char_traits<char16_t>::length(decoded.c_str()), link.size());
    decoded = link;
    URLUnentitle(decoded.data());
    ASSERT_LE(std::char_traits<char16_t>::length(decoded.c_str()), link.size());

    std::vector<char16_t> url(2048);
    char16_t error[256], note[256];
    GetRelativeURL(base.c_str(), link.c_str(), url.data(), 2048, error, 256, note, 256, 0);
    ASSERT_TRUE(std::char_traits<char16_t>::find(url.data(), 2048, 0) != nullptr);
    auto parts = std::make_unique<tagURLPARTS>();
    std::u16string full = link.substr(0, 2047);
    full.resize(2048);
    ParseFullURL(full.data(), 2048, *parts, nullptr);
    ASSERT_TRUE(Terminated(parts->resource) && Terminated(parts->extension));
  }
  RecordProperty("runs", runs);
}

}  // namespace
