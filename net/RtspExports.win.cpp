// CRTSPClnt's members as the program exports them under their Microsoft x64 names: the
// Windows calling convention, `this` first, forwarding to the library-side class.
#include <windows.h>

#include <new>

#include "net/Downloader.h"
#include "net/WindowsLength.h"

extern "C" {

CRTSPClnt* WINAPI CRTSPClnt_Construct(CRTSPClnt* self) { return new (self) CRTSPClnt(); }

CRTSPClnt* WINAPI CRTSPClnt_Assign(CRTSPClnt* self, const CRTSPClnt* other) {
  *self = *other;
  return self;
}

status_type WINAPI CRTSPClnt_RTSPClient(CRTSPClnt* self, void** data, DWORD* length) {
  return DownloadIntoDword(length, [&](unsigned long* got) { return self->RTSPClient(data, got); });
}

void WINAPI CRTSPClnt_FreeData(CRTSPClnt* self, void* data) { self->FreeData(data); }
}
