#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/scandb/ScanDbTestSupport.h"

namespace {

FillLink Link(int32_t protocol, const std::string& server) {
  FillLink link;
  link.protocol = protocol;
  link.server = server;
  link.resource = "/index.html";
  link.title = "Title of " + server;
  link.statusstr = "OK";
  link.content = "text/html; charset=utf-8";  // longer than 50 / 4 characters
  link.statusval = 1;
  link.restime = 5;
  return link;
}

int32_t Store(tagDBCONTEXT* ctx, const FillLink& link, std::vector<int32_t> firsts) {
  int32_t number = FillLoaded(ctx, link);
  EXPECT_GT(number, 0) << ctx->ErrorText;
  int line = 1;
  for (int32_t first : firsts) {
    FillOccurrence at{"http://page/" + link.server, "link text", line++, 2, 0, 1};
    EXPECT_TRUE(FillReport(ctx, first, number, at)) << ctx->ErrorText;
  }
  return number;
}

std::string Servers(const RowSink& sink) {
  std::string order;
  for (const CapturedRow& row : sink.rows) order += row.link.server.substr(0, 1);
  return order;
}

TEST_F(ScanDbTest, EverySortKeyOrdersByItsColumnWithoutRegardToCase) {
  tagDBCONTEXT* ctx = OpenNew("sort.fdb");
  // The base order is a, b, c; every sort column holds the reverse, in mixed case, so
  // that a byte order would give b, c, a.
  const char* texts[] = {"z", "Y", "x"};
  const char* servers[] = {"a.example", "b.example", "c.example"};
  for (int i = 0; i < 3; ++i) {
    FillLink link = Link(1, servers[i]);
    link.statusstr = link.comment = link.commentstr = link.content = link.ressize = link.lastmod =
        link.charset = texts[i];
    link.restime = 30 - 10 * i;
    int32_t number = FillLoaded(ctx, link);
    ASSERT_GT(number, 0) << ctx->ErrorText;
    FillOccurrence at{texts[i], texts[i], 1, 1, 3 - i, 0};
    ASSERT_TRUE(FillReport(ctx, 1, number, at)) << ctx->ErrorText;
  }
  for (int32_t sort : {-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 40}) {
    sink_.rows.clear();
    int32_t out = -1;
    ASSERT_EQ(DBQueryReport(ctx, 2, CaptureRow, &sink_, sort, 0, &out), 1) << ctx->ErrorText;
    EXPECT_EQ(out, 0);
    EXPECT_EQ(Servers(sink_), sort >= 2 && sort <= 11 ? "cba" : "abc") << "sort " << sort;
  }
}

TEST_F(ScanDbTest, BaseOrderGroupsLinksAndPutsTheCheckedOccurrenceLast) {
  tagDBCONTEXT* ctx = OpenNew("base.fdb");
  Store(ctx, Link(1, "b.example"), {1, 0});
  Store(ctx, Link(2, "a.example"), {1});
  Store(ctx, Link(1, "A.example"), {1});
  ASSERT_TRUE(FillFound(ctx, Link(1, "b.example"), FillOccurrence{}));
  int32_t out = -1;
  ASSERT_EQ(DBQueryReport(ctx, 2, CaptureRow, &sink_, 1, 1, &out), 1) << ctx->ErrorText;
  std::string order;
  for (const CapturedRow& row : sink_.rows)
    order += std::to_string(row.link.protocol) + row.link.server.substr(0, 1) +
             std::to_string(row.first) + " ";
  EXPECT_EQ(order, "1A1 1b0 1b0 1b1 2a1 ");
}

TEST_F(ScanDbTest, UnsortedQueryGivesTheOccurrencesAndOnRequestTheQueue) {
  tagDBCONTEXT* ctx = OpenNew("plain.fdb");
  FillLink checked = Link(1, "checked.example");
  checked.commentstr = "note";
  checked.attempt = 2;
  Store(ctx, checked, {1, 0, 0});
  FillLink queued = Link(3, "queued.example");
  queued.port = 21;
  queued.bookmark = "#b";
  queued.restype = 4;
  queued.flags = 1;
  ASSERT_TRUE(FillFound(ctx, queued, FillOccurrence{"http://from/", "from text", 7, 8, 1, 2}));

  ASSERT_EQ(DBQueryReport(ctx, 2, CaptureRow, &sink_, 0, 0, nullptr), 1) << ctx->ErrorText;
  ASSERT_EQ(sink_.rows.size(), 3u);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(sink_.rows[i].rowIndex, i);
    EXPECT_EQ(sink_.rows[i].rowCount, 3);
    EXPECT_EQ(sink_.rows[i].link.content, checked.content);
    EXPECT_EQ(sink_.rows[i].link.commentstr, "note");
    EXPECT_EQ(sink_.rows[i].link.attempt, 2);
  }

