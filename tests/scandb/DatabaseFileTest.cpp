#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "scandb/DbSql.h"
#include "tests/scandb/ScanDbTestSupport.h"

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// Changes the schema behind the context's back; its kept statements would hold the tables.
bool RunStatement(tagDBCONTEXT* ctx, const char* statement) {
  DbDropPrepared(ctx);
  SqlText sql(4096);
  sql.Add(statement);
  return DbExecute(ctx, sql, "start transaction test", "test") == 1;
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

std::string ErrorOf(tagDBCONTEXT* ctx) { return ctx->ErrorText; }

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// One stored link with one occurrence.
void AddLink(tagDBCONTEXT* ctx, const FillLink& link, const FillOccurrence& at) {
  int32_t number = FillLoaded(ctx, link);
  ASSERT_GT(number, 0) << ctx->ErrorText;
  ASSERT_TRUE(FillReport(ctx, 1, number, at)) << ctx->ErrorText;
}

TEST_F(ScanDbTest, OpenCreatesTheSchemaOnAMissingPath) {
  for (int32_t keepReport : {1, 0}) {
    std::string path = PathOf("new" + std::to_string(keepReport) + ".fdb");
    tagDBCONTEXT* ctx = NewContext(keepReport);
    int32_t out = -1;
    ASSERT_EQ(DBOpenDatabase(ctx, path.c_str(), &out), 1) << ctx->ErrorText;
    EXPECT_EQ(out, 0);
    EXPECT_TRUE(sink_.rows.empty());
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);

    std::string listing =
        Isql(path,
             "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE "
             "RDB$SYSTEM_FLAG = 0 ORDER BY 1;\nSELECT TRIM(RDB$GENERATOR_NAME) FROM "
             "RDB$GENERATORS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1;\nSELECT "
             "MON$SQL_DIALECT FROM MON$DATABASE;\n");
    for (const char* name : {"FOUND", "LOADED", "OPTIONS", "GEN_FOUND", "GEN_LOADED"})
      EXPECT_NE(listing.find(name), std::string::npos) << name << "\n" << listing;
    EXPECT_EQ(listing.find("REPORT") != std::string::npos, keepReport == 1) << listing;
    EXPECT_NE(listing.find("MON$SQL_DIALECT"), std::string::npos) << "dialect\n" << listing;
  }
}

TEST_F(ScanDbTest, OpenRecreatesAZeroLengthFile) {
  std::string path = PathOf("empty.fdb");
  WriteFile(path, "");
  tagDBCONTEXT* ctx = OpenNew("empty.fdb");
  EXPECT_EQ(Count(ctx, "loaded"), 0);
  EXPECT_GT(ReadFile(path).size(), 0u);
}

// Only the missing tables are created: the rows of the others, the options among them,
// are the worksheet and stay.
TEST_F(ScanDbTest, MissingTablesAreCreatedAloneAndTheOthersKeepTheirRows) {
  struct {
    std::vector<const char*> drops;
    int32_t keepReport;
  } const cases[] = {
      {{"found"}, 1},
      {{"loaded"}, 1},
      {{"options"}, 1},
      {{"report"}, 1},
      {{"loaded", "found", "report"}, 1},
      {{}, 0},  // a database without `report` is whole when KeepReport is 0
  };
  int index = 0;
  for (const auto& c : cases) {
    std::string name = "drop" + std::to_string(index++) + ".fdb";
    tagDBCONTEXT* ctx = OpenNew(name, c.keepReport);
    FillLink link;
    link.server = "example.com";
    int32_t number = FillLoaded(ctx, link);
    ASSERT_GT(number, 0) << ctx->ErrorText;
    if (c.keepReport) {
      ASSERT_TRUE(FillReport(ctx, 1, number, FillOccurrence{})) << ctx->ErrorText;
    }
    ASSERT_TRUE(FillFound(ctx, link, FillOccurrence{}));
    ASSERT_EQ(DBSaveOption(ctx, "Kept", "1"), 1) << ctx->ErrorText;
    for (const char* table : c.drops) {
      ASSERT_TRUE(RunStatement(ctx, (std::string("DROP TABLE ") + table).c_str()))
          << ctx->ErrorText;
    }
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);

    tagDBCONTEXT* again = NewContext(c.keepReport);
    int32_t out = 0;
    sink_.rows.clear();
    ASSERT_EQ(DBOpenDatabase(again, PathOf(name).c_str(), &out), 1) << again->ErrorText;
    auto dropped = [&](const char* table) {
      return std::find_if(c.drops.begin(), c.drops.end(), [table](const char* d) {
               return std::string(d) == table;
             }) != c.drops.end();
    };
    for (const char* table : {"loaded", "found", "report"}) {
      if (!c.keepReport && std::string(table) == "report") continue;
      EXPECT_EQ(Count(again, table), dropped(table) ? 0 : 1) << name << " " << table;
    }
    EXPECT_EQ(DBLoadOption(again, "Kept", nullptr, 0, ""), dropped("options") ? 0 : 1) << name;
    // The worksheet shows the checked link while its rows are there.
    const size_t shown = c.keepReport && !dropped("loaded") && !dropped("report") ? 1 : 0;
    EXPECT_EQ(sink_.rows.size(), shown) << name;
    int32_t next = 0;
    ASSERT_EQ(DBNextGeneratorValue(again, "gen_loaded", 1, &next), 1) << again->ErrorText;
    EXPECT_EQ(next, number + 1) << name;
  }
}

