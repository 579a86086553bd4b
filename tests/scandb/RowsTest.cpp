// Storing checked links, recording decided ones, the look-up's case rules and the re-check.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "scandb/DbRows.h"
#include "scandb/DbSql.h"
#include "tests/scandb/ScanDbTestSupport.h"

namespace {

struct Link {
  std::string server = "example.com", resource = "/a", bookmark, comment, username, userpass;
  int32_t protocol = 1, port = 80;
  DbLink View() const {
    return {protocol,
            username.c_str(),
            userpass.c_str(),
            server.c_str(),
            port,
            resource.c_str(),
            bookmark.c_str(),
            comment.c_str(),
            2,
            0};
  }
};

struct Checker {
  std::atomic<int> calls{0};
  int32_t keep = 1;
  std::string title = "Title";
};

int32_t CheckLink(void* user, int32_t, const char*, const char*, const char*, int32_t,
                  const char* resource, const char*, const char*, int32_t, int32_t, char* title,
                  char* statusstr, char*, char* content, char*, char*, char*, int32_t* statusval,
                  int32_t*, int32_t* restime, const char*, const char*, int32_t, int32_t, int32_t,
                  int32_t) {
  Checker* checker = static_cast<Checker*>(user);
  ++checker->calls;
  snprintf(title, DB_TEXT_SIZE, "%s %s", checker->title.c_str(), resource);
  snprintf(statusstr, DB_TEXT_SIZE, "200 OK");
  snprintf(content, DB_SHORT_SIZE, "text/html; charset=utf-8");
  *statusval = 1;
  *restime = 12;
  return checker->keep;
}

DbOccurrence At(const char* page, int32_t line) { return {page, "link text", line, 4, 0, 1}; }

class RowsTest : public ScanDbTest {
 protected:
  tagDBCONTEXT* Open(int32_t ignoreCase = 0, const std::string& name = "rows.fdb") {
    tagDBCONTEXT* ctx = OpenNew(name);
    ctx->QueryCallback = CheckLink;
    ctx->QueryUser = &checker_;
    ctx->IgnoreCase = ignoreCase;
    return ctx;
  }
  // The look-up as a scan of the whole table, without the index: the reference.
  int32_t ScanFor(tagDBCONTEXT* ctx, const Link& l) {
    SqlText sql(1 << 16);
    sql.Add("SELECT number FROM loaded WHERE protocol=").AddInt(l.protocol);
    sql.Add(" AND username='").AddValue(l.username.c_str(), 256);
    sql.Add("' AND userpass='").AddValue(l.userpass.c_str(), 256);
    sql.Add("' AND UPPER(server)=UPPER('").AddValue(l.server.c_str(), 256);
    sql.Add("') AND port=").AddInt(l.port);
    if (ctx->IgnoreCase)
      sql.Add(" AND UPPER(resource)=UPPER('").AddValue(l.resource.c_str(), 2048).Add("')");
    else
      sql.Add(" AND resource='").AddValue(l.resource.c_str(), 2048).Add("'");
    sql.Add(" AND UPPER(bookmark)=UPPER('").AddValue(l.bookmark.c_str(), 256);
    sql.Add("') AND UPPER(comment)=UPPER('").AddValue(l.comment.c_str(), 256).Add("')");
    DbQuery query(ctx, "reference");
    EXPECT_TRUE(query.Open(sql, 1)) << ctx->ErrorText;
    int32_t number = 0;
    if (query.Fetch() == 0) number = query.Int(0);
    query.Close();
    return number;
  }
  int32_t Find(tagDBCONTEXT* ctx, const Link& l) {
    int32_t number = 0;
    ISC_STATUS status = 0;
    return DBFindLoaded(ctx, &number, l.View(), nullptr, &status) ? number : 0;
  }

