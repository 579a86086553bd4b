// The identities of the rows of the loaded table kept in memory, so a checked link is found without
// a query.
#include "scandb/LoadedIndex.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "scandb/DbRows.h"
#include "scandb/DbSql.h"
#include "scandb/Utf8Clean.h"

namespace {

const char kWhat[] = "select loaded";

// Firebird compares text with trailing blanks ignored.
void TrimBlanks(std::string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  text.resize(end);
}

// The text a statement literal holds: cleaned and cut as the statement builder does.
std::string Literal(const char* text, size_t maxBytes) {
  std::string out = CleanUtf8(text, maxBytes);
  TrimBlanks(out);
  return out;
}

// Firebird's UPPER() on UTF8 text maps each code point on its own (simple case mapping),
// so that "ß" stays and "ǆ" becomes "Ǆ"; a full case mapping would match other rows.
std::string Upper(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < length;) {
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    if (c < 0) c = 0xFFFD;
    c = u_toupper(c);
    char encoded[4];
    int32_t size = 0;
    UBool error = false;
    U8_APPEND(reinterpret_cast<uint8_t*>(encoded), size, 4, c, error);
    out.append(encoded, error ? 0 : size);
  }
  return out;
}

std::string Key(int32_t protocol, int32_t port, const std::string& username,
                const std::string& userpass, const std::string& server,
                const std::string& resource) {
  std::string key = std::to_string(protocol) + ':' + std::to_string(port);
  for (const std::string* part : {&username, &userpass, &server, &resource}) {
    key += '\0';
    key += *part;
  }
  return key;
}

}  // namespace

void LoadedIndex::Reset() {
  built_ = false;
  byKey_.clear();
  keyOf_.clear();
  results_.clear();
}

void LoadedIndex::Insert(int32_t number, const DbLink& link) {
  std::string resource = Literal(link.resource, kLongColumn);
  std::string key = Key(link.protocol, link.port, Literal(link.username, kTextColumn),
                        Literal(link.userpass, kTextColumn),
                        Upper(Literal(link.server, kTextColumn)), Upper(resource));
  byKey_[key].push_back(Entry{number, resource, Upper(Literal(link.bookmark, kTextColumn)),
                              Upper(Literal(link.comment, kTextColumn))});
  keyOf_[number] = key;
}

void LoadedIndex::Add(int32_t number, const DbLink& link, const DbResult& result) {
  if (!built_) return;
  try {
    Insert(number, link);
    // The bytes the statement's parameters held, which a read gives back.
    Result& held = results_[number];
    const char* texts[] = {result.title,   result.statusstr, result.commentstr, result.content,
                           result.ressize, result.lastmod,   result.charset};
    const size_t sizes[] = {kTextColumn,  kTextColumn,  kTextColumn, kShortColumn,
                            kShortColumn, kShortColumn, kShortColumn};
    for (int i = 0; i < 7; ++i) held.texts[i] = CleanUtf8(texts[i], sizes[i]);
    held.numbers[0] = result.statusval;
    held.numbers[1] = result.attempt;
    held.numbers[2] = result.restime;
  } catch (const std::bad_alloc&) {
    Reset();  // read again from the table when memory allows
  }
}

bool LoadedIndex::StoredResult(int32_t number, DbResultBuffers* out) const {
  auto at = results_.find(number);
  if (at == results_.end()) return false;
  if (!out) return true;
  const Result& held = at->second;
  char* texts[] = {out->title,   out->statusstr, out->commentstr, out->content,
                   out->ressize, out->lastmod,   out->charset};
  const size_t sizes[] = {sizeof out->title,   sizeof out->statusstr, sizeof out->commentstr,
                          sizeof out->content, sizeof out->ressize,   sizeof out->lastmod,
                          sizeof out->charset};
  for (int i = 0; i < 7; ++i)
    CopyCut(held.texts[i].data(), held.texts[i].size(), texts[i], sizes[i]);
  out->statusval = held.numbers[0];
  out->attempt = held.numbers[1];
  out->restime = held.numbers[2];
  return true;
}

