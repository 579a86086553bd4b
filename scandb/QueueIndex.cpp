// The queue's rows with their links' keys kept in memory, so a claim needs no query.
#include "scandb/QueueIndex.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <new>

#include "engine/AsciiText.h"
#include "scandb/DbRows.h"
#include "scandb/DbSql.h"
#include "scandb/Utf8Clean.h"

namespace {

const char kWhat[] = "select found";

// The full case folding under which UnicodeCompareUTF8 finds two texts equal.
std::string Fold(const char* text) {
  bool ascii = true;
  for (const char* p = text; *p && ascii; ++p) ascii = static_cast<unsigned char>(*p) < 0x80;
  std::string out;
  if (ascii) {
    out = text;
    for (char& c : out) c = AsciiLower(c);
    return out;
  }
  icu::UnicodeString::fromUTF8(icu::StringPiece(text))
      .foldCase(U_FOLD_CASE_DEFAULT)
      .toUTF8String(out);
  return out;
}

}  // namespace

void QueueIndex::Reset() {
  built_ = false;
  keyOf_.clear();
  byKey_.clear();
  heads_.clear();
  rows_.clear();
}

std::string QueueIndex::Key(int32_t protocol, int32_t port, const char* username,
                            const char* userpass, const char* server, const char* resource) const {
  std::string key = std::to_string(protocol) + ':' + std::to_string(port);
  key += '\0';
  key += username;
  key += '\0';
  key += userpass;
  key += '\0';
  key += Fold(server);
  key += '\0';
  key += ignoreCase_ ? Fold(resource) : std::string(resource);
  return key;
}

void QueueIndex::Insert(int32_t number, std::string key) {
  if (keyOf_.count(number)) return;
  auto entry = byKey_.emplace(std::move(key), std::set<int32_t>()).first;
  std::set<int32_t>& numbers = entry->second;
  if (numbers.empty() || number < *numbers.begin()) {
    if (!numbers.empty()) heads_.erase(*numbers.begin());
    heads_[number] = &entry->first;
  }
  numbers.insert(number);
  keyOf_[number] = &entry->first;
}

void QueueIndex::Add(int32_t number, const DbLink& link, const DbOccurrence& at) {
  if (!built_) return;
  try {
    // The bytes the statement's parameters held, which a read gives back.
    Row row;
    const char* texts[] = {link.username, link.userpass, link.server, link.resource,
                           link.bookmark, link.comment,  at.rel_url,  at.rel_title};
    const size_t sizes[] = {kTextColumn, kTextColumn, kTextColumn, kLongColumn,
                            kTextColumn, kTextColumn, kLongColumn, kTextColumn};
    for (int i = 0; i < 8; ++i) {
      if (!AppendCleanUtf8(row.texts, texts[i], sizes[i])) throw std::bad_alloc();
      row.ends[i] = static_cast<uint16_t>(row.texts.size());
    }
    row.texts.shrink_to_fit();
    const int32_t numbers[] = {link.protocol, link.port, link.restype, link.flags,
                               at.line,       at.col,    at.extern_,   at.dir};
    std::copy(numbers, numbers + 8, row.numbers);
    auto text = [&row](int i) {
      const size_t start = i ? row.ends[i - 1] : 0;
      return row.texts.substr(start, row.ends[i] - start);
    };
    Insert(number, Key(link.protocol, link.port, text(0).c_str(), text(1).c_str(), text(2).c_str(),
                       text(3).c_str()));
    rows_[number] = std::move(row);
  } catch (const std::bad_alloc&) {
    Reset();  // read again from the table when memory allows
  }
}

