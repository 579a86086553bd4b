// The uninstall log's lines and what they may touch. Plain C++ (no Windows headers): the
// log is outside input, written by the user's old setup and read with the installer's
// rights, so every line is parsed whole and kept only when it lies in scope. Any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class LogLineKind { kFile, kShortcut, kFolder, kKey, kValue };
enum class LogRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

struct LogLine {
  LogLineKind kind = LogLineKind::kFile;
  bool exempt = false;  // "-" after the prefix: no key check
  std::string path;     // files, shortcuts and folders
  LogRoot root = LogRoot::kCurrentUser;
  std::string keyPath;       // keys and values
  std::string valueName;     // values
  bool onlyIfEmpty = false;  // a shared vendor key: deleted only when it holds nothing
};

// Longest line, key path or value name used; longer ones are skipped, never cut.
constexpr size_t kMaxLogLineBytes = 2999;
constexpr size_t kMaxKeyTextBytes = 1023;

// The non-empty lines of the log text (CR, LF or both end a line), without lines that are
// too long or hold a NUL.
std::vector<std::string> SplitLogLines(const char* text, size_t size);
// False for lines of no known form, unknown roots and overlong key texts.
bool ParseLogLine(const std::string& line, LogLine& parsed);

// Folders of the old installation's machine, in long form.
struct ScopeFolders {
  std::string install;                     // the log's folder
  std::vector<std::string> shortcutAreas;  // Start menus and desktops
  std::vector<std::string> forbidden;      // system, profile and shell folders
};

// A plain absolute drive path: X:\ and components without ".", "..", wildcards, stream or
// device characters, or trailing dots and blanks.
bool IsPlainDrivePath(const std::string& path);
// True when a line's path may be touched: inside the installation folder (which must be
// none of the forbidden ones nor a drive root), or for shortcut and folder lines also
// below a Start menu or desktop.
bool PathInScope(const std::string& path, LogLineKind kind, const ScopeFolders& folders);
// True when a key or value line belongs to the product; sets onlyIfEmpty for the vendor key.
bool KeyInScope(LogLine& line);
