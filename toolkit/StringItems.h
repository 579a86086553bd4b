// Language strings: the items a program fills from language tables (INI or XML text), the
// loader over a primary and a fallback source, and the release of the loaded texts.
// Neutral header. An item array belongs to one thread at a time while it is loaded or
// freed; loaded texts are read-only and may be read from any thread in between.
#pragma once

#include <cstdint>
#include <string>

struct tagSTRINGITEM {
  const char16_t* section;
  const char16_t* key;
  // The directives that replace the "%%" marks of the text, in order ("%d%d"); or null.
  const char16_t* words;
  const char16_t** destination;
};

enum : int32_t { STRINGSOURCE_MEMORY = 1, STRINGSOURCE_RESOURCE = 2, STRINGSOURCE_FILE = 3 };
enum : int32_t { STRINGFORMAT_INI = 0, STRINGFORMAT_XML = 1 };

struct tagSTRINGSOURCE {
  // Memory: the bytes; resource: the name (an integer identifier or a UTF-16 string);
  // file: the UTF-16 path.
  const void* where;
  int32_t kind;        // STRINGSOURCE_*; any other value is no source
  int32_t format;      // STRINGFORMAT_XML, anything else INI
  int32_t sizeOrType;  // memory: size in bytes; resource: the resource type
};

// The one empty text: every destination that holds no loaded text points here.
extern const char16_t g_emptyString[1];

// Fills the items from sources[0], then the still empty ones from sources[1] when some
// remain. Texts of an earlier load are freed first. Returns the distinct items filled and
// sets the thread's last error to 0, or to 2 (file not found) when none was. A file or
// memory block above 16 MiB is refused. module is the HINSTANCE of the resources.
int LoadStringItems(void* module, tagSTRINGITEM* items, int count,
                    const tagSTRINGSOURCE sources[2]);

// Frees every loaded text and points its destination at the empty text again; returns
// the number freed.
int FreeStringItems(tagSTRINGITEM* items, int count);

// The parsing core of LoadStringItems over UTF-16 text. Without fallback, a repeated key
// replaces its earlier text; with fallback, only items still empty are filled. filled[i]
// is set for every item that received a text; returns the number of items newly filled.
int FillStringItems(tagSTRINGITEM* items, int count, const char16_t* text, int units, int format,
                    bool fallback, bool* filled);

// A language text as it is stored: \r \n \t \s \\ decoded, each "%%" replaced by the next
// of the words (nothing once they are used up), every other '%' doubled.
std::u16string DecodeStringValue(const char16_t* value, int units, const char16_t* words);
