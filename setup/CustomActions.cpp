// The installer's custom actions: find the product, remove an older installation, start the
// program.
#include "setup/CustomActions.h"

#include <msiquery.h>
#include <shellapi.h>

#include <string>

#include "setup/FormatBounded.h"
#include "setup/Module.h"
#include "setup/SetupText.h"
#include "setup/ShellLaunch.h"
#include "setup/UninstallRemover.h"
#include "toolkit/Win32Holders.h"

namespace {

constexpr UINT kFatal = ERROR_INSTALL_FAILURE;
// Properties longer than this are not used: a cut INSTALLDIR or product name names
// something else.
constexpr DWORD kPropertyBytes = 256;
constexpr size_t kLogPathBytes = 512;
constexpr int kRefusedMessage = 25001;

struct Product {
  const char* name;
  const char* uninstallKey;
  const char* settingsKey;
  const char* executable;
};
const Product kProducts[] = {
    {"Tessaline", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaline",
     "Software\\Quillory\\Tessaline", "tessaline.exe"},
    {"Tessaline Lite", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessalineLite",
     "Software\\Quillory\\TessalineLite", "tessalinelite.exe"},
};

const Product* FindProduct(const char* name) {
  for (const Product& product : kProducts) {
    if (lstrcmpiA(name, product.name) == 0) return &product;
  }
  return nullptr;
}

enum class Property { kEmpty, kValue, kTooLong };

// Reads a property into value (empty unless kValue). The result code is trusted, never the
// count: some installers report a doubled count for a short buffer. A property that cannot
// be read counts as empty.
Property ReadProperty(MSIHANDLE session, const char* name, char (&value)[kPropertyBytes]) {
  DWORD count = kPropertyBytes;
  const UINT read = MsiGetPropertyA(session, name, value, &count);
  value[kPropertyBytes - 1] = '\0';
  if (read == ERROR_SUCCESS && value[0]) return Property::kValue;
  value[0] = '\0';
  return read == ERROR_MORE_DATA ? Property::kTooLong : Property::kEmpty;
}

// Reads ProductName and INSTALLDIR; kEmpty when either is empty (fatal), kTooLong when
// either cannot be used.
Property ReadProductAndFolder(MSIHANDLE session, char (&productName)[kPropertyBytes],
                              char (&folder)[kPropertyBytes]) {
  const Property product = ReadProperty(session, "ProductName", productName);
  const Property installDir = ReadProperty(session, "INSTALLDIR", folder);
  if (product == Property::kEmpty || installDir == Property::kEmpty) return Property::kEmpty;
  return product == Property::kValue && installDir == Property::kValue ? Property::kValue
                                                                       : Property::kTooLong;
}

bool FileFound(const char* path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

// A string value of an open key; false when missing, not a string or over 64 KiB.
bool ReadStringValue(HKEY key, const char* name, std::string& value) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size > 64 * 1024) {
    return false;
  }
  std::string bytes(size + 1, '\0');
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  value.assign(bytes.c_str());
  return true;
}

// The old setup's log path as this registry view names it; empty when none.
std::string LogPathInView(const Product& product, REGSAM view) {
  std::string value;
  char path[kLogPathBytes] = {};
  RegKeyHolder key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, product.uninstallKey, 0, KEY_READ | view, key.put()) ==
      ERROR_SUCCESS) {
    if (ReadStringValue(key.get(), "UninstallString", value)) {
      FindExistingPathInCommandLine(value.c_str(), path, sizeof path);
    }
  } else if (RegOpenKeyExA(HKEY_CURRENT_USER, product.settingsKey, 0, KEY_READ | view, key.put()) ==
             ERROR_SUCCESS) {
    if (ReadStringValue(key.get(), "UninstLog", value)) CopyWhole(path, sizeof path, value.c_str());
  }
  return path;
}

