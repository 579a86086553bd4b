// The link report's request and its pure row formatting: heading, filters, one row in
// each of the four formats, the broken-link description and the statistics block, all as
// UTF-16 text that the report file encodes. Neutral header; callable on any thread.
#pragma once

#include <cstdint>
#include <string>

#include "engine/BrokenText.h"
#include "engine/Records.h"

struct tagEXPORTFILTER {
  int32_t FilterKind;  // 0/1 URL keeps/drops, 2/3 status, 4/5 comment, 6/7 referring page
  char16_t FilterText[256];
};

// The export request; the caller owns it and zero-fills it before use.
struct tagEXPORTLINKSSTRUCT {
  int32_t Type;  // 0 all, 1 unique, 2 broken as a table, 3 broken as descriptions
  int32_t SortColumn;
  int32_t IncludePages;
  int32_t IncludeImages;
  int32_t IncludeOthers;
  int32_t IncludeFound;
  int32_t Format;  // 0 HTML, 1 UTF-16 tab, 2 ANSI tab, 3 ANSI comma
  int32_t ColumnMask;
  int32_t WithStats;
  int32_t OpenAfter;
  char16_t FileName[1024];
  int32_t FilterCount;
  tagEXPORTFILTER Filters[10];
};

constexpr int REPORT_COLUMNS = 13;

// Language texts of a report.
struct ReportTexts {
  const char16_t* headings[REPORT_COLUMNS];  // Column section, bit order
  const char16_t* brokenHeading;             // "Broken Link"
  const char16_t* unknown;                   // "Unknown"
  const char16_t* sec;                       // "sec."
  const char16_t* external;                  // "External"
  const char16_t* internal;                  // "Internal"
  const char16_t* position;                  // "Line: %%, Col: %%"
  BrokenTexts broken;
};

// Every "%d" of a language text (a loaded "%%" mark) replaced by the next number, in order.
std::u16string FillNumbers(const char16_t* text, int32_t first, int32_t second);

// The heading of the report (for HTML from "<html>" to the table's heading row), "" when
// the format is unknown. `title` is the program name and version with "Report".
std::u16string ReportHead(const tagEXPORTLINKSSTRUCT& request, const ReportTexts& texts,
                          const char16_t* title);

// Whether a row goes into the report. `item` holds displayed Url and rel_url.
bool ReportRowWanted(const tagEXPORTLINKSSTRUCT& request, const tagTreeListItemFull& item,
                     int32_t first);

// One row (a description for type 3), line end included.
std::u16string ReportRow(const tagEXPORTLINKSSTRUCT& request, const tagTreeListItemFull& item,
                         const ReportTexts& texts);

struct ReportStatLine {
  std::u16string label;
  std::u16string value;
};

// What follows the rows: the table's end, the statistics block when asked for (settings
// lines, then counts), the page's end.
std::u16string ReportTail(const tagEXPORTLINKSSTRUCT& request, const char16_t* statsTitle,
                          const ReportStatLine* settingsLines, int settingsCount,
                          const ReportStatLine* countLines, int countCount);
