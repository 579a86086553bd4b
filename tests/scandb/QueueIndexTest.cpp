// The queue index behind the claim: which rows count as the link a worker holds, and the
// order in which rows are offered.
#include <string>
#include <vector>

#include "scandb/DbRows.h"
#include "tests/scandb/ScanDbTestSupport.h"

namespace {

struct Key {
  int32_t protocol, port;
  const char *username, *userpass, *server, *resource;
};

DbLink LinkOf(const Key& k) {
  return {k.protocol, k.username, k.userpass, k.server, k.port, k.resource, "", "", 2, 0};
}

std::string HeldKey(tagDBCONTEXT* ctx, const Key& k) {
  return ctx->Queue.Key(k.protocol, k.port, k.username, k.userpass, k.server, k.resource);
}

class QueueIndexTest : public ScanDbTest {};

TEST_F(QueueIndexTest, ARowOfTheHeldLinkIsSkippedUnderTheClaimsCaseRules) {
  const DbOccurrence at = {"http://example.com/", "a link", 1, 1, 0, 1};
  struct Case {
    Key held, queued;
    int32_t ignoreCase;
    bool sameLink;
  } const cases[] = {
      {{1, 80, "", "", "bücher.de", "/a"}, {1, 80, "", "", "Bücher.de", "/a"}, 0, true},
      {{1, 80, "", "", "EXAMPLE.com", "/a"}, {1, 80, "", "", "example.com", "/a"}, 0, true},
      {{1, 80, "", "", "o'neil.com", "/it's"}, {1, 80, "", "", "O'NEIL.com", "/it's"}, 0, true},
      {{1, 80, "User", "", "a.com", "/a"}, {1, 80, "user", "", "a.com", "/a"}, 0, false},
      {{1, 80, "", "Pw", "a.com", "/a"}, {1, 80, "", "pw", "a.com", "/a"}, 1, false},
      {{1, 80, "", "", "a.com", "/A"}, {1, 80, "", "", "a.com", "/a"}, 0, false},
      {{1, 80, "", "", "a.com", "/A"}, {1, 80, "", "", "a.com", "/a"}, 1, true},
      {{1, 80, "", "", "a.com", "/Äpfel"}, {1, 80, "", "", "a.com", "/äpfel"}, 1, true},
      {{1, 80, "", "", "a.com", "/Äpfel"}, {1, 80, "", "", "a.com", "/äpfel"}, 0, false},
      {{1, 80, "", "", "a.com", "/a"}, {1, 8080, "", "", "a.com", "/a"}, 0, false},
      {{1, 80, "", "", "a.com", "/a"}, {2, 80, "", "", "a.com", "/a"}, 0, false},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index);
    tagDBCONTEXT* ctx = OpenNew("queue" + std::to_string(index++) + ".fdb");
    ctx->IgnoreCase = c.ignoreCase;
    ASSERT_EQ(DbInsertFound(ctx, LinkOf(c.queued), at), 1) << ctx->ErrorText;
    ASSERT_TRUE(ctx->Queue.Ensure(ctx, c.ignoreCase == 1)) << ctx->ErrorText;
    const int32_t queued = ctx->Queue.First({});
    ASSERT_GT(queued, 0);
    EXPECT_EQ(ctx->Queue.First({HeldKey(ctx, c.held)}), c.sameLink ? -1 : queued);
  }
}

