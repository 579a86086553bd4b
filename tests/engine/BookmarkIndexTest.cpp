#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "engine/BookmarkIndex.h"
#include "tests/support/Growth.h"

namespace {

constexpr int32_t kHttp = 1;

int Has(const CBookmarkIndex& index, const char16_t* resource, const char16_t* name) {
  return index.HasBookmark(kHttp, u"", u"", u"example.org", 80, resource, name);
}

int Add(CBookmarkIndex& index, const char16_t* resource, const char16_t* name) {
  return index.AddBookmark(kHttp, u"", u"", u"example.org", 80, resource, name);
}

TEST(CBookmarkIndex, NamesMatchWithoutCaseOrLeadingHash) {
  CBookmarkIndex index(0);
  EXPECT_EQ(1, Add(index, u"/page.html", u"#top"));
  EXPECT_EQ(1, Add(index, u"/page.html", u"TOP"));
  EXPECT_EQ(1, Add(index, u"/page.html", u"\u0440\u0430\u0437\u0434\u0435\u043b"));
  EXPECT_EQ(1, Has(index, u"/page.html", u"top"));
  EXPECT_EQ(1, Has(index, u"/page.html", u"#ToP"));
  EXPECT_EQ(1, Has(index, u"/page.html", u"#\u0420\u0410\u0417\u0414\u0415\u041b"));
  EXPECT_EQ(0, Has(index, u"/page.html", u"bottom"));
  EXPECT_EQ(0, Has(index, u"/other.html", u"top"));
  const CBookmarkIndex::AnchorList* list =
      index.FindPage(kHttp, u"", u"", u"example.org", 80, u"/page.html");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(2u, list->size()) << "a name declared twice is kept once";
  EXPECT_EQ(u"#top", (*list)[0]);
}

TEST(CBookmarkIndex, PageIdentity) {
  for (int ignoreCase : {0, 1}) {
    CBookmarkIndex index(ignoreCase);
    Add(index, u"/Doc.html", u"a");
    EXPECT_EQ(ignoreCase, Has(index, u"/doc.html", u"a")) << ignoreCase;
    EXPECT_EQ(1, index.HasBookmark(kHttp, u"", u"", u"EXAMPLE.org", 80, u"/Doc.html", u"a"));
    EXPECT_EQ(0, index.HasBookmark(2, u"", u"", u"example.org", 80, u"/Doc.html", u"a"));
    EXPECT_EQ(0, index.HasBookmark(kHttp, u"", u"", u"example.org", 8080, u"/Doc.html", u"a"));
    EXPECT_EQ(0, index.HasBookmark(kHttp, u"u", u"", u"example.org", 80, u"/Doc.html", u"a"));
    EXPECT_EQ(0, index.HasBookmark(kHttp, u"", u"", u"example.com", 80, u"/Doc.html", u"a"));
    EXPECT_EQ(ignoreCase != 0, index.CompareKey(u"/A", u"/a") == 0);
  }
}

TEST(CBookmarkIndex, PageWithoutAnchorsIsKnown) {
  CBookmarkIndex index(0);
  EXPECT_EQ(0, index.HasPage(kHttp, u"", u"", u"example.org", 80, u"/p.html"));
  EXPECT_EQ(1, index.AddPage(kHttp, u"", u"", u"example.org", 80, u"/p.html"));
  EXPECT_EQ(1, index.HasPage(kHttp, u"", u"", u"example.org", 80, u"/p.html"));
  EXPECT_EQ(0, Has(index, u"/p.html", u"x"));
  Add(index, u"/p.html", u"x");
  EXPECT_EQ(1, index.AddPage(kHttp, u"", u"", u"example.org", 80, u"/p.html"));
  EXPECT_EQ(1, Has(index, u"/p.html", u"x")) << "entering a page again keeps its anchors";
  index.Reset(1);
  EXPECT_EQ(0, index.HasPage(kHttp, u"", u"", u"example.org", 80, u"/p.html"));
  EXPECT_EQ(1, index.IgnoreCase());
}

// Crawls often meet pages in sorted order; lookups must stay fast all the same.
TEST(CBookmarkIndex, ManyPagesInSortedOrder) {
  CBookmarkIndex index(1);
  const auto start = std::chrono::steady_clock::now();
  constexpr int kPages = 100000;
  for (int i = 0; i < kPages; ++i) {
    const std::u16string resource = u"/p" + std::u16string(6 - std::to_string(i).size(), u'0');
    std::u16string digits;
    for (char c : std::to_string(i)) digits += static_cast<char16_t>(c);
    ASSERT_EQ(1, Add(index, (resource + digits).c_str(), u"n"));
  }
  EXPECT_EQ(1, Has(index, u"/P000000", u"n"));
  EXPECT_EQ(1, Has(index, u"/p099999", u"N"));
  EXPECT_EQ(0, Has(index, u"/p100000", u"n"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// The names `id0` to `id<count-1>`.
std::vector<std::u16string> Names(int count) {
  std::vector<std::u16string> names;
  for (int i = 0; i < count; ++i) names.push_back(Wide("id" + std::to_string(i)));
  return names;
}

// Seconds to enter distinct names into one page.
double EnterSeconds(const std::vector<std::u16string>& names) {
  CBookmarkIndex index(0);
  const auto start = std::chrono::steady_clock::now();
  for (const std::u16string& name : names) Add(index, u"/big.html", name.c_str());
  const double seconds = SecondsSince(start);
  EXPECT_EQ(1, Has(index, u"/big.html", names.back().c_str()));
  return seconds;
}

// A page of many ids: four times the names take about four times as long, where comparing
// each new name with every earlier one would take sixteen; the bound leaves room for a busy
// machine.
TEST(CBookmarkIndex, ManyNamesOnOnePageAreEnteredInLinearTime) {
  const std::vector<std::u16string> small = Names(5000), large = Names(20000);
  EXPECT_LT(
      GrowthRatio([&] { return EnterSeconds(small); }, [&] { return EnterSeconds(large); }, 7),
      12.0);
}

TEST(CBookmarkIndex, APageKeepsAtMostItsCapOfNames) {
  CBookmarkIndex index(0);
  for (int i = 0; i < kMaxAnchorsPerPage; ++i) {
    ASSERT_EQ(1, Add(index, u"/big.html", Wide("n" + std::to_string(i)).c_str()));
  }
  EXPECT_EQ(1, Add(index, u"/big.html", u"N0")) << "a name held already";
  EXPECT_EQ(0, Add(index, u"/big.html", u"one-too-many"));
  EXPECT_EQ(0, Has(index, u"/big.html", u"one-too-many"));
  EXPECT_EQ(1,
            Has(index, u"/big.html", Wide("#n" + std::to_string(kMaxAnchorsPerPage - 1)).c_str()));
  EXPECT_EQ(static_cast<size_t>(kMaxAnchorsPerPage),
            index.FindPage(kHttp, u"", u"", u"example.org", 80, u"/big.html")->size());
}

}  // namespace
