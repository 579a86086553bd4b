// The queue read from which a worker claims its next link.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/AsciiText.h"
#include "engine/TextHelpers.h"
#include "scandb/DbRows.h"
#include "scandb/DbSql.h"

namespace {

const char kWhat[] = "select found";

// Servers equal as UnicodeCompareUTF8 judges without regard to case. Most pairs are plain
// ASCII, whose case folding is the ASCII one.
bool SameServer(const char* a, const char* b) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
  for (; *p < 0x80 && *q < 0x80; ++p, ++q) {
    if (AsciiLower(*p) != AsciiLower(*q)) return false;
    if (!*p) return true;
  }
  return UnicodeCompareUTF8(a, b, 1) == 0;
}

void Hold(tagDBWORKERSLOT* slot, const DbFoundRow& row) {
  slot->HoldsRow = 1;
  slot->Protocol = row.protocol;
  memcpy(slot->Username, row.username, sizeof(slot->Username));
  memcpy(slot->Userpass, row.userpass, sizeof(slot->Userpass));
  memcpy(slot->Server, row.server, sizeof(slot->Server));
  slot->Port = row.port;
  memcpy(slot->Resource, row.resource, sizeof(slot->Resource));
}

}  // namespace

DbClaim DBFetchNextFound(tagDBCONTEXT* ctx, DbFoundRow* row, ISC_STATUS* fetchStatus,
                         uint32_t threadId) {
  *fetchStatus = 0;
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  tagDBWORKERSLOT* own = nullptr;
  for (int32_t i = 0; ctx->Slots && i < ctx->ThreadCount; ++i)
    if (ctx->Slots[i].ThreadId == threadId) own = &ctx->Slots[i];
  if (!own) return kClaimFailed;

  const bool resourceCase = ctx->IgnoreCase == 1;
  if (!ctx->Queue.Ensure(ctx, resourceCase)) return kClaimFailed;
  // The rows of a link that another worker holds are skipped before the server's load is
  // judged, so a row is never refused for a busy server when it is in fact taken.
  std::vector<std::string> held;
  try {
    for (int32_t i = 0; i < ctx->ThreadCount; ++i) {
      const tagDBWORKERSLOT& slot = ctx->Slots[i];
      if (&slot != own && slot.HoldsRow)
        held.push_back(ctx->Queue.Key(slot.Protocol, slot.Port, slot.Username, slot.Userpass,
                                      slot.Server, slot.Resource));
    }
  } catch (const std::bad_alloc&) {
    DbRecordFailure(ctx, nullptr, "malloc ", kWhat);
    return kClaimFailed;
  }
  for (;;) {
    const int32_t number = ctx->Queue.First(held);
    if (number < 0) return kNothingToTake;
    // A server at its limit refuses the row without its being read: a worker woken when a
    // row is let go asks here often, mostly in vain.
    try {
      const std::string server = ctx->Queue.ServerOf(number);
      int32_t busy = 0;
      for (int32_t i = 0; i < ctx->ThreadCount; ++i) {
        const tagDBWORKERSLOT& slot = ctx->Slots[i];
        if (&slot != own && slot.HoldsRow && QueueIndex::ServerKey(slot.Server) == server) ++busy;
      }
      if (busy + 1 > ctx->PerServerLimit) return kNothingToTake;
    } catch (const std::bad_alloc&) {
      DbRecordFailure(ctx, nullptr, "malloc ", kWhat);
      return kClaimFailed;
    }
    const ISC_STATUS code = DbReadFound(ctx, number, row);
    if (code == 100) {
      // Gone from the table without passing through this process's delete.
      ctx->Queue.Remove(number);
      continue;
    }
    if (code != 0) {
      *fetchStatus = code;
      return kClaimFailed;
    }
    int32_t busy = 0;
    for (int32_t i = 0; i < ctx->ThreadCount; ++i) {
      const tagDBWORKERSLOT& slot = ctx->Slots[i];
      if (&slot != own && slot.HoldsRow && SameServer(slot.Server, row->server)) ++busy;
    }
    if (busy + 1 > ctx->PerServerLimit) return kNothingToTake;
    Hold(own, *row);
    return kClaimed;
  }
}

ISC_STATUS DbReadFound(tagDBCONTEXT* ctx, int32_t number, DbFoundRow* row) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  if (ctx->Queue.StoredRow(number, row)) return 0;
  SqlText sql(1024);
  sql.Add(
         "SELECT number, protocol, username, OCTET_LENGTH(username), userpass, "
         "OCTET_LENGTH(userpass), server, OCTET_LENGTH(server), port, resource, "
         "OCTET_LENGTH(resource), bookmark, OCTET_LENGTH(bookmark), comment, "
         "OCTET_LENGTH(comment), restype, flags, rel_url, OCTET_LENGTH(rel_url), rel_title, "
         "OCTET_LENGTH(rel_title), line, col, extern, dir FROM found WHERE number=")
      .ParamInt(number);
  DbQuery query(ctx, kWhat);
  if (!query.Open(sql, 25)) return -1;
  ISC_STATUS code = query.Fetch();
  if (code == 0) {
    row->number = query.Int(0);
    row->protocol = query.Int(1);
    query.CopyText(2, 3, row->username, sizeof(row->username));
    query.CopyText(4, 5, row->userpass, sizeof(row->userpass));
    query.CopyText(6, 7, row->server, sizeof(row->server));
    row->port = query.Int(8);
    query.CopyText(9, 10, row->resource, sizeof(row->resource));
    query.CopyText(11, 12, row->bookmark, sizeof(row->bookmark));
    query.CopyText(13, 14, row->comment, sizeof(row->comment));
    row->restype = query.Int(15);
    row->flags = query.Int(16);
    query.CopyText(17, 18, row->rel_url, sizeof(row->rel_url));
    query.CopyText(19, 20, row->rel_title, sizeof(row->rel_title));
    row->line = query.Int(21);
    row->col = query.Int(22);
    row->extern_ = query.Int(23);
    row->dir = query.Int(24);
  }
  if (!query.Close()) return -1;
  return code;
}

bool DbReleaseRow(tagDBCONTEXT* ctx, tagDBWORKERSLOT* slot) {
  std::lock_guard<std::recursive_mutex> guard(ctx->Lock);
  if (!slot->HoldsRow) return false;
  slot->HoldsRow = 0;
  int32_t busy = 1;
  for (int32_t i = 0; i < ctx->ThreadCount; ++i) {
    const tagDBWORKERSLOT& other = ctx->Slots[i];
    if (&other != slot && other.HoldsRow && SameServer(other.Server, slot->Server)) ++busy;
  }
  return busy >= ctx->PerServerLimit;
}
