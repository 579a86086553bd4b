// CHTTPDnld's and CSSLDnld's members as the program exports them under their Microsoft x64
// names: the Windows calling convention, the object first (none for the static callbacks),
// forwarding to the library-side classes.
#include <windows.h>

#include <new>

#include "net/Downloader.h"
#include "net/WindowsLength.h"

extern "C" {

CHTTPDnld* WINAPI CHTTPDnld_Construct(CHTTPDnld* self) { return new (self) CHTTPDnld(); }

void WINAPI CHTTPDnld_Destruct(CHTTPDnld* self) { self->~CHTTPDnld(); }

CHTTPDnld* WINAPI CHTTPDnld_Assign(CHTTPDnld* self, const CHTTPDnld* other) {
  *self = *other;
  return self;
}

status_type WINAPI CHTTPDnld_HTTPDownload(CHTTPDnld* self, void** data, DWORD* length) {
  return DownloadIntoDword(length,
                           [&](unsigned long* got) { return self->HTTPDownload(data, got); });
}

void WINAPI CHTTPDnld_FreeData(CHTTPDnld* self, void* data) { self->FreeData(data); }

size_t WINAPI CHTTPDnld_WriteCallback(char* bytes, size_t size, size_t count, void* object) {
  return CHTTPDnld::WriteCallback(bytes, size, count, object);
}

size_t WINAPI CHTTPDnld_HeaderCallback(char* bytes, size_t size, size_t count, void* object) {
  return CHTTPDnld::HeaderCallback(bytes, size, count, object);
}

CSSLDnld* WINAPI CSSLDnld_Construct(CSSLDnld* self) { return new (self) CSSLDnld(); }

void WINAPI CSSLDnld_Destruct(CSSLDnld* self) { self->~CSSLDnld(); }

CSSLDnld* WINAPI CSSLDnld_Assign(CSSLDnld* self, const CSSLDnld* other) {
  *self = *other;
  return self;
}

status_type WINAPI CSSLDnld_SSLDownload(CSSLDnld* self, void** data, DWORD* length) {
  return DownloadIntoDword(length,
                           [&](unsigned long* got) { return self->SSLDownload(data, got); });
}

void WINAPI CSSLDnld_FreeData(CSSLDnld* self, void* data) { self->FreeData(data); }

size_t WINAPI CSSLDnld_WriteCallback(char* bytes, size_t size, size_t count, void* object) {
  return CSSLDnld::WriteCallback(bytes, size, count, object);
}

size_t WINAPI CSSLDnld_HeaderCallback(char* bytes, size_t size, size_t count, void* object) {
  return CSSLDnld::HeaderCallback(bytes, size, count, object);
}
}