TEST_F(ScanDbTest, ReopenHandsBackEveryStoredRowByteForByte) {
  const std::string path = PathOf("rows.fdb");
  FillLink quotes;
  quotes.username = "o'neil";
  quotes.userpass = "'";
  quotes.server = "it's.example";
  quotes.port = 8080;
  quotes.resource = "/a'b/''/c'";
  quotes.bookmark = "#'";
  quotes.comment = "'quoted'";
  quotes.title = "Bob's page";
  quotes.statusstr = "200 'OK'";
  quotes.restype = 7;
  quotes.flags = 1;
  quotes.statusval = 5;
  quotes.attempt = 3;
  quotes.restime = 1234;
  FillLink wide;
  wide.protocol = 2;
  wide.server =
      "b\xC3\xBC"
      "cher.example";
  wide.resource = "/\xE4\xB8\xAD\xE6\x96\x87/\xF0\x9F\x98\x80";
  wide.title = std::string(84, 'x') + Repeat("\xE4\xB8\xAD", 57) + "x";  // 256 bytes
  wide.content = "text/html; charset=utf-8";
  wide.charset = "ISO-8859-1";
  FillLink longest;
  longest.protocol = 3;
  longest.username = std::string(256, 'u');
  longest.userpass = std::string(256, 'p');
  longest.server = std::string(256, 's');
  longest.resource = std::string(2048, '\'');
  longest.bookmark = std::string(256, 'b');
  longest.comment = std::string(256, 'c');
  longest.title = std::string(256, 't');
  longest.statusstr = std::string(256, 'S');
  longest.commentstr = std::string(256, 'C');
  longest.content = std::string(50, 'n');
  longest.ressize = std::string(50, '9');
  longest.lastmod = std::string(50, 'L');
  longest.charset = std::string(50, 'h');
  const FillOccurrence atQuotes{"http://it's/", "'", 1, 2, 0, 3};
  const FillOccurrence atLongest{"/" + std::string(2047, 'r'), std::string(256, '\''), 7, 8, 1, 9};
  const FillOccurrence atWide{
      "http://b\xC3\xBC"
      "cher/",
      "\xC3\x84\x08link\x0c",
      5,
      6,
      1,
      2};
  {
    tagDBCONTEXT* ctx = OpenNew("rows.fdb");
    AddLink(ctx, quotes, atQuotes);
    AddLink(ctx, wide, atWide);
    AddLink(ctx, longest, atLongest);
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  }
  tagDBCONTEXT* ctx = NewContext();
  int32_t out = -1;
  ASSERT_EQ(DBOpenDatabase(ctx, path.c_str(), &out), 1) << ctx->ErrorText;
  EXPECT_EQ(out, 0);
  ASSERT_EQ(sink_.rows.size(), 3u);
  const FillLink* links[] = {&quotes, &wide, &longest};
  const FillOccurrence* places[] = {&atQuotes, &atWide, &atLongest};
  for (int i = 0; i < 3; ++i) {
    const CapturedRow* row = nullptr;
    for (const CapturedRow& r : sink_.rows)
      if (r.link.server == links[i]->server) row = &r;
    ASSERT_NE(row, nullptr) << i;
    const FillLink& a = row->link;
    const FillLink& b = *links[i];
    EXPECT_EQ(row->rowCount, 3);
    EXPECT_EQ(row->first, 1);
    EXPECT_EQ(std::tie(a.protocol, a.username, a.userpass, a.port, a.resource, a.bookmark,
                       a.comment, a.restype, a.flags),
              std::tie(b.protocol, b.username, b.userpass, b.port, b.resource, b.bookmark,
                       b.comment, b.restype, b.flags))
        << i;
    EXPECT_EQ(std::tie(a.title, a.statusstr, a.commentstr, a.content, a.ressize, a.lastmod,
                       a.charset, a.statusval, a.attempt, a.restime),
              std::tie(b.title, b.statusstr, b.commentstr, b.content, b.ressize, b.lastmod,
                       b.charset, b.statusval, b.attempt, b.restime))
        << i;
    const FillOccurrence& x = row->at;
    const FillOccurrence& y = *places[i];
    EXPECT_EQ(std::tie(x.rel_url, x.rel_title, x.line, x.col, x.extern_, x.dir),
              std::tie(y.rel_url, y.rel_title, y.line, y.col, y.extern_, y.dir))
        << i;
  }
}

