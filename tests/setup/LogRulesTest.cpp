// Reading the uninstall log's lines and keeping only those in scope.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "setup/LogRules.h"

namespace {

std::string Lower(const std::string& text) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower;
}

ScopeFolders Machine(const std::string& install = "C:\\Program Files\\Tessaline") {
  ScopeFolders folders;
  folders.install = install;
  folders.shortcutAreas = {"C:\\users\\u\\Start Menu", "C:\\users\\Public\\Desktop"};
  folders.forbidden = {"C:\\windows", "C:\\windows\\system32", "C:\\Program Files", "C:\\users\\u",
                       "C:\\users"};
  return folders;
}

TEST(LogLines, SplitOnAnyLineEndAndSkipWhatCannotBeWhole) {
  const std::string longLine(3000, 'x');
  const std::string text = "a\r\nb\n\rc\rd\n\n" + longLine + "\ne" + std::string(1, '\0') +
                           "f\nlast" + std::string(2999 - 4, 'y');
  const auto lines = SplitLogLines(text.data(), text.size());
  ASSERT_EQ(5u, lines.size());
  EXPECT_EQ("a", lines[0]);
  EXPECT_EQ("b", lines[1]);
  EXPECT_EQ("c", lines[2]);
  EXPECT_EQ("d", lines[3]);
  EXPECT_EQ(2999u, lines[4].size());
  EXPECT_TRUE(SplitLogLines("", 0).empty());
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "File:C:\\x\r";
  EXPECT_EQ(100000u, SplitLogLines(many.data(), many.size()).size());
  EXPECT_TRUE(SplitLogLines("\r\r\n\n", 4).empty());
}

TEST(LogLines, ParseForms) {
  const struct {
    const char* line;
    bool ok;
    LogLineKind kind;
    bool exempt;
    const char* path;  // path, or key path
    const char* value;
  } cases[] = {
      {"File:C:\\a\\b.txt", true, LogLineKind::kFile, false, "C:\\a\\b.txt", ""},
      {"File:-C:\\a", true, LogLineKind::kFile, true, "C:\\a", ""},
      {"Shortcut:C:\\s.lnk", true, LogLineKind::kShortcut, false, "C:\\s.lnk", ""},
      {"Folder:C:\\a", true, LogLineKind::kFolder, false, "C:\\a", ""},
      {"Key:HKEY_CURRENT_USER\\Software\\X", true, LogLineKind::kKey, false, "Software\\X", ""},
      {"Key:-HKEY_LOCAL_MACHINE\\Software\\X", true, LogLineKind::kKey, true, "Software\\X", ""},
      {"Value:HKEY_CURRENT_USER\\Software\\X\\Name", true, LogLineKind::kValue, false,
       "Software\\X", "Name"},
      {"Value:[HKEY_CURRENT_USER\\Software\\X]=Name", true, LogLineKind::kValue, false,
       "Software\\X", "Name"},
      {"Value:[HKEY_CURRENT_USER\\Software\\X]\\Name", true, LogLineKind::kValue, false,
       "Software\\X", "Name"},
      {"Value:[HKEY_CURRENT_USER\\Software\\X]Name", true, LogLineKind::kValue, false,
       "Software\\X", "Name"},
      {"File:", false, LogLineKind::kFile, false, "", ""},
      {"file:C:\\a", false, LogLineKind::kFile, false, "", ""},
      {"Key:HKEY_CURRENT_USERX\\Software", false, LogLineKind::kKey, false, "", ""},
      {"Key:HKEY_CURRENT_USER", false, LogLineKind::kKey, false, "", ""},
      {"Key:HKEY_PERFORMANCE_DATA\\X", false, LogLineKind::kKey, false, "", ""},
      {"Value:HKEY_CURRENT_USER\\", false, LogLineKind::kValue, false, "", ""},
      {"Value:[HKEY_CURRENT_USER\\Software", false, LogLineKind::kValue, false, "", ""},
      {"Value:[HKEY_CURRENT_USER]Name", false, LogLineKind::kValue, false, "", ""},
  };
  for (const auto& c : cases) {
    LogLine line;
    ASSERT_EQ(c.ok, ParseLogLine(c.line, line)) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(c.kind, line.kind) << c.line;
    EXPECT_EQ(c.exempt, line.exempt) << c.line;
    const bool registry = c.kind == LogLineKind::kKey || c.kind == LogLineKind::kValue;
    EXPECT_EQ(c.path, registry ? line.keyPath : line.path) << c.line;
    EXPECT_EQ(c.value, line.valueName) << c.line;
  }
  LogLine line;
  EXPECT_TRUE(ParseLogLine("Key:HKEY_USERS\\" + std::string(1023, 'k'), line));
  EXPECT_FALSE(ParseLogLine("Key:HKEY_USERS\\" + std::string(1024, 'k'), line));
  EXPECT_FALSE(ParseLogLine("Value:HKEY_USERS\\K\\" + std::string(1024, 'v'), line));
}

