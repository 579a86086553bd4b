// Shared by the database tests: a private folder per test, contexts, and rows captured
// from the row callback.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scandb/DbContext.h"
#include "scandb/RowFill.h"

struct CapturedRow {
  int32_t rowCount, rowIndex, first;
  FillLink link;
  FillOccurrence at;
};

struct RowSink {
  std::vector<CapturedRow> rows;
  int32_t cancelAtIndex = -1;  // sets cancel on the row with this index
};

// Records every row in a RowSink passed as user pointer.
void CaptureRow(void* user, int32_t rowCount, int32_t rowIndex, int32_t first, int32_t protocol,
                const char* username, const char* userpass, const char* server, int32_t port,
                const char* resource, const char* bookmark, const char* comment, int32_t restype,
                int32_t flags, const char* title, const char* statusstr, const char* commentstr,
                const char* content, const char* ressize, const char* lastmod, const char* charset,
                int32_t statusval, int32_t attempt, int32_t restime, const char* rel_url,
                const char* rel_title, int32_t line, int32_t col, int32_t extern_, int32_t dir,
                int32_t* cancel);

class ScanDbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A path inside this test's own empty folder.
  std::string PathOf(const std::string& name) const { return folder_ + "/" + name; }
  // A context whose load callback captures into sink_.
  tagDBCONTEXT* NewContext(int32_t keepReport = 1);
  // Opens (creating) a database at PathOf(name) in a new context; fails the test if not.
  tagDBCONTEXT* OpenNew(const std::string& name, int32_t keepReport = 1);
  // Attaches through a second process (isql-fb) and returns what it prints.
  std::string Isql(const std::string& path, const std::string& statements) const;
  int32_t Count(tagDBCONTEXT* ctx, const char* table);

  RowSink sink_;
  std::vector<tagDBCONTEXT*> contexts_;
  std::string folder_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
