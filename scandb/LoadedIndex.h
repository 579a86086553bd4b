// The identities of the rows of `loaded`, kept in memory so that looking up a checked link
// needs no scan of the table, and the results of the rows this context inserted, so that a
// repeated link needs no read either. Library side; the caller holds the context's Lock.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct tagDBCONTEXT;
struct DbLink;
struct DbResult;
struct DbResultBuffers;

class LoadedIndex {
 public:
  // Forgets every row; the next Find reads the table again.
  void Reset();
  // Records a row just inserted with `result` as the statement stored it; nothing to do
  // while the table is not read yet.
  void Add(int32_t number, const DbLink& link, const DbResult& result);
  void Remove(int32_t number);
  // The numbers, in ascending order, of the rows that the look-up statement matches:
  // protocol, port, username and userpass equal, server equal after UPPER(), resource
  // equal (after UPPER() when ignoreCase), and with withBookmark / withComment those equal
  // after UPPER(). False when the table could not be read (recorded in the context).
  bool Find(tagDBCONTEXT* ctx, const DbLink& link, bool ignoreCase, bool withBookmark,
            bool withComment, std::vector<int32_t>* numbers);
  // Fills `out` (when not null) with the stored result of row `number` as a read of the row
  // would; false when it is not held (a row of an earlier session), and the row is to be read.
  bool StoredResult(int32_t number, DbResultBuffers* out) const;

 private:
  struct Entry {
    int32_t number;
    std::string resource;  // as compared without UPPER()
    std::string bookmark;  // after UPPER()
    std::string comment;   // after UPPER()
  };
  // The text columns of a result, title to charset, then statusval, attempt, restime.
  struct Result {
    std::string texts[7];
    int32_t numbers[3];
  };
  bool Build(tagDBCONTEXT* ctx);
  void Insert(int32_t number, const DbLink& link);

  bool built_ = false;
  std::unordered_map<int32_t, Result> results_;
  std::unordered_map<std::string, std::vector<Entry>> byKey_;
  std::unordered_map<int32_t, std::string> keyOf_;
};
