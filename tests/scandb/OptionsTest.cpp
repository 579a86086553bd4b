#include <string>

#include "scandb/DbSql.h"
#include "tests/scandb/ScanDbTestSupport.h"

namespace {

std::string Load(tagDBCONTEXT* ctx, const char* name, const char* defaultValue = nullptr) {
  int32_t length = DBLoadOption(ctx, name, nullptr, 0, defaultValue);
  std::string value(static_cast<size_t>(length) + 1, '#');
  EXPECT_EQ(DBLoadOption(ctx, name, &value[0], length + 1, defaultValue), length);
  EXPECT_EQ(value[length], '\0');
  value.resize(length);
  return value;
}

int32_t RowsNamed(tagDBCONTEXT* ctx, const char* name) {
  SqlText sql(316);
  sql.Add("SELECT COUNT(*) FROM options WHERE name = '").AddValue(name, 256).Add("'");
  int32_t rows = -1;
  EXPECT_EQ(DbQueryInt(ctx, sql, "count", &rows), 1) << ctx->ErrorText;
  return rows;
}

TEST_F(ScanDbTest, MissingOptionsGiveTheDefault) {
  tagDBCONTEXT* ctx = OpenNew("defaults.fdb");
  char buffer[8];
  EXPECT_EQ(DBLoadOption(ctx, "Missing", buffer, sizeof(buffer), "dflt"), 4);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(DBLoadOption(ctx, "Missing", buffer, sizeof(buffer), nullptr), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(DBLoadOption(ctx, "Missing", nullptr, 0, "a longer default"), 16);
  EXPECT_EQ(DBLoadOption(ctx, "Missing", buffer, sizeof(buffer), "a longer default"), 7);
  EXPECT_STREQ(buffer, "a longe");
}

TEST_F(ScanDbTest, SavingAgainKeepsOneRowWithTheNewValue) {
  tagDBCONTEXT* ctx = OpenNew("overwrite.fdb");
  const std::string large(100 * 1024, 'L');
  struct {
    const char* name;
    std::string value;
  } const saves[] = {
      {"CheckImages", "TRUE"},
      {"CheckImages", "FALSE"},
      {"sSkipWildcard", "it's a 'quoted' \xC3\xA4\xE4\xB8\xAD value"},
      {"sSkipWildcard", "''"},
      {"it's", "name with a quote"},
      {"n\xC3\xA4me", "non-ASCII name"},
      {"sRobotsTxt", large},
      {"sRobotsTxt", "short again"},
      {"sRobotsTxt", large + "\xF0\x9F\x98\x80"},
      {"Literal", std::string(16383, 'x')},
      {"Blob", std::string(16384, 'x')},
      {"Quotes", std::string(16383, '\'')},
      {"Empty", ""},
  };
  for (const auto& save : saves) {
    ASSERT_EQ(DBSaveOption(ctx, save.name, save.value.c_str()), 1) << ctx->ErrorText;
    EXPECT_EQ(RowsNamed(ctx, save.name), 1) << save.name;
    EXPECT_TRUE(Load(ctx, save.name, "default") == save.value) << save.name;
  }
  // What was saved is there after a reopen.
  ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  ASSERT_EQ(DBMoveDatabase(ctx, PathOf("overwrite.fdb").c_str(), 1), 1);
  EXPECT_TRUE(Load(ctx, "sRobotsTxt") == large + "\xF0\x9F\x98\x80");
  EXPECT_EQ(Load(ctx, "CheckImages"), "FALSE");
}

TEST_F(ScanDbTest, ReadsStopAtTheBufferSize) {
  tagDBCONTEXT* ctx = OpenNew("sizes.fdb");
  std::string value;
  for (int i = 0; i < 1000; ++i) value += static_cast<char>('a' + i % 26);
  ASSERT_EQ(DBSaveOption(ctx, "Thousand", value.c_str()), 1) << ctx->ErrorText;
  struct {
    int32_t size;
    int32_t stored;
  } const cases[] = {{256, 255},  {1, 0},       {81, 80},    {999, 998},
                     {1000, 999}, {1001, 1000}, {5000, 1000}};
  for (const auto& c : cases) {
    std::string buffer(static_cast<size_t>(c.size) + 1, '#');
    EXPECT_EQ(DBLoadOption(ctx, "Thousand", &buffer[0], c.size, nullptr), c.stored) << c.size;
    EXPECT_EQ(buffer.substr(0, c.stored), value.substr(0, c.stored));
    EXPECT_EQ(buffer[c.stored], '\0');
    EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer";
  }
  EXPECT_EQ(DBLoadOption(ctx, "Thousand", nullptr, 0, nullptr), 1000);
  char untouched = '#';
  EXPECT_EQ(DBLoadOption(ctx, "Thousand", &untouched, 0, nullptr), 0);
  EXPECT_EQ(untouched, '#');
}

TEST_F(ScanDbTest, OptionValuesAreMadeValidUtf8) {
  tagDBCONTEXT* ctx = OpenNew("invalid.fdb");
  ASSERT_EQ(DBSaveOption(ctx, "Bad",
                         "a\xFF"
                         "b\xED\xA0\x80"),
            1)
      << ctx->ErrorText;
  EXPECT_EQ(Load(ctx, "Bad"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(ScanDbTest, AnOptionStatementThatWouldBeCutIsNotRun) {
  tagDBCONTEXT* ctx = OpenNew("cut.fdb");
  const std::string name(200, '\'');  // 400 bytes once doubled
  EXPECT_EQ(DBSaveOption(ctx, name.c_str(), "v"), 0);
  EXPECT_EQ(std::string(ctx->ErrorText), "PROBLEM ON \"select options\".\n");
  char buffer[4] = "##";
  EXPECT_EQ(DBLoadOption(ctx, name.c_str(), buffer, sizeof(buffer), "d"), 0);
  EXPECT_EQ(RowsNamed(ctx, "''"), 0);
}

TEST_F(ScanDbTest, OptionFailuresNameTheirSteps) {
  tagDBCONTEXT* ctx = OpenNew("fail.fdb");
  ASSERT_EQ(DBMoveDatabase(ctx, nullptr, 0), 1);
  EXPECT_EQ(DBSaveOption(ctx, "Name", "value"), 0);
  EXPECT_EQ(std::string(ctx->ErrorText).rfind("PROBLEM ON \"start transaction select options\"", 0),
            0u)
      << ctx->ErrorText;
  char buffer[8] = "#######";
  EXPECT_EQ(DBLoadOption(ctx, "Name", buffer, sizeof(buffer), "dflt"), 0);
  EXPECT_EQ(DBSaveOption(nullptr, "Name", "value"), 0);
  EXPECT_EQ(DBLoadOption(nullptr, "Name", buffer, sizeof(buffer), "dflt"), 0);
}

}  // namespace