TEST_F(QueueIndexTest, RowsAreOfferedByNumberAndFollowInsertsAndDeletes) {
  tagDBCONTEXT* ctx = OpenNew("order.fdb");
  const DbOccurrence at = {"http://example.com/", "a link", 1, 1, 0, 1};
  const Key x = {1, 80, "", "", "x.com", "/x"}, y = {1, 80, "", "", "y.com", "/y"},
            z = {1, 80, "", "", "z.com", "/z"};
  // Read from the table: the first two rows; the third arrives once the index is known.
  ASSERT_EQ(DbInsertFound(ctx, LinkOf(x), at), 1);
  ASSERT_EQ(DbInsertFound(ctx, LinkOf(y), at), 1);
  ASSERT_TRUE(ctx->Queue.Ensure(ctx, false)) << ctx->ErrorText;
  ASSERT_EQ(DbInsertFound(ctx, LinkOf(x), at), 1);
  EXPECT_EQ(ctx->Queue.Size(), 3u);

  const int32_t x1 = ctx->Queue.First({});
  const int32_t y1 = ctx->Queue.First({HeldKey(ctx, x)});
  EXPECT_LT(x1, y1);
  EXPECT_EQ(ctx->Queue.First({HeldKey(ctx, x), HeldKey(ctx, y)}), -1);

  ASSERT_EQ(DbDeleteFound(ctx, x1), 1);
  EXPECT_EQ(ctx->Queue.First({}), y1);
  const int32_t x2 = ctx->Queue.First({HeldKey(ctx, y)});
  EXPECT_GT(x2, y1);

  ASSERT_EQ(DbInsertFound(ctx, LinkOf(z), at), 1);
  const int32_t z1 = ctx->Queue.First({HeldKey(ctx, x), HeldKey(ctx, y)});
  EXPECT_GT(z1, x2);

  // A fresh read of the table gives the same offers.
  ctx->Queue.Reset();
  ASSERT_TRUE(ctx->Queue.Ensure(ctx, false)) << ctx->ErrorText;
  EXPECT_EQ(ctx->Queue.Size(), 3u);
  EXPECT_EQ(ctx->Queue.First({}), y1);
  EXPECT_EQ(ctx->Queue.First({HeldKey(ctx, y)}), x2);
  EXPECT_EQ(ctx->Queue.First({HeldKey(ctx, x), HeldKey(ctx, y)}), z1);
}

// A row the index holds is what a read of the row gives: texts cleaned and cut as stored.
TEST_F(QueueIndexTest, AHeldRowIsWhatTheRowReadsBack) {
  tagDBCONTEXT* ctx = OpenNew("held.fdb");
  ASSERT_TRUE(ctx->Queue.Ensure(ctx, false)) << ctx->ErrorText;
  const std::string bad(100, '\xE4');  // no valid UTF-8: cleaned before it is stored
  std::string euro;
  for (int i = 0; i < 700; ++i) euro += "\xE2\x82\xAC";  // 2100 bytes, cut inside a character
  const struct {
    std::string text, longText;
  } cases[] = {
      {"it's \"quoted\"", "/it's"}, {euro, euro}, {bad, bad}, {"trailing  ", "  x  "}, {"", ""}};
  int line = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(line);
    const DbLink link = {1 + line,
                         c.text.c_str(),
                         c.text.c_str(),
                         c.text.c_str(),
                         80 + line,
                         c.longText.c_str(),
                         c.text.c_str(),
                         c.text.c_str(),
                         2,
                         line};
    const DbOccurrence at = {c.longText.c_str(), c.text.c_str(), line, 2 * line, 1, 3};
    int32_t number = 0;
    ASSERT_EQ(DbInsertFound(ctx, link, at, &number), 1) << ctx->ErrorText;
    DbFoundRow held, read;
    ASSERT_TRUE(ctx->Queue.StoredRow(number, &held));
    ctx->Queue.Reset();  // forgets what it holds: the next read reads the row
    ASSERT_TRUE(ctx->Queue.Ensure(ctx, false)) << ctx->ErrorText;
    ASSERT_FALSE(ctx->Queue.StoredRow(number, &read));
    ASSERT_EQ(DbReadFound(ctx, number, &read), 0) << ctx->ErrorText;
    const char* heldTexts[] = {held.username, held.userpass, held.server,  held.resource,
                               held.bookmark, held.comment,  held.rel_url, held.rel_title};
    const char* readTexts[] = {read.username, read.userpass, read.server,  read.resource,
                               read.bookmark, read.comment,  read.rel_url, read.rel_title};
    for (int i = 0; i < 8; ++i) EXPECT_STREQ(heldTexts[i], readTexts[i]) << i;
    const int32_t heldNumbers[] = {held.number,  held.protocol, held.port,
                                   held.restype, held.flags,    held.line,
                                   held.col,     held.extern_,  held.dir};
    const int32_t readNumbers[] = {read.number,  read.protocol, read.port,
                                   read.restype, read.flags,    read.line,
                                   read.col,     read.extern_,  read.dir};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(heldNumbers[i], readNumbers[i]) << i;
    ++line;
  }
}

}  // namespace