TEST(LogScope, Paths) {
  const struct {
    const char* path;
    LogLineKind kind;
    bool inScope;
  } cases[] = {
      {"C:\\Program Files\\Tessaline\\a.exe", LogLineKind::kFile, true},
      {"c:\\PROGRAM FILES\\tessaline\\sub\\b", LogLineKind::kFile, true},
      {"C:\\Program Files\\Tessaline", LogLineKind::kFolder, true},
      {"C:\\Program Files\\TessalineX\\a", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\..\\x", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\.\\x", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\.. \\x", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\...", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline/../x", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\*.exe", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\a.txt:stream", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\\\a", LogLineKind::kFile, false},
      {"C:\\Program Files\\Tessaline\\", LogLineKind::kFolder, false},
      {"\\\\server\\x\\a", LogLineKind::kFile, false},
      {"\\\\?\\C:\\Program Files\\Tessaline\\a", LogLineKind::kFile, false},
      {"Program Files\\Tessaline\\a", LogLineKind::kFile, false},
      {"C:\\windows\\win.ini", LogLineKind::kFile, false},
      {"C:\\users\\u\\Start Menu\\Tessaline\\t.lnk", LogLineKind::kShortcut, true},
      {"C:\\users\\u\\Start Menu\\Tessaline", LogLineKind::kFolder, true},
      {"C:\\users\\u\\Start Menu\\t.lnk", LogLineKind::kFile, false},
      {"C:\\users\\u\\Start Menu", LogLineKind::kFolder, false},
      {"C:\\users\\Public\\Desktop\\t.lnk", LogLineKind::kShortcut, true},
  };
  const ScopeFolders folders = Machine();
  for (const auto& c : cases) {
    EXPECT_EQ(c.inScope, PathInScope(c.path, c.kind, folders)) << c.path;
  }
  // An installation folder that is a system, profile or shell folder, or a drive root,
  // puts nothing in scope.
  for (const char* install : {"C:\\windows", "c:\\Program Files", "C:\\users\\u", "C:\\users",
                              "C:", "C:\\", "C:\\users\\u\\Start Menu", "\\\\server\\share"}) {
    EXPECT_FALSE(
        PathInScope(std::string(install) + "\\x.txt", LogLineKind::kShortcut, Machine(install)))
        << install;
  }
}

