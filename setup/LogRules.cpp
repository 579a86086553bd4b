// The uninstall log's lines and which files, keys and folders they may touch.
#include "setup/LogRules.h"

#include <cstring>

#include "engine/AsciiText.h"

namespace {

// Equal ignoring ASCII case; other bytes must match exactly, which only ever excludes more.
bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool StartsWithText(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('\\', start);
    parts.push_back(path.substr(start, slash - start));
    if (slash == std::string::npos) return parts;
    start = slash + 1;
  }
}

// Whether path is folder or lies below it, compared component by component.
bool AtOrBelow(const std::vector<std::string>& path, const std::vector<std::string>& folder,
               bool strictlyBelow) {
  if (path.size() < folder.size() + (strictlyBelow ? 1 : 0)) return false;
  for (size_t i = 0; i < folder.size(); ++i) {
    if (!SameText(path[i], folder[i])) return false;
  }
  return true;
}

bool AtOrBelowKey(const std::vector<std::string>& key, const char* allowed) {
  return AtOrBelow(key, Components(allowed), false);
}

bool IsSid(const std::string& text) {
  if (text.size() < 5 || !StartsWithText(text, "S-1-")) return false;
  for (char c : text) {
    if (!(c == '-' || c == 'S' || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

bool ClassKeyInScope(const std::vector<std::string>& key) {
  return !key.empty() && (SameText(key[0], ".tsn") || StartsWithText(key[0], "Tessaline"));
}

struct RootName {
  const char* name;
  LogRoot root;
};
const RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", LogRoot::kClassesRoot},
    {"HKEY_CURRENT_USER", LogRoot::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", LogRoot::kLocalMachine},
    {"HKEY_USERS", LogRoot::kUsers},
};

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Reads "ROOT" and one separator from text at pos; a root name ends at its separator.
bool ReadRoot(const std::string& text, size_t& pos, LogRoot& root) {
  for (const RootName& candidate : kRoots) {
    const size_t length = strlen(candidate.name);
    if (text.compare(pos, length, candidate.name) == 0 && pos + length < text.size() &&
        !IsNameCharacter(text[pos + length])) {
      root = candidate.root;
      pos += length + 1;
      return true;
    }
  }
  return false;
}

bool ParseValue(const std::string& rest, LogLine& parsed) {
  size_t pos = 0;
  if (!rest.empty() && rest[0] == '[') {
    const size_t close = rest.find(']');
    if (close == std::string::npos) return false;
    pos = 1;
    if (!ReadRoot(rest, pos, parsed.root) || pos > close) return false;
    parsed.keyPath = rest.substr(pos, close - pos);
    parsed.valueName = rest.substr(close + 1);
    if (!parsed.valueName.empty() && (parsed.valueName[0] == '\\' || parsed.valueName[0] == '=')) {
      parsed.valueName.erase(0, 1);
    }
    return true;
  }
  if (!ReadRoot(rest, pos, parsed.root)) return false;
  const size_t slash = rest.rfind('\\');
  if (slash == std::string::npos || slash < pos) return false;
  parsed.keyPath = rest.substr(pos, slash - pos);
  parsed.valueName = rest.substr(slash + 1);
  return true;
}

}  // namespace

std::vector<std::string> SplitLogLines(const char* text, size_t size) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && text[i] != '\r' && text[i] != '\n') continue;
    const size_t length = i - start;
    if (length > 0 && length <= kMaxLogLineBytes && memchr(text + start, '\0', length) == nullptr) {
      lines.emplace_back(text + start, length);
    }
    start = i + 1;
  }
  return lines;
}

