// CFTPDnld's members as the program exports them under their Microsoft x64 names: the
// Windows calling convention, `this` first, forwarding to the library-side class.
#include <windows.h>

#include <new>

#include "net/Downloader.h"

extern "C" {

CFTPDnld* WINAPI CFTPDnld_Construct(CFTPDnld* self, int ignoreCase) {
  return new (self) CFTPDnld(ignoreCase);
}

CFTPDnld* WINAPI CFTPDnld_Assign(CFTPDnld* self, const CFTPDnld* other) {
  *self = *other;
  return self;
}

status_type WINAPI CFTPDnld_FTPTestExistance(CFTPDnld* self) { return self->FTPTestExistance(); }

void WINAPI CFTPDnld_FreeData(CFTPDnld* self, void* data) { self->FreeData(data); }

int WINAPI CFTPDnld_strcmpcase(CFTPDnld* self, const char* a, const char* b) {
  return self->strcmpcase(a, b);
}
}