  Checker checker_;
};

TEST_F(RowsTest, ALinkOnThreePagesIsCheckedOnceAndReportedThrice) {
  tagDBCONTEXT* ctx = Open();
  Link link;
  for (int32_t page = 1; page <= 3; ++page)
    EXPECT_EQ(DBStoreProcessed(ctx, link.View(), At("http://example.com/p", page)), 1);
  EXPECT_EQ(checker_.calls, 1);
  EXPECT_EQ(Count(ctx, "loaded"), 1);
  DBQueryReport(ctx, 2, CaptureRow, &sink_, 1, 0, nullptr);
  ASSERT_EQ(sink_.rows.size(), 3u);
  int firsts = 0;
  for (const CapturedRow& row : sink_.rows) {
    firsts += row.first;
    EXPECT_EQ(row.link.title, "Title /a");  // repeats carry the stored result
  }
  EXPECT_EQ(firsts, 1);
  EXPECT_EQ(sink_.rows.back().first, 1);
}

TEST_F(RowsTest, ACallbackThatKeepsNothingWritesNothing) {
  tagDBCONTEXT* ctx = Open();
  checker_.keep = 0;
  bool dbFailed = true;
  EXPECT_EQ(DBStoreProcessed(ctx, Link().View(), At("p", 1), &dbFailed), 0);
  EXPECT_FALSE(dbFailed);
  EXPECT_EQ(Count(ctx, "loaded"), 0);
  EXPECT_EQ(Count(ctx, "report"), 0);
}

// Each pair is stored as the first link, then looked up as the second; the index must
// agree with Firebird's own comparison (UPPER() maps code points one by one, trailing
// blanks do not count).
TEST_F(RowsTest, TheLookUpMatchesExactlyWhatTheStatementMatches) {
  struct Case {
    int32_t ignoreCase;
    Link stored, probe;
    bool same;
  };
  auto L = [](std::string server, std::string resource, std::string bookmark = "",
              std::string comment = "", std::string username = "") {
    Link l;
    l.server = server;
    l.resource = resource;
    l.bookmark = bookmark;
    l.comment = comment;
    l.username = username;
    return l;
  };
  auto Repeat = [](const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  };
  const Case cases[] = {
      {1, L("h", "/Page"), L("h", "/page"), true},
      {0, L("h", "/Page"), L("h", "/page"), false},
      {0,
       L("b\xC3\xBC"
         "cher.de",
         "/a"),
       L("B\xC3\x9C"
         "CHER.de",
         "/a"),
       true},
      {0,
       L("b\xC3\xBC"
         "cher.de",
         "/a"),
       L("b\xC3\xBC"
         "cher.de",
         "/a"),
       true},
      {1,
       L("h",
         "/stra\xC3\x9F"
         "e"),
       L("h", "/STRASSE"), false},
      {1, L("h", "/\xC7\x86"), L("h", "/\xC7\x84"), true},
      {0,
       L("h", "/a",
         "\xC3\x9C"
         "ber"),
       L("h", "/a",
         "\xC3\xBC"
         "ber"),
       true},
      {0, L("h", "/a", "one"), L("h", "/a", "two"), false},
      {0, L("h", "/a", "", "note"), L("h", "/a", "", "NOTE"), true},
      {0, L("h", "/a", "", "note"), L("h", "/a", "", "other"), false},
      {0, L("h", "/a", "", "", "User"), L("h", "/a", "", "", "user"), false},
      {0, L("h", "/a "), L("h", "/a"), true},
      {0, L("h ", "/a"), L("H", "/a  "), true},
      {0, L("h", "/it's"), L("h", "/it's"), true},
      {0, L("h", "/bad\xED\xA0\x80"), L("h", "/bad\xED\xA0\x80"), true},
      // Values at and past their columns' size are cut the same way when stored and looked up.
      {1, L(std::string(300, 'h'), "/" + std::string(3000, 'x')),
       L(std::string(300, 'H'), "/" + std::string(3000, 'X')), true},
      {0, L("h", Repeat("\xC3\xBC", 1100), Repeat("\xC3\xBC", 200)),
       L("h", Repeat("\xC3\xBC", 1100), Repeat("\xC3\x9C", 200)), true},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::string name = "case" + std::to_string(index) + ".fdb";
    tagDBCONTEXT* ctx = Open(c.ignoreCase, name);
    FillLink stored;
    stored.server = c.stored.server;
    stored.resource = c.stored.resource;
    stored.bookmark = c.stored.bookmark;
    stored.comment = c.stored.comment;
    stored.username = c.stored.username;
    int32_t number = FillLoaded(ctx, stored);
    ASSERT_GT(number, 0) << ctx->ErrorText;
    EXPECT_EQ(ScanFor(ctx, c.probe) == number, c.same) << "case " << index;
    EXPECT_EQ(Find(ctx, c.probe) == number, c.same) << "case " << index;
    // The index read back from the file agrees too.
    tagDBCONTEXT* reopened = NewContext();
    reopened->IgnoreCase = c.ignoreCase;
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
    ASSERT_EQ(DBMoveDatabase(reopened, PathOf(name).c_str(), 1), 1);
    EXPECT_EQ(Find(reopened, c.probe) == number, c.same) << "case " << index << " reopened";
    ++index;
  }
}

// A repeated link takes its result from memory: it must be what a read of the row gives,
// whatever the texts hold (quotes, characters cut at a column's end, bad bytes, blanks).
TEST_F(RowsTest, AHeldResultIsWhatTheRowReadsBack) {
  tagDBCONTEXT* ctx = Open();
  const std::string bad(100, '\xE4');  // no valid UTF-8: cleaned before it is stored
  std::string euro;
  for (int i = 0; i < 90; ++i) euro += "\xE2\x82\xAC";  // 270 bytes, cut inside a character
  const struct {
    std::string title, statusstr, content;
  } cases[] = {{"it's \"quoted\"", "200 OK", "text/html"},
               {euro, euro, euro},
               {bad, "trailing  ", "  x  "},
               {"", "", ""}};
  int line = 1;
  for (const auto& c : cases) {
    Link link;
    link.resource = "/held" + std::to_string(line);
    DbLink view = link.View();
    const DbResult given = {c.title.c_str(),
                            c.statusstr.c_str(),
                            c.statusstr.c_str(),
                            c.content.c_str(),
                            c.content.c_str(),
                            c.content.c_str(),
                            c.content.c_str(),
                            5,
                            2,
                            1234};
    ASSERT_EQ(DBInsertLink(ctx, 1, view, given, At("http://example.com/p", line)), 1);
    DbResultBuffers held, read;
    int32_t heldNumber = 0, readNumber = 0;
    ISC_STATUS status = 0;
    ASSERT_EQ(DBFindLoaded(ctx, &heldNumber, view, &held, &status), 1);
    ctx->Loaded.Reset();  // forgets what it holds: the next look-up reads the row
    ASSERT_EQ(DBFindLoaded(ctx, &readNumber, view, &read, &status), 1) << ctx->ErrorText;
    EXPECT_EQ(heldNumber, readNumber);
    const char* heldTexts[] = {held.title,   held.statusstr, held.commentstr, held.content,
                               held.ressize, held.lastmod,   held.charset};
    const char* readTexts[] = {read.title,   read.statusstr, read.commentstr, read.content,
                               read.ressize, read.lastmod,   read.charset};
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(heldTexts[i], readTexts[i]) << line << " " << i;
    EXPECT_EQ(held.statusval, read.statusval);
    EXPECT_EQ(held.attempt, read.attempt);
    EXPECT_EQ(held.restime, read.restime);
    ++line;
  }
}

TEST_F(RowsTest, QuotesSurviveEveryColumn) {
  tagDBCONTEXT* ctx = Open();
  checker_.title = "Bob's '";
  Link link;
  link.resource = "/it's/" + std::string(2040, '\'');
  link.bookmark = "a'b";
  link.username = "o'neil";
  DbOccurrence at = {"http://x/'quoted'", "'", 1, 2, 0, 1};
  ASSERT_EQ(DBStoreProcessed(ctx, link.View(), at), 1) << ctx->ErrorText;
  ASSERT_EQ(DBStoreProcessed(ctx, link.View(), at), 1) << ctx->ErrorText;
  EXPECT_EQ(checker_.calls, 1);
  DBQueryReport(ctx, 2, CaptureRow, &sink_, 0, 0, nullptr);
  ASSERT_EQ(sink_.rows.size(), 2u);
  const std::string stored = link.resource.substr(0, 2048);
  EXPECT_EQ(sink_.rows[0].link.resource, stored);
  EXPECT_EQ(sink_.rows[0].link.title, ("Bob's ' " + link.resource).substr(0, 256));
  EXPECT_EQ(sink_.rows[0].link.bookmark, "a'b");
  EXPECT_EQ(sink_.rows[0].link.username, "o'neil");
  EXPECT_EQ(sink_.rows[0].at.rel_url, "http://x/'quoted'");
  EXPECT_EQ(sink_.rows[0].at.rel_title, "'");
}

TEST_F(RowsTest, ADecidedLinkIsRecordedOnceAndShownWithoutTheLock) {
  tagDBCONTEXT* ctx = Open();
  struct Seen {
    tagDBCONTEXT* ctx;
    std::vector<int32_t> firsts;
    bool lockFree = true;
  } seen{ctx, {}, true};
  ctx->LoadUser = &seen;
  ctx->LoadCallback = [](void* user, int32_t, int32_t, int32_t first, int32_t, const char*,
                         const char*, const char*, int32_t, const char*, const char*, const char*,
                         int32_t, int32_t, const char*, const char*, const char*, const char*,
                         const char*, const char*, const char*, int32_t, int32_t, int32_t,
                         const char*, const char*, int32_t, int32_t, int32_t, int32_t, int32_t*) {
    Seen* s = static_cast<Seen*>(user);
    s->firsts.push_back(first);
    std::thread other([s] {
      if (s->ctx->Lock.try_lock())
        s->ctx->Lock.unlock();
      else
        s->lockFree = false;
    });
    other.join();
  };
  for (int page = 1; page <= 2; ++page) {
    EXPECT_EQ(
        DBAddLinkProcessed(ctx, 1, "", "", "example.com", 80, "/skipped", "", "", 2, 0, "",
                           "Skipped", "", "", "", "", "", 7, 0, 0, "http://p", "t", page, 1, 0, 1),
        1);
  }
  EXPECT_EQ(seen.firsts, (std::vector<int32_t>{1, 0}));
  EXPECT_TRUE(seen.lockFree);
  EXPECT_EQ(Count(ctx, "loaded"), 1);
  EXPECT_EQ(Count(ctx, "report"), 2);
  // A queued occurrence of the decided link is not checked again.
  Link link;
  link.resource = "/skipped";
  EXPECT_EQ(DBStoreProcessed(ctx, link.View(), At("p", 9)), 1);
  EXPECT_EQ(checker_.calls, 0);
}

struct Requeued {
  std::vector<int32_t> firsts;
};

void CountRequeued(void* user, int32_t first, int32_t, const char*, const char*, const char*,
                   int32_t, const char*, const char*, const char*, int32_t, int32_t, const char*,
                   const char*, int32_t, int32_t, int32_t, int32_t) {
  static_cast<Requeued*>(user)->firsts.push_back(first);
}

TEST_F(RowsTest, ARecheckQueuesEveryOccurrenceAndRemovesTheResult) {
  tagDBCONTEXT* ctx = Open();
  Link link;
  link.bookmark = "top";
  ASSERT_EQ(DBStoreProcessed(ctx, link.View(), At("http://p1", 1)), 1);
  ASSERT_EQ(DBStoreProcessed(ctx, link.View(), At("http://p2", 2)), 1);
  Link other;
  other.resource = "/b";
  ASSERT_EQ(DBStoreProcessed(ctx, other.View(), At("http://p1", 3)), 1);

  Requeued requeued;
  EXPECT_EQ(DBRecheckLinks(ctx, 1, "", "", "EXAMPLE.com", 80, "/a", "other", "", 2, 0, 0,
                           CountRequeued, &requeued),
            0);
  EXPECT_EQ(DBRecheckLinks(ctx, 1, "", "", "EXAMPLE.com", 80, "/a", "other", "", 2, 0, 1,
                           CountRequeued, &requeued),
            1);
  EXPECT_EQ(requeued.firsts, (std::vector<int32_t>{1, 0}));
  EXPECT_EQ(Count(ctx, "found"), 2);
  EXPECT_EQ(Count(ctx, "loaded"), 1);
  EXPECT_EQ(Count(ctx, "report"), 1);
  // The link is new again: the next store checks it.
  EXPECT_EQ(DBStoreProcessed(ctx, link.View(), At("http://p1", 1)), 1);
  EXPECT_EQ(checker_.calls, 3);

  tagDBCONTEXT* bare = OpenNew("bare.fdb", 0);
  EXPECT_EQ(DBRecheckLinks(bare, 1, "", "", "example.com", 80, "/a", "", "", 2, 0, 1, CountRequeued,
                           &requeued),
            0);
}

// Refuses inserts into and deletes from `report` while an option row says so: a failure of
// the database itself, at the statement that stores or removes an occurrence.
void RefuseReportSteps(tagDBCONTEXT* ctx) {
  const char* const statements[] = {
      "CREATE EXCEPTION refused 'refused by the test'",
      "CREATE TRIGGER refuse_insert FOR report BEFORE INSERT AS BEGIN IF (EXISTS (SELECT 1 "
      "FROM options WHERE name = 'refuse insert')) THEN EXCEPTION refused; END",
      "CREATE TRIGGER refuse_delete FOR report BEFORE DELETE AS BEGIN IF (EXISTS (SELECT 1 "
      "FROM options WHERE name = 'refuse delete')) THEN EXCEPTION refused; END",
  };
  for (const char* statement : statements) {
    SqlText sql(1024);
    sql.Add(statement);
    ASSERT_EQ(DbExecute(ctx, sql, "start", "create"), 1) << ctx->ErrorText;
  }
}

void Allow(tagDBCONTEXT* ctx) {
  SqlText sql(256);
  sql.Add("DELETE FROM options");
  ASSERT_EQ(DbExecute(ctx, sql, "start", "allow"), 1) << ctx->ErrorText;
}

std::string LastError(tagDBCONTEXT* ctx) {
  char text[512];
  DBErrorText(ctx, text, sizeof text);
  return text;
}

// A step that fails leaves the rows as they were, names itself, and a retry does the
// whole work once.
TEST_F(RowsTest, AFailedStoreOrRecheckLeavesNothingHalfDone) {
  tagDBCONTEXT* ctx = Open();
  RefuseReportSteps(ctx);
  Link link;

  ASSERT_EQ(DBSaveOption(ctx, "refuse insert", "1"), 1);
  bool dbFailed = false;
  EXPECT_EQ(DBStoreProcessed(ctx, link.View(), At("http://p1", 1), &dbFailed), 0);
  EXPECT_TRUE(dbFailed);
  EXPECT_NE(LastError(ctx).find("PROBLEM ON \"insert into report\""), std::string::npos)
      << LastError(ctx);
  EXPECT_EQ(DBAddLinkProcessed(ctx, 1, "", "", "example.com", 80, "/decided", "", "", 2, 0, "",
                               "Skipped", "", "", "", "", "", 7, 0, 0, "http://p1", "", 1, 1, 0, 1),
            0);
  EXPECT_EQ(Count(ctx, "loaded"), 0);
  EXPECT_EQ(Count(ctx, "report"), 0);

  Allow(ctx);
  ASSERT_EQ(DBStoreProcessed(ctx, link.View(), At("http://p1", 1)), 1);
  ASSERT_EQ(DBStoreProcessed(ctx, link.View(), At("http://p2", 2)), 1);
  EXPECT_EQ(checker_.calls, 2);
  EXPECT_EQ(Count(ctx, "loaded"), 1);
  EXPECT_EQ(Count(ctx, "report"), 2);
  RowSink rows;
  DBQueryReport(ctx, 2, CaptureRow, &rows, 0, 0, nullptr);
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(rows.rows[0].first + rows.rows[1].first, 1);

  ASSERT_EQ(DBSaveOption(ctx, "refuse delete", "1"), 1);
  Requeued requeued;
  EXPECT_EQ(DBRecheckLinks(ctx, 1, "", "", "example.com", 80, "/a", "", "", 2, 0, 1, CountRequeued,
                           &requeued),
            0);
  EXPECT_NE(LastError(ctx).find("PROBLEM ON \"delete report\""), std::string::npos)
      << LastError(ctx);
  EXPECT_TRUE(requeued.firsts.empty());
  EXPECT_EQ(Count(ctx, "loaded"), 1);
  EXPECT_EQ(Count(ctx, "report"), 2);
  EXPECT_EQ(Count(ctx, "found"), 0);

  Allow(ctx);
  EXPECT_EQ(DBRecheckLinks(ctx, 1, "", "", "example.com", 80, "/a", "", "", 2, 0, 1, CountRequeued,
                           &requeued),
            1);
  EXPECT_EQ(requeued.firsts.size(), 2u);
  EXPECT_EQ(Count(ctx, "loaded"), 0);
  EXPECT_EQ(Count(ctx, "report"), 0);
  EXPECT_EQ(Count(ctx, "found"), 2);
}

}  // namespace