TEST_F(ScanDbTest, TextIsMadeValidAndCutToItsColumn) {
  tagDBCONTEXT* ctx = OpenNew("clean.fdb");
  FillLink link;
  link.server =
      "bad\xED\xA0\x80"
      "host";
  link.title = std::string(255, 'x') + "\xE4\xB8\xAD";  // the last character does not fit
  link.content = std::string(60, 'c');
  AddLink(ctx, link, FillOccurrence{"\xFF", "", 0, 0, 0, 0});
  ASSERT_EQ(DBQueryReport(ctx, 2, CaptureRow, &sink_, 0, 0, nullptr), 1);
  ASSERT_EQ(sink_.rows.size(), 1u) << ctx->ErrorText;
  EXPECT_EQ(sink_.rows[0].link.server, "bad\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDhost");
  EXPECT_EQ(sink_.rows[0].link.title, std::string(255, 'x'));
  EXPECT_EQ(sink_.rows[0].link.content, std::string(50, 'c'));
  EXPECT_EQ(sink_.rows[0].at.rel_url, "\xEF\xBF\xBD");
}

TEST_F(ScanDbTest, PathsWithQuotesAndNonAsciiNameTheFileItself) {
  for (const char* name : {"it's.fdb",
                           "b\xC3\xBC"
                           "cher \xE4\xB8\xAD.fdb",
                           "''.fdb"}) {
    SCOPED_TRACE(name);
    const std::string path = PathOf(name);
    {
      tagDBCONTEXT* ctx = OpenNew(name);
      AddLink(ctx, FillLink{}, FillOccurrence{});
      ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
    }
    EXPECT_TRUE(Exists(path)) << name;
    sink_.rows.clear();
    OpenNew(name);
    EXPECT_EQ(sink_.rows.size(), 1u) << name;
  }
}

TEST_F(ScanDbTest, RefusesToResetOrFreeWhileRunning) {
  tagDBCONTEXT* ctx = OpenNew("run.fdb");
  AddLink(ctx, FillLink{}, FillOccurrence{});
  ctx->Running = 1;
  EXPECT_EQ(DBResetTables(ctx, 1), 0);
  EXPECT_EQ(DBFreeContext(ctx), 0);
  EXPECT_EQ(ctx->IgnoreCase, 0);
  EXPECT_EQ(Count(ctx, "report"), 1);
  ctx->Running = 0;
  EXPECT_EQ(DBResetTables(ctx, 1), 1) << ctx->ErrorText;
  EXPECT_EQ(ctx->IgnoreCase, 1);
  EXPECT_EQ(Count(ctx, "report"), 0);
  // The rebuilt tables take rows through the same statements as the old ones did.
  AddLink(ctx, FillLink{}, FillOccurrence{});
  EXPECT_EQ(Count(ctx, "report"), 1) << ctx->ErrorText;
  EXPECT_EQ(Count(ctx, "loaded"), 1) << ctx->ErrorText;
  EXPECT_EQ(DBFreeContext(nullptr), 0);
  EXPECT_EQ(DBResetTables(nullptr, 0), 0);
}