// The product's executable in the installation folder; empty when the product is unknown,
// a property is unusable or the file does not exist.
std::string InstalledProgram(const char* productName, const char* folder) {
  const Product* product = FindProduct(productName);
  if (!product) return "";
  char path[MAX_PATH];
  const int length = FormatBounded(path, sizeof path, "%s%s", folder, product->executable);
  if (length != static_cast<int>(strlen(folder) + strlen(product->executable))) return "";
  return FileFound(path) ? path : "";
}

bool IsWindows9x() { return (GetVersion() & 0x80000000u) != 0; }

}  // namespace

void WINAPI FindExistingPathInCommandLine(const char* commandLine, char* path, int size) {
  if (size <= 0) return;
  path[0] = '\0';
  std::string text = commandLine ? commandLine : "";
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!text.empty() && text.back() == '"') {
    const size_t open = text.rfind('"', text.size() - 2);
    if (open != std::string::npos && text.size() >= 2) {
      CopyWhole(path, size, text.c_str() + open + 1, text.size() - open - 2);
    }
    return;
  }
  for (size_t blank = text.rfind(' ');; blank = text.rfind(' ', blank - 1)) {
    const std::string piece = blank == std::string::npos ? text : text.substr(blank + 1);
    if (!piece.empty() && FileFound(piece.c_str())) {
      CopyWhole(path, size, piece.c_str());
      return;
    }
    if (blank == std::string::npos || blank == 0) return;
  }
}

UINT WINAPI CheckForSetup(MSIHANDLE session) {
  char productName[kPropertyBytes];
  if (ReadProperty(session, "CustomActionData", productName) != Property::kValue) return kFatal;
  const Product* product = FindProduct(productName);
  if (!product) return kFatal;
  const REGSAM views[] = {0, KEY_WOW64_32KEY, KEY_WOW64_64KEY};
  bool warned = false;
  for (int pass = 0; pass < 3; ++pass) {
    const std::string logPath = LogPathInView(*product, views[pass]);
    if (logPath.empty() || RemovePreviousInstallation(logPath.c_str(), pass) == 0) continue;
    MSIHANDLE record = MsiCreateRecord(1);
    if (!record) return kFatal;
    if (MsiRecordSetInteger(record, 1, kRefusedMessage) != ERROR_SUCCESS) {
      MsiCloseHandle(record);
      return kFatal;
    }
    // The package's message table gives the text; the user hears of a refusal once.
    if (!warned) {
      MsiProcessMessage(session, INSTALLMESSAGE_WARNING, record);
      warned = true;
    }
    MsiCloseHandle(record);
  }
  return ERROR_SUCCESS;
}

UINT WINAPI CheckForStart(MSIHANDLE session) {
  char productName[kPropertyBytes], folder[kPropertyBytes];
  const Property read = ReadProductAndFolder(session, productName, folder);
  if (read == Property::kEmpty) return kFatal;
  int answer = 0;
  if (read == Property::kValue && !InstalledProgram(productName, folder).empty()) {
    answer =
        IsWindows9x() ? 1 : LaunchThroughShellAnsi(nullptr, "", "", "", nullptr, 0, SetupModule());
  }
  MsiSetPropertyA(session, "LAUNCHAPPNOTEVEVATED", answer ? "1" : "0");
  return ERROR_SUCCESS;
}

UINT WINAPI StartNotElevated(MSIHANDLE session) {
  char productName[kPropertyBytes], folder[kPropertyBytes];
  const Property read = ReadProductAndFolder(session, productName, folder);
  if (read == Property::kEmpty) return kFatal;
  const std::string program = read == Property::kValue ? InstalledProgram(productName, folder) : "";
  if (program.empty()) return ERROR_SUCCESS;
  if (IsWindows9x()) {
    ShellExecuteA(nullptr, "open", program.c_str(), nullptr, folder, SW_SHOWNORMAL);
  } else {
    LaunchThroughShellAnsi(nullptr, program.c_str(), "", folder, nullptr, 1, SetupModule());
  }
  return ERROR_SUCCESS;
}