void LoadedIndex::Remove(int32_t number) {
  auto key = keyOf_.find(number);
  if (key == keyOf_.end()) return;
  auto entries = byKey_.find(key->second);
  if (entries != byKey_.end()) {
    auto& list = entries->second;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [number](const Entry& e) { return e.number == number; }),
               list.end());
    if (list.empty()) byKey_.erase(entries);
  }
  keyOf_.erase(key);
  results_.erase(number);
}

bool LoadedIndex::Build(tagDBCONTEXT* ctx) {
  Reset();
  SqlText sql(512);
  sql.Add(
      "SELECT number, protocol, port, username, OCTET_LENGTH(username), userpass, "
      "OCTET_LENGTH(userpass), server, OCTET_LENGTH(server), resource, OCTET_LENGTH(resource), "
      "bookmark, OCTET_LENGTH(bookmark), comment, OCTET_LENGTH(comment) FROM loaded");
  DbQuery query(ctx, kWhat);
  if (!query.Open(sql, 15)) return false;
  // A UTF8 column of n characters holds up to 4n bytes when another program wrote it.
  std::string username(4 * kTextColumn + 1, '\0'), userpass(username), server(username),
      bookmark(username), comment(username), resource(4 * kLongColumn + 1, '\0');
  ISC_STATUS code;
  try {
    while ((code = query.Fetch()) == 0) {
      // A NULL never compares equal, so such a row is never found.
      bool null = false;
      for (int column : {0, 1, 2, 3, 5, 7, 9, 11, 13}) null = null || query.IsNull(column);
      if (null) continue;
      query.CopyText(3, 4, &username[0], username.size());
      query.CopyText(5, 6, &userpass[0], userpass.size());
      query.CopyText(7, 8, &server[0], server.size());
      query.CopyText(9, 10, &resource[0], resource.size());
      query.CopyText(11, 12, &bookmark[0], bookmark.size());
      query.CopyText(13, 14, &comment[0], comment.size());
      DbLink link = {query.Int(1),
                     username.c_str(),
                     userpass.c_str(),
                     server.c_str(),
                     query.Int(2),
                     resource.c_str(),
                     bookmark.c_str(),
                     comment.c_str(),
                     0,
                     0};
      Insert(query.Int(0), link);
    }
  } catch (const std::bad_alloc&) {
    query.Close();
    Reset();
    DbRecordFailure(ctx, nullptr, "malloc ", kWhat);
    return false;
  }
  if (!query.Close() || code != 100) {
    Reset();
    return false;
  }
  built_ = true;
  return true;
}

bool LoadedIndex::Find(tagDBCONTEXT* ctx, const DbLink& link, bool ignoreCase, bool withBookmark,
                       bool withComment, std::vector<int32_t>* numbers) {
  numbers->clear();
  if (!built_ && !Build(ctx)) return false;
  try {
    std::string resource = Literal(link.resource, kLongColumn);
    auto entries = byKey_.find(Key(link.protocol, link.port, Literal(link.username, kTextColumn),
                                   Literal(link.userpass, kTextColumn),
                                   Upper(Literal(link.server, kTextColumn)), Upper(resource)));
    if (entries == byKey_.end()) return true;
    std::string bookmark = withBookmark ? Upper(Literal(link.bookmark, kTextColumn)) : "";
    std::string comment = withComment ? Upper(Literal(link.comment, kTextColumn)) : "";
    for (const Entry& e : entries->second) {
      if (!ignoreCase && e.resource != resource) continue;
      if (withBookmark && e.bookmark != bookmark) continue;
      if (withComment && e.comment != comment) continue;
      numbers->push_back(e.number);
    }
    std::sort(numbers->begin(), numbers->end());
  } catch (const std::bad_alloc&) {
    DbRecordFailure(ctx, nullptr, "malloc ", kWhat);
    return false;
  }
  return true;
}
