// Writes worksheet rows directly, shaped as a scan writes them, for the tests and the benchmark.
#include "scandb/RowFill.h"

#include "scandb/DbRows.h"
#include "scandb/DbSql.h"

namespace {

DbLink LinkOf(const FillLink& l) {
  return {l.protocol,         l.username.c_str(), l.userpass.c_str(), l.server.c_str(), l.port,
          l.resource.c_str(), l.bookmark.c_str(), l.comment.c_str(),  l.restype,        l.flags};
}

DbOccurrence OccurrenceOf(const FillOccurrence& at) {
  return {at.rel_url.c_str(), at.rel_title.c_str(), at.line, at.col, at.extern_, at.dir};
}

}  // namespace

int32_t FillLoaded(tagDBCONTEXT* ctx, const FillLink& l) {
  const DbResult result = {l.title.c_str(),   l.statusstr.c_str(), l.commentstr.c_str(),
                           l.content.c_str(), l.ressize.c_str(),   l.lastmod.c_str(),
                           l.charset.c_str(), l.statusval,         l.attempt,
                           l.restime};
  int32_t number = 0;
  return DbInsertLoaded(ctx, LinkOf(l), result, &number) ? number : -1;
}

bool FillReport(tagDBCONTEXT* ctx, int32_t first, int32_t loaded, const FillOccurrence& at) {
  return DbInsertReport(ctx, first, loaded, OccurrenceOf(at)) != 0;
}

bool FillReportRepeats(tagDBCONTEXT* ctx, int32_t loaded, int32_t count, const FillOccurrence& at) {
  SqlText sql(1 << 16);
  sql.Add("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < ")
      .AddInt(count)
      .Add(
          ") DO BEGIN INSERT INTO report (first, loaded, rel_url, rel_title, line, col, extern, "
          "dir) VALUES (0, ")
      .AddInt(loaded)
      .Add(", '")
      .AddValue(at.rel_url.c_str(), 2048)
      .Add("', '")
      .AddValue(at.rel_title.c_str(), 256)
      .Add("', :i, ")
      .AddInt(at.col)
      .Add(", ")
      .AddInt(at.extern_)
      .Add(", ")
      .AddInt(at.dir)
      .Add("); i = i + 1; END END");
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  return DbExecute(ctx, sql, "start transaction insert report", "insert into report") != 0;
}

bool FillFound(tagDBCONTEXT* ctx, const FillLink& l, const FillOccurrence& at) {
  return DbInsertFound(ctx, LinkOf(l), OccurrenceOf(at)) != 0;
}