  sink_.rows.clear();
  ASSERT_EQ(DBQueryReport(ctx, 2, CaptureRow, &sink_, 0, 1, nullptr), 1) << ctx->ErrorText;
  ASSERT_EQ(sink_.rows.size(), 4u);
  const CapturedRow* row = nullptr;
  for (const CapturedRow& r : sink_.rows) {
    EXPECT_EQ(r.rowCount, 4);
    if (r.link.server == queued.server) row = &r;
  }
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->first, 0);
  EXPECT_EQ(std::tie(row->link.protocol, row->link.port, row->link.bookmark, row->link.restype,
                     row->link.flags),
            std::tie(queued.protocol, queued.port, queued.bookmark, queued.restype, queued.flags));
  for (const std::string* text :
       {&row->link.title, &row->link.statusstr, &row->link.commentstr, &row->link.content,
        &row->link.ressize, &row->link.lastmod, &row->link.charset})
    EXPECT_EQ(*text, "");
  EXPECT_EQ(row->link.statusval + row->link.attempt + row->link.restime, 0);
  EXPECT_EQ(std::tie(row->at.rel_url, row->at.rel_title, row->at.line, row->at.col, row->at.extern_,
                     row->at.dir),
            std::make_tuple(std::string("http://from/"), std::string("from text"), 7, 8, 1, 2));
}

TEST_F(ScanDbTest, CancelStopsTheQueryAtThatRow) {
  tagDBCONTEXT* ctx = OpenNew("cancel.fdb");
  Store(ctx, Link(1, "a.example"), {1, 0, 0, 0, 0});
  for (int32_t sort : {0, 1}) {
    for (int32_t at : {0, 2, 4}) {
      sink_.rows.clear();
      sink_.cancelAtIndex = at;
      int32_t out = 0;
      EXPECT_EQ(DBQueryReport(ctx, 2, CaptureRow, &sink_, sort, 0, &out), 0);
      EXPECT_NE(out, 0);
      EXPECT_EQ(sink_.rows.size(), static_cast<size_t>(at + 1)) << "sort " << sort;
    }
  }
  // The lock is free again: another thread can take it.
  std::thread other([ctx] { std::lock_guard<std::recursive_mutex> guard(ctx->Lock); });
  other.join();
}

TEST_F(ScanDbTest, QueryRunsOnlyInModeTwoWithKeptReports) {
  tagDBCONTEXT* ctx = OpenNew("modes.fdb");
  Store(ctx, Link(1, "a.example"), {1});
  int32_t out = 5;
  EXPECT_EQ(DBQueryReport(ctx, 1, CaptureRow, &sink_, 0, 0, &out), 0);
  EXPECT_EQ(out, 0);
  tagDBCONTEXT* noReport = OpenNew("noreport.fdb", 0);
  out = 5;
  EXPECT_EQ(DBQueryReport(noReport, 2, CaptureRow, &sink_, 0, 0, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_TRUE(sink_.rows.empty());
  EXPECT_EQ(DBQueryReport(nullptr, 2, CaptureRow, &sink_, 0, 0, &out), 0);
}

TEST_F(ScanDbTest, ACancelledLoadFailsTheOpen) {
  {
    tagDBCONTEXT* ctx = OpenNew("load.fdb");
    Store(ctx, Link(1, "a.example"), {1, 0});
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  }
  sink_.cancelAtIndex = 0;
  tagDBCONTEXT* ctx = NewContext();
  int32_t out = 0;
  EXPECT_EQ(DBOpenDatabase(ctx, PathOf("load.fdb").c_str(), &out), 0);
  EXPECT_NE(out, 0);
  EXPECT_EQ(sink_.rows.size(), 1u);
}

}  // namespace