TEST_F(ScanDbTest, MoveDetachesAndAttachesACopy) {
  tagDBCONTEXT* ctx = OpenNew("from.fdb");
  AddLink(ctx, FillLink{}, FillOccurrence{});
  ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  EXPECT_EQ(DBMoveDatabase(ctx, nullptr, 0), 0);
  std::string command = "cp '" + PathOf("from.fdb") + "' '" + PathOf("to.fdb") + "'";
  ASSERT_EQ(system(command.c_str()), 0);
  ASSERT_EQ(DBMoveDatabase(ctx, PathOf("to.fdb").c_str(), 1), 1) << ctx->ErrorText;
  EXPECT_EQ(Count(ctx, "report"), 1);
  AddLink(ctx, FillLink{}, FillOccurrence{});
  ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  ASSERT_EQ(DBMoveDatabase(ctx, PathOf("from.fdb").c_str(), 1), 1) << ctx->ErrorText;
  EXPECT_EQ(Count(ctx, "report"), 1);
  EXPECT_EQ(sink_.rows.size(), 0u) << "a move loads nothing";
}

TEST_F(ScanDbTest, FilesThatAreNoDatabaseFailAndStayUntouched) {
  std::string real;
  {
    tagDBCONTEXT* ctx = OpenNew("real.fdb");
    AddLink(ctx, FillLink{}, FillOccurrence{});
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
    real = ReadFile(PathOf("real.fdb"));
  }
  std::string noise(65536, '\0');
  unsigned state = 12345;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  struct {
    const char* name;
    std::string bytes;
  } const cases[] = {
      {"noise.fdb", noise},
      {"half.fdb", real.substr(0, real.size() / 2)},
      {"header.fdb", real.substr(0, 1024)},
      {"text.fdb", "just some text\n"},
      {"one.fdb", "x"},
  };
  for (const auto& c : cases) {
    const std::string path = PathOf(c.name);
    WriteFile(path, c.bytes);
    tagDBCONTEXT* ctx = NewContext();
    int32_t out = -1;
    EXPECT_EQ(DBOpenDatabase(ctx, path.c_str(), &out), 0) << c.name;
    EXPECT_EQ(out, 0);
    EXPECT_TRUE(StartsWith(ErrorOf(ctx), "PROBLEM ON \"")) << c.name;
    EXPECT_NE(ErrorOf(ctx).find("SQLCODE: "), std::string::npos) << ErrorOf(ctx);
    DBFreeContext(ctx);
    contexts_.pop_back();
    EXPECT_TRUE(ReadFile(path) == c.bytes) << c.name << " was changed";
  }
}

TEST_F(ScanDbTest, CreateFailuresReportTheirOwnCause) {
  tagDBCONTEXT* ctx = NewContext();
  int32_t out = -1;
  EXPECT_EQ(DBOpenDatabase(ctx, PathOf("no/such/folder/x.fdb").c_str(), &out), 0);
  EXPECT_TRUE(StartsWith(ErrorOf(ctx), "PROBLEM ON \"create database\".\n")) << ErrorOf(ctx);
  EXPECT_NE(ErrorOf(ctx).find("SQLCODE: -902"), std::string::npos) << ErrorOf(ctx);

  const std::string tooLong = PathOf(std::string(1010, 'x'));
  EXPECT_EQ(DBOpenDatabase(ctx, tooLong.c_str(), &out), 0);
  EXPECT_EQ(ErrorOf(ctx), "PROBLEM ON \"create database\".\n");
  EXPECT_FALSE(Exists(tooLong));
}

