// CFTPDnld's members as the program exports them under their Microsoft x64 names: the
// Windows calling convention, `this` first, forwarding to the library-side class.
#include <windows.h>

#include <new>

#include "net/Downloader.h"

extern "C" {

CFTPDnld* WINAPI ExportFtpConstruct(CFTPDnld* self, int ignoreCase) {
  return new (self) CFTPDnld(ignoreCase);
}

CFTPDnld* WINAPI ExportFtpAssign(CFTPDnld* self, const CFTPDnld* other) {
  *self = *other;
  return self;
}

status_type WINAPI ExportFtpTestExistance(CFTPDnld* self) { return self->FTPTestExistance(); }

void WINAPI ExportFtpFreeData(CFTPDnld* self, void* data) { self->FreeData(data); }

int WINAPI ExportFtpStrcmpcase(CFTPDnld* self, const char* a, const char* b) {
  return self->strcmpcase(a, b);
}
}