bool QueueIndex::StoredRow(int32_t number, DbFoundRow* out) const {
  auto at = rows_.find(number);
  if (at == rows_.end()) return false;
  const Row& row = at->second;
  char* texts[] = {out->username, out->userpass, out->server,  out->resource,
                   out->bookmark, out->comment,  out->rel_url, out->rel_title};
  const size_t sizes[] = {sizeof out->username, sizeof out->userpass, sizeof out->server,
                          sizeof out->resource, sizeof out->bookmark, sizeof out->comment,
                          sizeof out->rel_url,  sizeof out->rel_title};
  for (int i = 0; i < 8; ++i) {
    const size_t start = i ? row.ends[i - 1] : 0;
    CopyCut(row.texts.data() + start, row.ends[i] - start, texts[i], sizes[i]);
  }
  out->number = number;
  out->protocol = row.numbers[0];
  out->port = row.numbers[1];
  out->restype = row.numbers[2];
  out->flags = row.numbers[3];
  out->line = row.numbers[4];
  out->col = row.numbers[5];
  out->extern_ = row.numbers[6];
  out->dir = row.numbers[7];
  return true;
}

void QueueIndex::Remove(int32_t number) {
  rows_.erase(number);
  auto at = keyOf_.find(number);
  if (at == keyOf_.end()) return;
  auto entry = byKey_.find(*at->second);
  keyOf_.erase(at);
  if (entry == byKey_.end()) return;
  std::set<int32_t>& numbers = entry->second;
  if (*numbers.begin() == number) {
    heads_.erase(number);
    numbers.erase(number);
    if (numbers.empty()) {
      byKey_.erase(entry);
      return;
    }
    heads_[*numbers.begin()] = &entry->first;
    return;
  }
  numbers.erase(number);
}

std::string QueueIndex::ServerKey(const char* server) { return Fold(server); }

std::string QueueIndex::ServerOf(int32_t number) const {
  auto at = keyOf_.find(number);
  if (at == keyOf_.end()) return std::string();
  // protocol:port, username, userpass, server, resource: the fourth part.
  const std::string& key = *at->second;
  size_t start = 0;
  for (int part = 0; part < 3 && start != std::string::npos; ++part) {
    start = key.find('\0', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos) return std::string();
  return key.substr(start, key.find('\0', start) - start);
}

int32_t QueueIndex::First(const std::vector<std::string>& held) const {
  for (const auto& head : heads_)
    if (std::find(held.begin(), held.end(), *head.second) == held.end()) return head.first;
  return -1;
}

std::vector<int32_t> QueueIndex::SameKey(int32_t number) const {
  std::vector<int32_t> others;
  auto at = keyOf_.find(number);
  if (at == keyOf_.end()) return others;
  auto entry = byKey_.find(*at->second);
  if (entry == byKey_.end()) return others;
  for (int32_t other : entry->second)
    if (other != number) others.push_back(other);
  return others;
}

bool QueueIndex::Ensure(tagDBCONTEXT* ctx, bool ignoreCase) {
  if (built_ && ignoreCase_ == ignoreCase) return true;
  Reset();
  ignoreCase_ = ignoreCase;
  return Build(ctx);
}

bool QueueIndex::Build(tagDBCONTEXT* ctx) {
  SqlText sql(512);
  sql.Add(
      "SELECT number, protocol, username, OCTET_LENGTH(username), userpass, "
      "OCTET_LENGTH(userpass), server, OCTET_LENGTH(server), port, resource, "
      "OCTET_LENGTH(resource) FROM found");
  DbQuery query(ctx, kWhat);
  if (!query.Open(sql, 11)) return false;
  // The buffers of a claimed row, so that the key is that of the text the claim reads.
  DbFoundRow* row = new (std::nothrow) DbFoundRow;
  ISC_STATUS code = -1;
  try {
    while (row && (code = query.Fetch()) == 0) {
      query.CopyText(2, 3, row->username, sizeof(row->username));
      query.CopyText(4, 5, row->userpass, sizeof(row->userpass));
      query.CopyText(6, 7, row->server, sizeof(row->server));
      query.CopyText(9, 10, row->resource, sizeof(row->resource));
      Insert(query.Int(0), Key(query.Int(1), query.Int(8), row->username, row->userpass,
                               row->server, row->resource));
    }
  } catch (const std::bad_alloc&) {
    delete row;
    row = nullptr;
  }
  if (!row) DbRecordFailure(ctx, nullptr, "malloc ", kWhat);
  delete row;
  if (!query.Close() || code != 100) {
    Reset();
    return false;
  }
  built_ = true;
  return true;
}