TEST_F(ScanDbTest, CountAndGeneratorFailuresNameTheirSteps) {
  tagDBCONTEXT* ctx = OpenNew("steps.fdb");
  int32_t value = 77;
  EXPECT_EQ(DBCountRows(ctx, "nosuchtable", &value), 0);
  EXPECT_EQ(value, 77);
  EXPECT_TRUE(StartsWith(ErrorOf(ctx), "PROBLEM ON \"select found\".\nDynamic SQL Error\n"))
      << ErrorOf(ctx);
  EXPECT_EQ(DBNextGeneratorValue(ctx, "gen_none", 1, &value), 0);
  EXPECT_TRUE(StartsWith(ErrorOf(ctx), "PROBLEM ON \"select generator\".")) << ErrorOf(ctx);
  EXPECT_EQ(DBCountRows(ctx, std::string(300, 'x').c_str(), &value), 0);
  EXPECT_EQ(ErrorOf(ctx), "PROBLEM ON \"select found\".\n");

  int32_t first = 0, second = 0;
  ASSERT_EQ(DBNextGeneratorValue(ctx, "gen_found", 5, &first), 1);
  ASSERT_EQ(DBNextGeneratorValue(ctx, "gen_found", 0, &second), 1);
  EXPECT_EQ(first, 5);
  EXPECT_EQ(second, 5);

  ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  EXPECT_EQ(DBCountRows(ctx, "found", &value), 0);
  EXPECT_TRUE(StartsWith(ErrorOf(ctx), "PROBLEM ON \"start transaction select found\"."))
      << ErrorOf(ctx);
}

constexpr size_t kPage = 8192;  // Firebird's page size for a new database

// The bytes of every page but Firebird's own bookkeeping, which any attachment moves: the
// header page (attachment and transaction counters) and the transaction inventory pages.
std::string Body(const std::string& bytes) {
  const char kHeaderPage = 1, kTransactionPage = 3;
  std::string body = bytes;
  for (size_t page = 0; page < body.size(); page += kPage) {
    if (body[page] == kHeaderPage || body[page] == kTransactionPage)
      std::fill(body.begin() + page, body.begin() + std::min(body.size(), page + kPage), '\0');
  }
  return body;
}