TEST(LogScope, KeysAndValues) {
  const struct {
    const char* line;
    bool inScope;
    bool onlyIfEmpty;
  } cases[] = {
      {"Key:HKEY_CURRENT_USER\\Software\\Quillory\\Tessaline", true, false},
      {"Key:HKEY_LOCAL_MACHINE\\software\\quillory\\TESSALINELITE\\Sub", true, false},
      {"Key:HKEY_USERS\\S-1-5-21-1-2-3-1000\\Software\\Quillory\\Tessaline", true, false},
      {"Key:HKEY_USERS\\.DEFAULT\\Software\\Quillory\\Tessaline", false, false},
      {"Key:HKEY_CURRENT_USER\\Software\\Quillory", true, true},
      {"Key:HKEY_CURRENT_USER\\Software\\Quillory\\Other", false, false},
      {"Key:HKEY_CURRENT_USER\\Software\\Quillory\\TessalineX", false, false},
      {"Key:HKEY_CURRENT_USER\\Software", false, false},
      {"Key:HKEY_LOCAL_MACHINE\\Software\\Wine", false, false},
      {"Key:HKEY_CURRENT_USER\\Software\\Quillory\\Tessaline\\..\\..", true, false},
      {"Key:HKEY_CURRENT_USER\\Software\\\\Quillory\\Tessaline", false, false},
      {"Key:HKEY_CURRENT_USER\\\\Software", false, false},
      {"Key:HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
       "TessalineLite",
       true, false},
      {"Key:HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
       "TessalineLite",
       false, false},
      {"Key:HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", false,
       false},
      {"Key:HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
       "Paths\\tessalinelite.exe",
       true, false},
      {"Key:HKEY_CLASSES_ROOT\\.tsn", true, false},
      {"Key:HKEY_CLASSES_ROOT\\Tessaline.Worksheet\\shell", true, false},
      {"Key:HKEY_CLASSES_ROOT\\.txt", false, false},
      {"Key:HKEY_CURRENT_USER\\Software\\Classes\\.tsn", true, false},
      {"Key:HKEY_LOCAL_MACHINE\\Software\\Classes", false, false},
      {"Value:HKEY_CURRENT_USER\\Software\\Quillory\\TessalineLite\\Name", true, false},
      {"Value:HKEY_CURRENT_USER\\Software\\Quillory\\Name", false, false},
      {"Value:HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\TessalineLite",
       true, false},
      {"Value:HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Other", false,
       false},
      {"Key:HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", false, false},
  };
  for (const auto& c : cases) {
    LogLine line;
    ASSERT_TRUE(ParseLogLine(c.line, line)) << c.line;
    EXPECT_EQ(c.inScope, KeyInScope(line)) << c.line;
    EXPECT_EQ(c.onlyIfEmpty, line.onlyIfEmpty) << c.line;
  }
}

// Random logs from the pieces that make lines tricky; every line kept must lie inside the
// installation folder or a shortcut area, as a plain reader would judge it.
TEST(LogScope, RandomLogsKeepNothingOutside) {
  const std::vector<std::string> pieces = {"File:",
                                           "Folder:",
                                           "Shortcut:",
                                           "Key:",
                                           "Value:",
                                           "-",
                                           "C:",
                                           "c:",
                                           "D:",
                                           "\\",
                                           "/",
                                           "\\\\",
                                           "Program Files",
                                           "Tessaline",
                                           "windows",
                                           "users",
                                           "u",
                                           "Start Menu",
                                           ".",
                                           "..",
                                           " ",
                                           "*",
                                           "?",
                                           "\"",
                                           ":",
                                           "\xe9",
                                           "\xff",
                                           std::string(1, '\0'),
                                           "\r",
                                           "\n",
                                           "HKEY_CURRENT_USER",
                                           "HKEY_LOCAL_MACHINE",
                                           "HKEY_USERS",
                                           "HKEY_CLASSES_ROOT",
                                           "Software",
                                           "Quillory",
                                           "TessalineLite",
                                           "[",
                                           "]",
                                           "=",
                                           "S-1-5-21",
                                           ".tsn",
                                           "x.exe"};
  const int runs = getenv("TL_LONG_RANDOM") ? 1000000 : 10000;
  std::mt19937 random(27);
  const ScopeFolders folders = Machine();
  for (int run = 0; run < runs; ++run) {
    std::string text;
    const int count = random() % 40;
    for (int i = 0; i < count; ++i) {
      text += pieces[random() % pieces.size()];
    }
    for (const std::string& raw : SplitLogLines(text.data(), text.size())) {
      LogLine line;
      if (!ParseLogLine(raw, line)) continue;
      if (line.kind == LogLineKind::kKey || line.kind == LogLineKind::kValue) {
        if (!KeyInScope(line)) continue;
        const std::string key = Lower(line.keyPath);
        EXPECT_TRUE(key.find("tessaline") != std::string::npos ||
                    key.find(".tsn") != std::string::npos ||
                    (line.onlyIfEmpty && key == "software\\quillory"))
            << raw;
        continue;
      }
      if (!PathInScope(line.path, line.kind, folders)) continue;
      const std::string lower = Lower(line.path);
      const bool inside = lower.rfind("c:\\program files\\tessaline", 0) == 0 ||
                          lower.rfind("c:\\users\\u\\start menu\\", 0) == 0;
      EXPECT_TRUE(inside) << raw;
      EXPECT_EQ(std::string::npos, lower.find_first_of("*?/\"\r\n")) << raw;
      EXPECT_EQ(std::string::npos, lower.find("\\..")) << raw;
    }
  }
}

}  // namespace
