#include "tests/scandb/RowFill.h"

#include "scandb/DbSql.h"

int32_t FillLoaded(tagDBCONTEXT* ctx, const FillLink& l) {
  int32_t number = 0;
  if (!DBNextGeneratorValue(ctx, "gen_loaded", 1, &number)) return -1;
  SqlText sql(1 << 16);
  sql.Add(
         "INSERT INTO loaded (number, protocol, username, userpass, server, port, resource, "
         "bookmark, comment, restype, flags, title, statusstr, commentstr, content, ressize, "
         "lastmod, charset, statusval, attempt, restime) VALUES (")
      .AddInt(number)
      .Add(", ")
      .AddInt(l.protocol)
      .Add(", '")
      .AddValue(l.username.c_str(), 256)
      .Add("', '")
      .AddValue(l.userpass.c_str(), 256)
      .Add("', '")
      .AddValue(l.server.c_str(), 256)
      .Add("', ")
      .AddInt(l.port)
      .Add(", '")
      .AddValue(l.resource.c_str(), 2048)
      .Add("', '")
      .AddValue(l.bookmark.c_str(), 256)
      .Add("', '")
      .AddValue(l.comment.c_str(), 256)
      .Add("', ")
      .AddInt(l.restype)
      .Add(", ")
      .AddInt(l.flags)
      .Add(", '")
      .AddValue(l.title.c_str(), 256)
      .Add("', '")
      .AddValue(l.statusstr.c_str(), 256)
      .Add("', '")
      .AddValue(l.commentstr.c_str(), 256)
      .Add("', '")
      .AddValue(l.content.c_str(), 50)
      .Add("', '")
      .AddValue(l.ressize.c_str(), 50)
      .Add("', '")
      .AddValue(l.lastmod.c_str(), 50)
      .Add("', '")
      .AddValue(l.charset.c_str(), 50)
      .Add("', ")
      .AddInt(l.statusval)
      .Add(", ")
      .AddInt(l.attempt)
      .Add(", ")
      .AddInt(l.restime)
      .Add(")");
  return DbExecute(ctx, sql, "start transaction insert loaded", "insert into loaded") ? number : -1;
}

bool FillReport(tagDBCONTEXT* ctx, int32_t first, int32_t loaded, const FillOccurrence& at) {
  SqlText sql(1 << 16);
  sql.Add(
         "INSERT INTO report (first, loaded, rel_url, rel_title, line, col, extern, dir) "
         "VALUES (")
      .AddInt(first)
      .Add(", ")
      .AddInt(loaded)
      .Add(", '")
      .AddValue(at.rel_url.c_str(), 2048)
      .Add("', '")
      .AddValue(at.rel_title.c_str(), 256)
      .Add("', ")
      .AddInt(at.line)
      .Add(", ")
      .AddInt(at.col)
      .Add(", ")
      .AddInt(at.extern_)
      .Add(", ")
      .AddInt(at.dir)
      .Add(")");
  return DbExecute(ctx, sql, "start transaction insert report", "insert into report") != 0;
}

bool FillFound(tagDBCONTEXT* ctx, const FillLink& l, const FillOccurrence& at) {
  SqlText sql(1 << 16);
  sql.Add(
         "INSERT INTO found (number, protocol, username, userpass, server, port, resource, "
         "bookmark, comment, restype, flags, rel_url, rel_title, line, col, extern, dir) "
         "VALUES (gen_id(gen_found, 1), ")
      .AddInt(l.protocol)
      .Add(", '")
      .AddValue(l.username.c_str(), 256)
      .Add("', '")
      .AddValue(l.userpass.c_str(), 256)
      .Add("', '")
      .AddValue(l.server.c_str(), 256)
      .Add("', ")
      .AddInt(l.port)
      .Add(", '")
      .AddValue(l.resource.c_str(), 2048)
      .Add("', '")
      .AddValue(l.bookmark.c_str(), 256)
      .Add("', '")
      .AddValue(l.comment.c_str(), 256)
      .Add("', ")
      .AddInt(l.restype)
      .Add(", ")
      .AddInt(l.flags)
      .Add(", '")
      .AddValue(at.rel_url.c_str(), 2048)
      .Add("', '")
      .AddValue(at.rel_title.c_str(), 256)
      .Add("', ")
      .AddInt(at.line)
      .Add(", ")
      .AddInt(at.col)
      .Add(", ")
      .AddInt(at.extern_)
      .Add(", ")
      .AddInt(at.dir)
      .Add(")");
  return DbExecute(ctx, sql, "start transaction insert found", "insert into found") != 0;
}
