// CFILEDnld: reads a local file or lists a folder as a download. Worker threads.
#include <windows.h>

#include <cstdlib>

#include "net/Downloader.h"
#include "toolkit/LanguageText.h"
#include "toolkit/Win32Holders.h"

namespace {

void SystemMessage(DWORD code, char16_t (&text)[256]) {
  text[0] = 0;
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 256, nullptr);
}

}  // namespace

status_type CFILEDnld::FILEDownload(void** data, unsigned long* length) {
  StatusText[0] = 0;
  StatusDetail[0] = 0;
  if (!FileName[0]) {
    SystemMessage(ERROR_FILE_NOT_FOUND, StatusText);
    return ST_FAILURE;
  }
  for (char16_t* c = FileName; *c; ++c) {
    if (*c == u'/') *c = u'\\';
  }
  const DWORD start = GetTickCount();
  // Every return from here reports the time taken, never the start tick.
  auto finish = [&](status_type result) {
    ElapsedTime = GetTickCount() - start;
    return result;
  };
  auto skip = [&](int detailSlot) {
    CopyLanguageText(STR_Status_SKIPPED, StatusText);
    CopyLanguageText(detailSlot, StatusDetail);
    return finish(ST_LIMIT);
  };

  const HandleHolder file(CreateFileW(FileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.held()) {
    SystemMessage(GetLastError(), StatusText);
    return finish(ST_FAILURE);
  }
  if (TimeLimit && GetTickCount() - start > TimeLimit) {
    return skip(STR_Status_SlowLink);
  }
  if (ExistenceOnly) {
    CopyLanguageText(STR_Status_OK, StatusText);
    return finish(ST_SUCCESS);
  }

  LARGE_INTEGER size64;
  if (!GetFileSizeEx(file.get(), &size64)) {
    SystemMessage(GetLastError(), StatusText);
    return finish(ST_FAILURE);
  }
  const uint64_t size = static_cast<uint64_t>(size64.QuadPart);
  if ((SizeLimitType == SIZELIMIT_MINIMUM && SizeLimit >= size) ||
      (SizeLimitType == SIZELIMIT_MAXIMUM && SizeLimit < size) || size > DOWNLOAD_MAX_BYTES) {
    return skip(STR_Status_SizeLimit);
  }

  // One byte more for the terminating NUL, so an empty file still gives a block.
  char* block = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
  DWORD read = 0;
  if (block && ReadFile(file.get(), block, static_cast<DWORD>(size), &read, nullptr) &&
      read == size) {
    block[size] = 0;
    ReceivedSize = read;
    *data = block;
    *length = static_cast<unsigned long>(size);
    CopyLanguageText(STR_Status_OK, StatusText);
    return finish(ST_SUCCESS);
  }
  free(block);
  ReceivedSize = read;
  SystemMessage(ERROR_READ_FAULT, StatusText);
  return finish(ST_FAILURE);
}

void CFILEDnld::FreeData(void* data) { free(data); }