TEST_F(ScanDbTest, DamagedForeignAndLoopingFilesAreRefusedAndLeftAsTheyWere) {
  std::string good;
  {
    tagDBCONTEXT* ctx = OpenNew("good.fdb");
    for (int i = 0; i < 200; ++i) {
      FillLink link;
      link.resource = "/page" + std::to_string(i) + Repeat("x", 500);
      FillOccurrence at;
      at.rel_title = Repeat("t", 200);
      AddLink(ctx, link, at);
    }
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
    good = ReadFile(PathOf("good.fdb"));
  }
  ASSERT_EQ(good.size() % kPage, 0u);
  // A page of the `report` rows.
  std::string zeroed = good;
  std::fill(zeroed.begin() + 10 * kPage, zeroed.begin() + 11 * kPage, '\0');

  const std::string foreign = PathOf("foreign.fdb");
  {
    tagDBCONTEXT* ctx = NewContext();
    ASSERT_EQ(DBMoveDatabase(ctx, foreign.c_str(), 1), 1) << ctx->ErrorText;
    ASSERT_TRUE(RunStatement(ctx, "CREATE TABLE options (id INTEGER, note VARCHAR(20))"));
    ASSERT_TRUE(RunStatement(ctx, "CREATE TABLE customers (name VARCHAR(20))"));
    ASSERT_TRUE(RunStatement(ctx, "INSERT INTO options VALUES (7, 'theirs')"));
    ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  }
  const std::string loop = PathOf("loop.fdb");
  ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
  const std::string dangling = PathOf("dangling.fdb");
  ASSERT_EQ(symlink(PathOf("nowhere.fdb").c_str(), dangling.c_str()), 0);

  struct {
    const char* name;
    std::string bytes;  // written to the file first unless empty
    const char* error;
  } const cases[] = {
      {"cut.fdb", good.substr(0, good.size() - 30 * kPage), "PROBLEM ON \"fetch select report\""},
      {"zeroed.fdb", zeroed, "PROBLEM ON \"select report\""},
      {"foreign.fdb", "", "PROBLEM ON \"check tables: not a worksheet database\""},
      {"loop.fdb", "", "PROBLEM ON \"create database\""},
      {"dangling.fdb", "", "PROBLEM ON \"create database\""},
  };
  for (const auto& c : cases) {
    const std::string path = PathOf(c.name);
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    const std::string before = ReadFile(path);
    sink_.rows.clear();
    tagDBCONTEXT* ctx = NewContext();
    int32_t out = -1;
    EXPECT_EQ(DBOpenDatabase(ctx, path.c_str(), &out), 0) << c.name;
    EXPECT_TRUE(StartsWith(ErrorOf(ctx), c.error)) << c.name << ": " << ErrorOf(ctx);
    // Another process can open what the failed open leaves.
    const std::string other = Isql(path, "SELECT COUNT(*) AS n FROM rdb$database;\n");
    DBFreeContext(ctx);
    contexts_.pop_back();
    // Firebird collects the back versions the foreign file's DDL left on any attachment, so
    // that file is compared by what it holds, below, rather than by its bytes.
    if (path != foreign) {
      EXPECT_TRUE(Body(ReadFile(path)) == Body(before)) << c.name << " was changed";
    }
    if (!c.bytes.empty() || path == foreign) {
      EXPECT_EQ(other.find("lock"), std::string::npos) << c.name << ": " << other;
    }
  }
  EXPECT_NE(Isql(foreign, "SELECT note FROM options;\n").find("theirs"), std::string::npos);
  // No table was added to it: every relation of its own but the two it was made with.
  const std::string added = Isql(foreign,
                                 "SELECT 'added:' || COUNT(*) FROM rdb$relations WHERE "
                                 "rdb$system_flag = 0 AND rdb$relation_name NOT IN "
                                 "('OPTIONS', 'CUSTOMERS');\n");
  EXPECT_NE(added.find("added:0"), std::string::npos) << added;
  EXPECT_FALSE(Exists(PathOf("nowhere.fdb")));

  // A worksheet another process holds: isql, once it has written a line to the marker
  // file, is attached and waits for more input.
  const std::string held = PathOf("held.fdb");
  const std::string marker = PathOf("attached.txt");
  WriteFile(held, good);
  FILE* holder = popen(("isql-fb -q -user SYSDBA '" + held + "' > /dev/null 2>&1").c_str(), "w");
  ASSERT_NE(holder, nullptr);
  fputs(("OUTPUT '" + marker + "';\nSELECT 1 FROM rdb$database;\nOUTPUT;\n").c_str(), holder);
  fflush(holder);
  for (int i = 0; i < 300 && ReadFile(marker).empty(); ++i) usleep(100 * 1000);
  ASSERT_FALSE(ReadFile(marker).empty()) << "isql did not attach";
  {
    tagDBCONTEXT* ctx = NewContext();
    int32_t out = 0;
    EXPECT_EQ(DBOpenDatabase(ctx, held.c_str(), &out), 0);
    EXPECT_TRUE(StartsWith(ErrorOf(ctx), "PROBLEM ON \"connect database\"")) << ErrorOf(ctx);
    DBFreeContext(ctx);
    contexts_.pop_back();
  }
  fputs("quit;\n", holder);
  pclose(holder);
  EXPECT_TRUE(Body(ReadFile(held)) == Body(good));
}

TEST_F(ScanDbTest, AReopenOrAMoveLeavesTheFirstFileFreeAndTheLookUpsRight) {
  tagDBCONTEXT* ctx = OpenNew("first.fdb");
  int32_t out = 0;
  ASSERT_EQ(DBOpenDatabase(ctx, PathOf("second.fdb").c_str(), &out), 1) << ctx->ErrorText;
  const std::string first = Isql(PathOf("first.fdb"), "SELECT COUNT(*) AS n FROM loaded;\n");
  EXPECT_EQ(first.find("lock"), std::string::npos) << first;
  EXPECT_NE(first.find("0"), std::string::npos) << first;

  const auto store = [ctx] {
    return DBAddLinkProcessed(ctx, 1, "", "", "example.com", 80, "/a", "", "", 2, 0, "", "Skipped",
                              "", "", "", "", "", 7, 0, 0, "http://p", "", 1, 1, 0, 1);
  };
  ASSERT_EQ(store(), 1);
  ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  std::string command = "cp '" + PathOf("second.fdb") + "' '" + PathOf("moved.fdb") + "'";
  ASSERT_EQ(system(command.c_str()), 0);
  ASSERT_EQ(DBMoveDatabase(ctx, PathOf("moved.fdb").c_str(), 1), 1) << ctx->ErrorText;
  ASSERT_EQ(store(), 1);
  EXPECT_EQ(Count(ctx, "loaded"), 1) << "the stored link is found after the move";
  EXPECT_EQ(Count(ctx, "report"), 2);
}

}  // namespace
