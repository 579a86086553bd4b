#include "tests/scandb/ScanDbTestSupport.h"

#include <sys/stat.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

void CaptureRow(void* user, int32_t rowCount, int32_t rowIndex, int32_t first, int32_t protocol,
                const char* username, const char* userpass, const char* server, int32_t port,
                const char* resource, const char* bookmark, const char* comment, int32_t restype,
                int32_t flags, const char* title, const char* statusstr, const char* commentstr,
                const char* content, const char* ressize, const char* lastmod, const char* charset,
                int32_t statusval, int32_t attempt, int32_t restime, const char* rel_url,
                const char* rel_title, int32_t line, int32_t col, int32_t extern_, int32_t dir,
                int32_t* cancel) {
  RowSink* sink = static_cast<RowSink*>(user);
  CapturedRow row;
  row.rowCount = rowCount;
  row.rowIndex = rowIndex;
  row.first = first;
  row.link = FillLink{protocol, username, userpass, server,    port,      resource,   bookmark,
                      comment,  restype,  flags,    title,     statusstr, commentstr, content,
                      ressize,  lastmod,  charset,  statusval, attempt,   restime};
  row.at = FillOccurrence{rel_url, rel_title, line, col, extern_, dir};
  sink->rows.push_back(row);
  if (rowIndex == sink->cancelAtIndex) *cancel = 1;
}

void ScanDbTest::SetUp() {
  // Firebird reads file names in the locale's character set; the program gets a UTF-8 one
  // from Wine, which takes it from the environment.
  ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  const char* base = getenv("SCANDB_TEST_DIR");
  ASSERT_NE(base, nullptr) << "SCANDB_TEST_DIR is not set";
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = std::string(base) + "/" + info->test_suite_name() + "." + info->name();
  std::string command = "rm -rf " + Quoted(folder_) + " && mkdir -p " + Quoted(folder_);
  ASSERT_EQ(system(command.c_str()), 0);
}

void ScanDbTest::TearDown() {
  for (tagDBCONTEXT* ctx : contexts_) {
    ctx->Running = 0;
    DBFreeContext(ctx);
  }
}

tagDBCONTEXT* ScanDbTest::NewContext(int32_t keepReport) {
  tagDBCONTEXTINIT init = {};
  init.KeepReport = keepReport;
  init.ReportMode = 2;
  init.LoadCallback = CaptureRow;
  init.LoadUser = &sink_;
  tagDBCONTEXT* ctx = DBCreateContext(&init);
  contexts_.push_back(ctx);
  return ctx;
}

tagDBCONTEXT* ScanDbTest::OpenNew(const std::string& name, int32_t keepReport) {
  tagDBCONTEXT* ctx = NewContext(keepReport);
  int32_t out = -1;
  EXPECT_EQ(DBOpenDatabase(ctx, PathOf(name).c_str(), &out), 1) << ctx->ErrorText;
  return ctx;
}

std::string ScanDbTest::Isql(const std::string& path, const std::string& statements) const {
  std::string script = PathOf("isql.sql");
  WriteFile(script, statements);
  std::string command =
      "isql-fb -q -user SYSDBA -i " + Quoted(script) + " " + Quoted(path) + " 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), pipe)) > 0) output.append(chunk, got);
    pclose(pipe);
  }
  return output;
}

int32_t ScanDbTest::Count(tagDBCONTEXT* ctx, const char* table) {
  int32_t count = -1;
  EXPECT_EQ(DBCountRows(ctx, table, &count), 1) << ctx->ErrorText;
  return count;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}
