// CFILEDnld's members as the program exports them under their Microsoft x64 names: the
// Windows calling convention, the object first.
#include <windows.h>

#include <new>

#include "net/Downloader.h"
#include "net/WindowsLength.h"

extern "C" {

CFILEDnld* WINAPI CFILEDnld_Construct(CFILEDnld* self) { return new (self) CFILEDnld(); }

void WINAPI CFILEDnld_Destruct(CFILEDnld* self) { self->~CFILEDnld(); }

CFILEDnld* WINAPI CFILEDnld_Assign(CFILEDnld* self, const CFILEDnld* other) {
  *self = *other;
  return self;
}

status_type WINAPI CFILEDnld_FILEDownload(CFILEDnld* self, void** data, DWORD* length) {
  return DownloadIntoDword(length,
                           [&](unsigned long* got) { return self->FILEDownload(data, got); });
}

void WINAPI CFILEDnld_FreeData(CFILEDnld* self, void* data) { self->FreeData(data); }
}
