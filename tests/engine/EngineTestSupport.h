// Worksheet files and engines for the engine's Winelib tests.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/SettingsRecord.h"
#include "engine/LinkFinder.h"
#include "engine/UnixPath.h"

// A folder of the running test's own under the temp folder: emptied when it is made and
// removed with everything in it when it goes.
class TestFolder {
 public:
  explicit TestFolder(const char16_t* prefix);
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  std::u16string File(const std::u16string& name) const { return path_ + u"\\" + name; }

 private:
  void Remove();
  std::u16string path_;
};

// Direct access to a worksheet file, as another program would have it.
class Worksheet {
 public:
  explicit Worksheet(const std::u16string& file);
  ~Worksheet();
  Worksheet(const Worksheet&) = delete;
  Worksheet& operator=(const Worksheet&) = delete;
  bool Open() const { return open_; }
  tagDBCONTEXT* Context() { return context_; }
  bool Save(const char* name, const std::string& value);
  std::string Load(const char* name);

 private:
  tagDBCONTEXT* context_;
  bool open_ = false;
};

// Global settings as a test engine sees them: a few threads and the usual page and image
// extensions.
void InitTestSettings(tagSETTINGS& settings);

// A list view in report view with `columns` columns 50 pixels wide: a 400 x 300 child of
// `parent`, with `style` besides WS_CHILD and LVS_REPORT.
HWND MakeReportList(HWND parent, int columns, DWORD style = 0);

std::unique_ptr<CLinkFinder> OpenEngine(const std::u16string& file, tagSETTINGS* settings,
                                        oldformat_type format = OLDFORMAT_NONE);
