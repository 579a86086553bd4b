// The queue's row numbers with the keys of their links, kept in memory so that a claim
// finds the first row of a link that no other worker holds without reading past the rows
// of held links, and the rows this context inserted, so that a claim needs no read either.
// Library side; the caller holds the context's Lock.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

struct tagDBCONTEXT;
struct DbLink;
struct DbOccurrence;
struct DbFoundRow;

class QueueIndex {
 public:
  // Forgets every row; the next Ensure reads the table again.
  void Reset();
  // Reads the table unless it was read under the same resource case rule. False when the
  // table could not be read (recorded in the context).
  bool Ensure(tagDBCONTEXT* ctx, bool ignoreCase);
  bool Known() const { return built_; }
  size_t Size() const { return keyOf_.size(); }
  // Records a row just inserted, with its columns as the statement stored them; nothing to
  // do while the table is not read yet.
  void Add(int32_t number, const DbLink& link, const DbOccurrence& at);
  // Fills *row with row `number` as a read of the row would; false when it is not held (a
  // row of an earlier session), and the row is to be read.
  bool StoredRow(int32_t number, DbFoundRow* row) const;
  void Remove(int32_t number);
  // The key under which two rows hold the same link for the claim: protocol, port,
  // username and userpass equal, server equal without regard to case, resource too when
  // the table was read with ignoreCase. The texts are as a row of the table gives them.
  std::string Key(int32_t protocol, int32_t port, const char* username, const char* userpass,
                  const char* server, const char* resource) const;
  // The server of row `number` as its key holds it (empty when the row is not known), and a
  // server text in that form: two servers are one exactly when these are equal.
  std::string ServerOf(int32_t number) const;
  static std::string ServerKey(const char* server);
  // The lowest number whose key is none of `held`, or -1 when there is none.
  int32_t First(const std::vector<std::string>& held) const;
  // The other rows under the key of row `number`, in ascending order (none when it is not
  // known).
  std::vector<int32_t> SameKey(int32_t number) const;

 private:
  bool Build(tagDBCONTEXT* ctx);
  void Insert(int32_t number, std::string key);

  // The text columns of a row, username to comment, then rel_url and rel_title, one after
  // the other in one block (ends[i] is where text i ends); and its integers: protocol, port,
  // restype, flags, line, col, extern, dir.
  struct Row {
    std::string texts;
    uint16_t ends[8];
    int32_t numbers[8];
  };

  bool built_ = false;
  bool ignoreCase_ = false;
  std::unordered_map<int32_t, Row> rows_;
  std::unordered_map<int32_t, const std::string*> keyOf_;
  std::unordered_map<std::string, std::set<int32_t>> byKey_;
  std::map<int32_t, const std::string*> heads_;  // the lowest number of each key
};
