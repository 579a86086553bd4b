// Reads a language table from a file or a resource and fills the string items from it.
#include <windows.h>

#include <memory>
#include <string>

#include "toolkit/StringItems.h"
#include "toolkit/Win32Holders.h"

namespace {

// Larger language tables are refused: their lengths would not fit the int counts of the
// text functions, and no real table comes near it.
constexpr DWORD kMaxSourceBytes = 16u * 1024u * 1024u;

std::u16string TextFromBytes(const void* bytes, DWORD size) {
  std::u16string text;
  if (!bytes || size == 0 || size > kMaxSourceBytes) return text;
  if (IsTextUnicode(bytes, static_cast<int>(size), nullptr)) {
    const char16_t* units = static_cast<const char16_t*>(bytes);
    text.assign(units, units + size / 2);
    return text;
  }
  const char* narrow = static_cast<const char*>(bytes);
  int units = MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(size), nullptr, 0);
  if (units <= 0) return text;
  text.resize(static_cast<size_t>(units));
  MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(size), &text[0], units);
  return text;
}

std::u16string ReadFileSource(const char16_t* path) {
  if (!path || !*path) return std::u16string();
  const HandleHolder file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.held()) return std::u16string();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxSourceBytes)
    return std::u16string();
  DWORD bytes = static_cast<DWORD>(size.QuadPart);
  std::unique_ptr<char[]> data(new (std::nothrow) char[bytes]);
  DWORD read = 0;
  if (!data || !ReadFile(file.get(), data.get(), bytes, &read, nullptr) || read != bytes)
    return std::u16string();
  return TextFromBytes(data.get(), bytes);
}

std::u16string ReadResourceSource(HMODULE module, const void* name, int type) {
  HRSRC resource = FindResourceW(module, static_cast<LPCWSTR>(name), MAKEINTRESOURCEW(type));
  if (!resource) return std::u16string();
  DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded) return std::u16string();
  std::u16string text = TextFromBytes(LockResource(loaded), size);
  FreeResource(loaded);
  return text;
}

std::u16string ReadSource(HMODULE module, const tagSTRINGSOURCE& source) {
  switch (source.kind) {
    case STRINGSOURCE_MEMORY:
      if (source.sizeOrType <= 0) return std::u16string();
      return TextFromBytes(source.where, static_cast<DWORD>(source.sizeOrType));
    case STRINGSOURCE_RESOURCE:
      return ReadResourceSource(module, source.where, source.sizeOrType);
    case STRINGSOURCE_FILE:
      return ReadFileSource(static_cast<const char16_t*>(source.where));
    default:
      return std::u16string();
  }
}

}  // namespace

int LoadStringItems(void* module, tagSTRINGITEM* items, int count,
                    const tagSTRINGSOURCE sources[2]) {
  if (!items || count <= 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  for (int k = 0; k < count; ++k) {
    const char16_t*& destination = *items[k].destination;
    if (destination && destination != g_emptyString) free(const_cast<char16_t*>(destination));
    destination = g_emptyString;
  }
  std::unique_ptr<bool[]> filled(new (std::nothrow) bool[count]());
  int total = 0;
  if (filled) {
    for (int s = 0; s < 2 && total < count; ++s) {
      std::u16string text;
      try {
        text = ReadSource(static_cast<HMODULE>(module), sources[s]);
      } catch (const std::bad_alloc&) {
        continue;
      }
      total += FillStringItems(items, count, text.c_str(), static_cast<int>(text.size()),
                               sources[s].format, s == 1, filled.get());
    }
  }
  SetLastError(total > 0 ? 0 : ERROR_FILE_NOT_FOUND);
  return total;
}