bool ParseLogLine(const std::string& line, LogLine& parsed) {
  static const struct {
    const char* prefix;
    LogLineKind kind;
  } kForms[] = {
      {"File:", LogLineKind::kFile},     {"Shortcut:", LogLineKind::kShortcut},
      {"Folder:", LogLineKind::kFolder}, {"Key:", LogLineKind::kKey},
      {"Value:", LogLineKind::kValue},
  };
  for (const auto& form : kForms) {
    const size_t length = strlen(form.prefix);
    if (line.compare(0, length, form.prefix) != 0) continue;
    parsed = LogLine();
    parsed.kind = form.kind;
    std::string rest = line.substr(length);
    if (!rest.empty() && rest[0] == '-') {
      parsed.exempt = true;
      rest.erase(0, 1);
    }
    if (form.kind == LogLineKind::kKey) {
      size_t pos = 0;
      if (!ReadRoot(rest, pos, parsed.root)) return false;
      parsed.keyPath = rest.substr(pos);
    } else if (form.kind == LogLineKind::kValue) {
      if (!ParseValue(rest, parsed)) return false;
    } else {
      parsed.path = rest;
      return !rest.empty();
    }
    return parsed.keyPath.size() <= kMaxKeyTextBytes && parsed.valueName.size() <= kMaxKeyTextBytes;
  }
  return false;
}

bool IsPlainDrivePath(const std::string& path) {
  if (path.size() < 4 || !(IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\')) {
    return false;
  }
  const std::vector<std::string> parts = Components(path.substr(3));
  for (const std::string& part : parts) {
    if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ') {
      return false;
    }
    for (char c : part) {
      if (static_cast<unsigned char>(c) < 0x20 || strchr("*?\"<>|:/", c)) return false;
    }
  }
  return true;
}

bool PathInScope(const std::string& path, LogLineKind kind, const ScopeFolders& folders) {
  if (!IsPlainDrivePath(path) || !IsPlainDrivePath(folders.install)) return false;
  for (const std::string& forbidden : folders.forbidden) {
    if (SameText(forbidden, folders.install)) return false;
  }
  for (const std::string& area : folders.shortcutAreas) {
    if (SameText(area, folders.install)) return false;
  }
  const std::vector<std::string> parts = Components(path);
  if (AtOrBelow(parts, Components(folders.install), false)) return true;
  if (kind != LogLineKind::kShortcut && kind != LogLineKind::kFolder) return false;
  for (const std::string& area : folders.shortcutAreas) {
    if (IsPlainDrivePath(area) && AtOrBelow(parts, Components(area), true)) return true;
  }
  return false;
}

bool KeyInScope(LogLine& line) {
  if (line.keyPath.empty()) return false;
  std::vector<std::string> key = Components(line.keyPath);
  for (const std::string& part : key) {
    if (part.empty()) return false;
  }
  const bool value = line.kind == LogLineKind::kValue;
  line.onlyIfEmpty = false;
  if (line.root == LogRoot::kClassesRoot) return ClassKeyInScope(key);
  if (line.root == LogRoot::kUsers) {
    if (key.size() < 2 || !IsSid(key[0])) return false;
    key.erase(key.begin());
  }
  if (AtOrBelowKey(key, "Software\\Quillory\\Tessaline") ||
      AtOrBelowKey(key, "Software\\Quillory\\TessalineLite")) {
    return true;
  }
  if (key.size() == 2 && AtOrBelowKey(key, "Software\\Quillory")) {
    line.onlyIfEmpty = !value;
    return !value;
  }
  if (key.size() >= 2 && AtOrBelowKey(key, "Software\\Classes") &&
      ClassKeyInScope(std::vector<std::string>(key.begin() + 2, key.end()))) {
    return true;
  }
  if (AtOrBelowKey(key, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tessaline.exe") ||
      AtOrBelowKey(key,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tessalinelite.exe")) {
    return true;
  }
  if (line.root == LogRoot::kLocalMachine &&
      (AtOrBelowKey(key, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaline") ||
       AtOrBelowKey(key,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessalineLite"))) {
    return true;
  }
  return value && key.size() == 5 &&
         AtOrBelowKey(key, "Software\\Microsoft\\Windows\\CurrentVersion\\Run") &&
         StartsWithText(line.valueName, "Tessaline");
}
